#include "modem/simulated_modem.h"

#include <algorithm>

#include "framework/event_loop.h"
#include "modem/modem_impl.h"

namespace modem {

SimulatedModem::Impl::Impl(fw::NetStack& net, ModemConfig config)
    : stack(net), cfg(std::move(config)) {}

SimulatedModem::Impl::~Impl() {
    Stop();
}

bool SimulatedModem::Impl::Start(std::string* error) {
    if (listen) return true;
    listen = std::make_shared<ModemSocket>(
        stack, [this](const std::uint8_t* data, std::size_t len, fw::Endpoint from) {
            OnListenDatagram(data, len, from);
        });
    if (!listen->Open(cfg.listen_addr, cfg.listen_port, error)) {
        listen.reset();
        return false;
    }
    return true;
}

void SimulatedModem::Impl::Stop() {
    fw::EventLoop& loop = fw::MainLoop();
    if (loop.IsTimerSet(&completion_timer, 1)) loop.KillTimer(&completion_timer, 1);
    for (const auto& [id, p] : pending) {
        if (loop.IsTimerSet(&delay_timer, id)) loop.KillTimer(&delay_timer, id);
    }
    pending.clear();
    transfers.clear();
    listen.reset();
}

void SimulatedModem::Impl::Log(const std::string& line) {
    if (cfg.keep_history) log.push_back(line);
    if (sink) sink(line);
}

void SimulatedModem::Impl::Later(std::function<void()> task) {
    std::weak_ptr<bool> token = alive;
    fw::MainLoop().Post([token, task = std::move(task)] {
        if (token.lock()) task();
    });
}

void SimulatedModem::Impl::Retire(Transfer& /*transfer*/) {
    // The transfer may be deep inside its own socket's callback: destroy it later.
    if (reap_posted) return;
    reap_posted = true;
    Later([this] { Reap(); });
}

void SimulatedModem::Impl::Reap() {
    reap_posted = false;
    std::erase_if(transfers, [](const Entry& e) { return e.transfer->finished(); });
}

std::shared_ptr<ModemSocket> SimulatedModem::Impl::OpenTransferSocket(int id) {
    auto socket = std::make_shared<ModemSocket>(
        stack, [this, id](const std::uint8_t* data, std::size_t len, fw::Endpoint from) {
            OnTransferDatagram(id, data, len, from);
        });
    std::string error;
    if (!socket->Open(cfg.listen_addr, 0, &error)) {
        Log("cannot open a transfer port: " + error);
        return nullptr;
    }
    return socket;
}

std::shared_ptr<ModemSocket> SimulatedModem::Impl::SocketFor(int id) {
    if (cfg.answer_from_listen_port) return listen;
    return OpenTransferSocket(id);
}

Transfer* SimulatedModem::Impl::FindRequestTransfer(fw::Endpoint peer) {
    for (auto& e : transfers) {
        if (e.from_request && !e.transfer->finished() && e.transfer->peer() == peer) {
            return e.transfer.get();
        }
    }
    return nullptr;
}

bool SimulatedModem::Impl::AnswersLater(const Transfer* transfer) const {
    for (const auto& e : transfers) {
        if (e.transfer.get() == transfer) return answering_later.count(e.id) != 0;
    }
    return false;
}

void SimulatedModem::Impl::OnListenDatagram(const std::uint8_t* data, std::size_t len,
                                            fw::Endpoint from) {
    if (len < 2 || Rebooting()) return;
    unsigned opcode = data[0] << 8 | data[1];
    if (opcode == tftp::RRQ || opcode == tftp::WRQ) {
        Heard(from.addr);
        // A request whose name has no terminating zero is dropped unread.
        if (auto request = tftp::ParseRequest(data, len)) OnRequest(*request, from);
        return;
    }
    // In listen-port mode the whole exchange runs on this socket, told apart by peer.
    if (!cfg.answer_from_listen_port) return;
    if (Transfer* t = FindRequestTransfer(from)) {
        Heard(from.addr);
        t->OnPacket(data, len, from);
    }
}

void SimulatedModem::Impl::OnTransferDatagram(int id, const std::uint8_t* data, std::size_t len,
                                              fw::Endpoint from) {
    if (Rebooting()) return;
    for (auto& e : transfers) {
        if (e.id != id) continue;
        if (e.transfer->finished()) return;
        Heard(from.addr);
        e.transfer->OnPacket(data, len, from);
        return;
    }
}

void SimulatedModem::Impl::Send(const std::shared_ptr<ModemSocket>& via,
                                const tftp::Bytes& datagram, fw::Endpoint to,
                                const std::string& name) {
    if (!via || Rebooting()) return;
    Fate fate = faults.Decide(datagram, name);
    if (fate == Fate::kDrop) return;
    SendAfter(via, datagram, to, faults.delay_ms());
    if (fate == Fate::kDuplicate) {
        SendAfter(via, datagram, to, faults.delay_ms() + faults.duplicate_gap_ms());
    }
}

void SimulatedModem::Impl::SendAfter(const std::shared_ptr<ModemSocket>& via,
                                     const tftp::Bytes& datagram, fw::Endpoint to, int ms) {
    if (ms <= 0) {
        via->Send(datagram, to);
        return;
    }
    int id = next_pending++;
    if (next_pending <= 0) next_pending = 1;
    pending[id] = Pending{via, datagram, to};
    fw::MainLoop().SetTimer(&delay_timer, id, ms, [this, id] {
        fw::MainLoop().KillTimer(&delay_timer, id);
        auto it = pending.find(id);
        if (it == pending.end()) return;
        Pending p = std::move(it->second);
        pending.erase(it);
        p.via->Send(p.datagram, p.to);
    });
}

void SimulatedModem::Impl::Answer(Transfer& transfer, int id) {
    int ms = faults.AnswerDelay(transfer.name());
    if (ms <= 0) {
        transfer.Start();
        return;
    }
    Log(transfer.Describe() + ": first answer in " + std::to_string(ms) + " ms");
    answering_later.insert(id);
    std::weak_ptr<bool> token = alive;
    fw::MainLoop().PostDelayed(ms, [this, token, id] {
        if (!token.lock()) return;
        answering_later.erase(id);
        for (auto& e : transfers) {
            if (e.id == id && !e.transfer->finished()) e.transfer->Start();
        }
    });
}

// ---------------------------------------------------------------------------------------

SimulatedModem::SimulatedModem(fw::NetStack& stack, ModemConfig config)
    : impl_(std::make_unique<Impl>(stack, std::move(config))) {}

SimulatedModem::~SimulatedModem() = default;

bool SimulatedModem::Start(std::string* error) {
    return impl_->Start(error);
}
void SimulatedModem::Stop() {
    impl_->Stop();
}
void SimulatedModem::SetFaults(FaultPlan faults) {
    impl_->faults.Reset(faults);
}
const ModemConfig& SimulatedModem::config() const {
    return impl_->cfg;
}
const std::vector<ReceivedFile>& SimulatedModem::Received() const {
    return impl_->received;
}

const ReceivedFile* SimulatedModem::LastReceived(const std::string& name) const {
    const auto& files = impl_->received;
    auto it = std::find_if(files.rbegin(), files.rend(),
                           [&](const ReceivedFile& f) { return f.name == name; });
    return it == files.rend() ? nullptr : &*it;
}

const std::vector<FetchedFile>& SimulatedModem::Fetched() const {
    return impl_->fetched;
}
bool SimulatedModem::InUpdateMode() const {
    return impl_->update_mode;
}
bool SimulatedModem::IsRebooting() const {
    return impl_->Rebooting();
}
const std::string& SimulatedModem::ReportedFirmware() const {
    return impl_->firmware;
}
bool SimulatedModem::CompletionSent() const {
    return impl_->completion_sent;
}
std::uint16_t SimulatedModem::ListenPort() const {
    return impl_->listen ? static_cast<std::uint16_t>(impl_->listen->LocalPort()) : 0;
}
bool SimulatedModem::IsUnlocked(std::uint32_t host_addr) const {
    return impl_->Unlocked(host_addr);
}
const std::vector<std::string>& SimulatedModem::LogLines() const {
    return impl_->log;
}
void SimulatedModem::SetLogSink(std::function<void(const std::string&)> sink) {
    impl_->sink = std::move(sink);
}

}  // namespace modem
