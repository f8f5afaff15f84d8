#include "modem/receive_transfer.h"

namespace modem {

void ReceiveTransfer::OnData(std::uint16_t block, const std::uint8_t* payload, std::size_t len) {
    if (complete_) {
        // Our final ACK was lost and the peer repeats its last block.
        if (block == last_block_) Resend();
        return;
    }
    if (block != expected_) {
        // The peer missed our ACK and sent the block again: acknowledge it again, store
        // nothing. Anything else is out of order and waits for the right block.
        if (last_block_ != 0 && block == last_block_ && ReacknowledgeAtOnce()) Resend();
        return;
    }
    Store(payload, len);
    bytes_ += len;
    ++blocks_;
    last_block_ = block;
    if (len < tftp::kBlockSize) {
        complete_ = true;
        OnLastBlock();
        return;
    }
    if (expected_ == 65535) {
        // The next block number would wrap to 0: refuse rather than mix up blocks.
        SendOnce(tftp::BuildError(3, "File too large"));
        Finish(Describe() + ": refused, more than 65535 blocks");
        return;
    }
    Transmit(tftp::BuildAck(block), true);
    ++expected_;
}

}  // namespace modem
