#include "modem/serve_transfer.h"

#include <algorithm>

namespace modem {

ServeTransfer::ServeTransfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket,
                             fw::Endpoint peer, std::string name, std::vector<std::uint8_t> content)
    : Transfer(ctx, std::move(socket), peer, std::move(name)),
      content_(std::move(content)),
      last_block_(BlockCount(content_.size())) {}

void ServeTransfer::Start() {
    SendBlock();
}

void ServeTransfer::SendBlock() {
    std::size_t offset = static_cast<std::size_t>(block_ - 1) * tftp::kBlockSize;
    std::size_t len = std::min(tftp::kBlockSize, content_.size() - offset);
    Transmit(tftp::BuildData(static_cast<std::uint16_t>(block_), content_.data() + offset, len),
             true);
}

void ServeTransfer::OnPacket(const std::uint8_t* data, std::size_t len, fw::Endpoint from) {
    if (from != peer()) return;
    auto h = tftp::ParseHeader(data, len);
    if (!h.valid) return;
    if (h.opcode == tftp::ERROR) {
        Finish(Describe() + ": ended by the peer: " + tftp::TrailingText(data, len));
        return;
    }
    // Only the ACK of the block in flight moves the transfer on. An ACK of an earlier block
    // is the peer repeating itself after a time-out of its own; answering it with another
    // DATA would double every later block, so our own timer alone resends.
    if (h.opcode != tftp::ACK || h.field != static_cast<std::uint16_t>(block_)) return;
    if (block_ == last_block_) {
        Finish(Describe() + ": sent " + std::to_string(content_.size()) + " bytes in " +
               std::to_string(last_block_) + (last_block_ == 1 ? " block" : " blocks"));
        return;
    }
    ++block_;
    SendBlock();
}

void ServeTransfer::OnGiveUp() {
    Finish(Describe() + ": no ACK " + std::to_string(block_) + " after " +
           std::to_string(ctx().Config().max_retransmits) + " retransmissions, abandoned");
}

}  // namespace modem
