#include "modem/take_transfer.h"

namespace modem {

TakeTransfer::TakeTransfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket,
                           fw::Endpoint peer, std::string name,
                           std::optional<std::string> ack0_text, BytesSink sink, Judge judge)
    : ReceiveTransfer(ctx, std::move(socket), peer, std::move(name)),
      ack0_text_(std::move(ack0_text)),
      sink_(std::move(sink)),
      judge_(std::move(judge)) {}

void TakeTransfer::Start() {
    tftp::Bytes ack = tftp::BuildAck(0);
    if (ack0_text_) {
        ack.insert(ack.end(), ack0_text_->begin(), ack0_text_->end());
        ack.push_back(0);
    }
    Transmit(std::move(ack), true);
}

void TakeTransfer::OnPacket(const std::uint8_t* data, std::size_t len, fw::Endpoint from) {
    if (from != peer()) return;
    auto h = tftp::ParseHeader(data, len);
    if (!h.valid) return;
    if (h.opcode == tftp::DATA) {
        OnData(h.field, data + 4, len - 4);
    } else if (h.opcode == tftp::ERROR && !complete()) {
        Finish(Describe() + ": ended by the peer after " + std::to_string(bytes()) +
               " bytes: " + tftp::TrailingText(data, len));
    }
}

void TakeTransfer::OnLastBlock() {
    WriteVerdict verdict = judge_(*this);
    std::string line = Describe() + ": received " + std::to_string(bytes()) + " bytes";
    if (!verdict.refusal.empty()) {
        SendOnce(tftp::BuildError(2, verdict.refusal));
        Finish(line + ", refused: " + verdict.refusal);
        return;
    }
    AckLastBlock();
    ctx().Log(verdict.note.empty() ? line : line + ", " + verdict.note);
    Linger();
}

void TakeTransfer::OnGiveUp() {
    Finish(Describe() + ": peer silent after " + std::to_string(bytes()) + " bytes, abandoned");
}

}  // namespace modem
