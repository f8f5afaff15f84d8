#include "modem/fetch_transfer.h"

namespace modem {

FetchTransfer::FetchTransfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket,
                             fw::Endpoint server, std::string name, BytesSink sink, Done done)
    : ReceiveTransfer(ctx, std::move(socket), server, std::move(name)),
      sink_(std::move(sink)),
      done_(std::move(done)) {}

void FetchTransfer::Start() {
    Transmit(tftp::BuildRequest(tftp::RRQ, name()), true);
}

void FetchTransfer::OnPacket(const std::uint8_t* data, std::size_t len, fw::Endpoint from) {
    // The server may answer from another port than the one asked; after its first answer
    // only that port belongs to the exchange.
    if (peer_known_ ? from != peer() : from.addr != peer().addr) return;
    auto h = tftp::ParseHeader(data, len);
    if (!h.valid) return;
    if (h.opcode == tftp::ERROR) {
        End(false, Describe() + ": refused by the server: " + tftp::TrailingText(data, len));
        return;
    }
    if (h.opcode != tftp::DATA) return;
    if (!peer_known_) {
        if (h.field != 1) return;
        peer_known_ = true;
        set_peer(from);
    }
    OnData(h.field, data + 4, len - 4);
}

void FetchTransfer::OnLastBlock() {
    AckLastBlock();
    Linger();
    End(true, Describe() + ": received " + std::to_string(bytes()) + " bytes");
}

void FetchTransfer::OnGiveUp() {
    End(false,
        Describe() + ": server silent after " + std::to_string(bytes()) + " bytes, abandoned");
}

void FetchTransfer::End(bool complete, const std::string& line) {
    if (complete) {
        ctx().Log(line);  // the linger ends the exchange quietly later
    } else {
        Finish(line);
    }
    if (done_) {
        Done done = std::move(done_);
        done_ = nullptr;
        done(complete);
    }
}

}  // namespace modem
