#include "modem/transfer.h"

#include "framework/event_loop.h"

namespace modem {

namespace {

constexpr int kTimerId = 1;

}  // namespace

Transfer::Transfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket, fw::Endpoint peer,
                   std::string name)
    : ctx_(ctx), socket_(std::move(socket)), peer_(peer), name_(std::move(name)) {}

Transfer::~Transfer() {
    StopTimer();
}

std::string Transfer::Describe() const {
    return fw::FormatIp(peer_.addr) + ":" + std::to_string(peer_.port) + " " + Verb() + " " + name_;
}

void Transfer::Abandon(const std::string& why) {
    // A lingering exchange has logged its outcome already.
    Finish(lingering_ ? std::string() : Describe() + ": " + why);
}

void Transfer::Transmit(tftp::Bytes datagram, bool guard) {
    last_sent_ = std::move(datagram);
    retransmits_ = 0;
    ctx_.Send(socket_, last_sent_, peer_, name_);
    if (guard) {
        fw::MainLoop().SetTimer(this, kTimerId, ctx_.Config().retransmit_timeout_ms,
                                [this] { OnTimer(); });
    } else {
        StopTimer();
    }
}

void Transfer::Resend() {
    if (!last_sent_.empty() && !finished_) ctx_.Send(socket_, last_sent_, peer_, name_);
}

void Transfer::SendOnce(const tftp::Bytes& datagram) {
    ctx_.Send(socket_, datagram, peer_, name_);
}

void Transfer::Linger() {
    lingering_ = true;
    const ModemConfig& cfg = ctx_.Config();
    // Long enough for the peer to notice a lost final answer and repeat its last block.
    int ms = cfg.retransmit_timeout_ms * (cfg.max_retransmits > 0 ? cfg.max_retransmits : 1);
    fw::MainLoop().SetTimer(this, kTimerId, ms, [this] { OnTimer(); });
}

void Transfer::Finish(const std::string& line) {
    if (finished_) return;
    finished_ = true;
    StopTimer();
    if (!line.empty()) ctx_.Log(line);
    ctx_.Retire(*this);
}

void Transfer::OnTimer() {
    if (finished_) return;
    if (lingering_) {
        Finish({});
        return;
    }
    if (retransmits_ >= ctx_.Config().max_retransmits) {
        OnGiveUp();
        if (!finished_) Finish({});
        return;
    }
    ++retransmits_;
    ctx_.Send(socket_, last_sent_, peer_, name_);
}

void Transfer::StopTimer() {
    if (fw::MainLoop().IsTimerSet(this, kTimerId)) fw::MainLoop().KillTimer(this, kTimerId);
}

}  // namespace modem
