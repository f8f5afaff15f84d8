// A read served by the modem: DATA blocks of a file, each sent again until acknowledged.
#pragma once

#include <cstdint>
#include <vector>

#include "modem/transfer.h"

namespace modem {

class ServeTransfer : public Transfer {
public:
    ServeTransfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket, fw::Endpoint peer,
                  std::string name, std::vector<std::uint8_t> content);

    void Start() override;  // sends DATA 1
    void OnPacket(const std::uint8_t* data, std::size_t len, fw::Endpoint from) override;
    bool AtFirstAnswer() const override { return block_ == 1; }
    bool AllSent() const override { return block_ == last_block_; }

    // Block count of a file of `size` bytes: every block full but the last, which may be
    // empty. Files needing more than 65535 blocks cannot be numbered and are refused.
    static std::uint32_t BlockCount(std::size_t size) {
        return static_cast<std::uint32_t>(size / tftp::kBlockSize + 1);
    }

    const char* Verb() const override { return "read"; }

private:
    void SendBlock();
    void OnGiveUp() override;

    std::vector<std::uint8_t> content_;
    std::uint32_t block_ = 1;  // the DATA block waiting for its ACK
    std::uint32_t last_block_;
};

}  // namespace modem
