// The receiving half of TFTP, shared by a write taken by the modem and a file it fetches
// from the host: each new block stored and acknowledged, a repeated block acknowledged
// again, the last (short) block ending the file.
#pragma once

#include <cstdint>

#include "modem/transfer.h"

namespace modem {

class ReceiveTransfer : public Transfer {
public:
    using Transfer::Transfer;

    std::uint64_t bytes() const { return bytes_; }
    std::uint32_t blocks() const { return blocks_; }
    bool complete() const { return complete_; }

protected:
    // A DATA datagram from the peer.
    void OnData(std::uint16_t block, const std::uint8_t* payload, std::size_t len);
    // Sends the ACK of the last block, once: no further DATA will come to guard against.
    void AckLastBlock() { Transmit(tftp::BuildAck(last_block_), false); }

    // Whether a repeated block is acknowledged again at once, or only by our own timer.
    virtual bool ReacknowledgeAtOnce() const { return true; }
    virtual void Store(const std::uint8_t* data, std::size_t len) = 0;
    // The short block has arrived and been stored; the subclass gives the final answer.
    virtual void OnLastBlock() = 0;

private:
    std::uint16_t expected_ = 1;
    std::uint16_t last_block_ = 0;  // last block stored (0: none yet)
    std::uint64_t bytes_ = 0;
    std::uint32_t blocks_ = 0;
    bool complete_ = false;
};

}  // namespace modem
