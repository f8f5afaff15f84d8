// A file the modem reads from the host's TFTP server: RRQ to the server's port, then the
// blocks from whichever port of that address answers first.
#pragma once

#include <functional>
#include <string>

#include "modem/receive_transfer.h"

namespace modem {

class FetchTransfer : public ReceiveTransfer {
public:
    using BytesSink = std::function<void(const std::uint8_t*, std::size_t)>;
    using Done = std::function<void(bool complete)>;

    FetchTransfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket, fw::Endpoint server,
                  std::string name, BytesSink sink, Done done);

    void Start() override;  // sends the RRQ
    void OnPacket(const std::uint8_t* data, std::size_t len, fw::Endpoint from) override;
    bool AtFirstAnswer() const override { return false; }

    const char* Verb() const override { return "fetch"; }

private:
    // The host's server sends a block again on an ACK below its current one; answering its
    // repeats at once would make it send every later block twice. Our own timer re-sends
    // the ACK when it really was lost.
    bool ReacknowledgeAtOnce() const override { return false; }
    void Store(const std::uint8_t* data, std::size_t len) override { sink_(data, len); }
    void OnLastBlock() override;
    void OnGiveUp() override;
    void End(bool complete, const std::string& line);

    BytesSink sink_;
    Done done_;
    bool peer_known_ = false;  // the server's transfer port has answered
};

}  // namespace modem
