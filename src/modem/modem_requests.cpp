// What the modem makes of each request: the unlock key, the files it serves, the update
// bracket and its completion report, the board request and the fetch that may follow it.
#include <algorithm>

#include "framework/event_loop.h"
#include "modem/fetch_transfer.h"
#include "modem/file_store.h"
#include "modem/modem_impl.h"
#include "modem/serve_transfer.h"
#include "modem/take_transfer.h"

namespace modem {

namespace {

std::string Peer(fw::Endpoint e) {
    return fw::FormatIp(e.addr) + ":" + std::to_string(e.port);
}

// Files that steer the modem rather than hold data: never served back (the key least of
// all).
bool IsCommandFile(const std::string& name) {
    return name == kKeyFile || name == kRequestIdFile || name == kUpdateBeginFile ||
           name == kUpdateRebootFile || name == kUpdateEndFile || name == kMacroFile;
}

}  // namespace

void SimulatedModem::Impl::Heard(std::uint32_t addr) {
    HostState& h = hosts[addr];
    fw::Millis now = fw::MainLoop().Now();
    if (h.unlocked && now - h.last_heard >= cfg.unlock_idle_ms) {
        h.unlocked = false;
        Log(fw::FormatIp(addr) + " locked again after " +
            std::to_string((now - h.last_heard) / 1000) + " s of silence");
    }
    h.last_heard = now;
}

bool SimulatedModem::Impl::Unlocked(std::uint32_t addr) const {
    auto it = hosts.find(addr);
    if (it == hosts.end() || !it->second.unlocked) return false;
    return fw::MainLoop().Now() - it->second.last_heard < cfg.unlock_idle_ms;
}

void SimulatedModem::Impl::OnRequest(const tftp::Request& request, fw::Endpoint from) {
    const std::string& name = request.name;
    const char* verb = request.op == tftp::RRQ ? "read" : "write";
    if (Transfer* running = FindRequestTransfer(from)) {
        // The peer did not hear our first answer and asks again: answer again rather than
        // start a second exchange it would not know about.
        bool same = running->name() == name && std::string_view(running->Verb()) == verb;
        if (same && running->AtFirstAnswer()) {
            running->RepeatFirstAnswer();
            return;
        }
        // A client runs one exchange per port: a new request means it gave the old one up.
        // An exchange still busy before its first answer (erasing flash, say) hears nothing
        // until it is done, and then answers all the same.
        if (AnswersLater(running)) {
            Log(running->Describe() + ": busy, " + verb + " " + name + " taken beside it");
        } else if (running->AllSent()) {
            // Its next request overtook the last ACK: the peer has the whole file.
            running->Abandon("all sent, the next request came before the last ACK");
        } else {
            running->Abandon("given up for a new request");
        }
    }
    if (const std::string* text = faults.ErrorFor(name)) {
        Refuse(from, verb, name, 0, *text, "answered with the chosen error");
        return;
    }
    if (request.op == tftp::RRQ) {
        ServeRead(name, from);
    } else {
        TakeWrite(name, from);
    }
}

void SimulatedModem::Impl::Refuse(fw::Endpoint to, const char* verb, const std::string& name,
                                  std::uint16_t code, const std::string& text,
                                  const std::string& why) {
    Send(SocketFor(0), tftp::BuildError(code, text), to, name);
    Log(Peer(to) + " " + verb + " " + name + ": " + why + " (\"" + text + "\")");
}

void SimulatedModem::Impl::ServeRead(const std::string& name, fw::Endpoint from) {
    if (!Unlocked(from.addr)) {
        Refuse(from, "read", name, 2, kLockedText, "refused, no key");
        return;
    }
    auto content = name == "info" ? ReportedInfo() : ReadBack(name);
    if (!content) content = ReadServedFile(cfg.data_dir, name);
    if (!content) {
        Refuse(from, "read", name, 1, std::string(tftp::kNoSuchFile), "no such file");
        return;
    }
    if (ServeTransfer::BlockCount(content->size()) > 65535) {
        Refuse(from, "read", name, 3, "File too large", "too large to number its blocks");
        return;
    }
    int id = NextId();
    auto socket = SocketFor(id);
    if (!socket) return;
    auto& t = Adopt(std::make_unique<ServeTransfer>(*this, socket, from, name, std::move(*content)),
                    true, id);
    Answer(t, id);
}

void SimulatedModem::Impl::TakeWrite(const std::string& name, fw::Endpoint from) {
    bool needs_key = name != kKeyFile && name != kRequestIdFile;
    if (needs_key && !Unlocked(from.addr)) {
        Refuse(from, "write", name, 2, kLockedText, "refused, no key");
        return;
    }
    if (name == kUpdateBeginFile && update_mode) {
        Refuse(from, "write", name, 0, std::string(tftp::kAlreadyUpdating),
               "already in update mode");
        return;
    }
    int id = NextId();
    auto socket = SocketFor(id);
    if (!socket) return;
    if (!cfg.keep_history) ForgetOlderCopies(received, name);
    std::size_t index = received.size();
    received.push_back(ReceivedFile{name, {}, false, from.addr});
    std::optional<std::string> ack0_text;
    if (name == kRequestIdFile) ack0_text = cfg.board_id;
    auto sink = [this, index](const std::uint8_t* data, std::size_t len) {
        received[index].bytes.insert(received[index].bytes.end(), data, data + len);
    };
    auto judge = [this, index, from](TakeTransfer&) { return Judge(index, from); };
    auto& t =
        Adopt(std::make_unique<TakeTransfer>(*this, socket, from, name, ack0_text, sink, judge),
              true, id);
    Answer(t, id);
}

WriteVerdict SimulatedModem::Impl::Judge(std::size_t index, fw::Endpoint from) {
    ReceivedFile& file = received[index];
    file.complete = true;
    Keep(file.name, file.bytes);
    if (file.name == kKeyFile) {
        bool ok = KeyMatches(file.bytes);
        hosts[from.addr].unlocked = ok;
        if (!ok) return {kWrongKeyText, {}};
        return {{}, "key accepted, unlocked"};
    }
    if (file.name == kUpdateBeginFile) {
        update_mode = true;
        update_version.clear();
        return {{}, "update mode on"};
    }
    if (update_mode && !IsCommandFile(file.name)) NoteUpdateFile(file.name, file.bytes);
    if (file.name == kUpdateEndFile) {
        ScheduleCompletion(from);
        return {{}, "completion report in " + std::to_string(cfg.completion_delay_ms) + " ms"};
    }
    if (file.name == kRequestIdFile) {
        std::string note = "board " + cfg.board_id + " announced";
        if (cfg.fetch_port != 0) {
            fw::Endpoint server{from.addr, cfg.fetch_port};
            // After our final ACK has gone out, not before.
            Later([this, server] { StartFetch(kLatestVersionFile, server, true); });
            note += ", fetching " + std::string(kLatestVersionFile) + " from " + Peer(server);
        }
        return {{}, note};
    }
    return {};
}

bool SimulatedModem::Impl::KeyMatches(const std::vector<std::uint8_t>& bytes) const {
    std::string text(bytes.begin(), bytes.end());
    // The host ends the key with CR LF; a key typed into a file by hand may end with LF.
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text == cfg.password;
}

std::optional<std::vector<std::uint8_t>> SimulatedModem::Impl::ReadBack(
    const std::string& name) const {
    // A configuration restored into the modem is what a later read returns.
    if (IsCommandFile(name) || !IsServableName(name)) return std::nullopt;
    for (auto it = received.rbegin(); it != received.rend(); ++it) {
        if (it->name == name && it->complete) return it->bytes;
    }
    return std::nullopt;
}

void SimulatedModem::Impl::Keep(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    if (cfg.store_dir.empty()) return;
    std::string error;
    if (!SaveStoredFile(cfg.store_dir, name, bytes, &error)) Log("store: " + error);
}

void SimulatedModem::Impl::ForgetOlderCopies(std::vector<ReceivedFile>& files,
                                             const std::string& name) {
    for (auto& f : files) {
        if (f.name == name && f.complete) {
            f.bytes.clear();
            f.bytes.shrink_to_fit();
        }
    }
}

void SimulatedModem::Impl::ScheduleCompletion(fw::Endpoint host) {
    fw::MainLoop().SetTimer(&completion_timer, 1, cfg.completion_delay_ms, [this, host] {
        fw::MainLoop().KillTimer(&completion_timer, 1);
        SendCompletion(host);
    });
}

void SimulatedModem::Impl::SendCompletion(fw::Endpoint host) {
    // The report goes to where the host's requests came from, from the listening port.
    Send(listen, tftp::BuildAck(tftp::kCompletionBlock), host, kUpdateEndFile);
    completion_sent = true;
    update_mode = false;
    Log(Peer(host) + " update finished, completion report sent (ACK 65535)");
    Reboot();
}

void SimulatedModem::Impl::StartFetch(const std::string& name, fw::Endpoint server,
                                      bool follow_latest) {
    int id = NextId();
    auto socket = OpenTransferSocket(id);
    if (!socket) return;
    if (!cfg.keep_history) {
        for (auto& f : fetched) {
            if (f.name == name && f.complete) f.bytes = {};
        }
    }
    std::size_t index = fetched.size();
    fetched.push_back(FetchedFile{name, {}, false});
    auto sink = [this, index](const std::uint8_t* data, std::size_t len) {
        fetched[index].bytes.insert(fetched[index].bytes.end(), data, data + len);
    };
    auto done = [this, index, server, follow_latest](bool complete) {
        FetchedFile& f = fetched[index];
        f.complete = complete;
        if (!complete) return;
        Keep(f.name, f.bytes);
        if (follow_latest) OnLatestVersion(f.bytes, server);
    };
    auto& t =
        Adopt(std::make_unique<FetchTransfer>(*this, socket, server, name, sink, done), false, id);
    t.Start();
}

void SimulatedModem::Impl::OnLatestVersion(const std::vector<std::uint8_t>& bytes,
                                           fw::Endpoint server) {
    // Four lines: a version, the image's bare name, the host's address, the image's size.
    std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size() && lines.size() < 4) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (lines.size() < 2 || lines[1].empty()) {
        Log(Peer(server) + " fetch " + kLatestVersionFile + ": names no image, nothing fetched");
        return;
    }
    StartFetch(lines[1], server, false);
}

}  // namespace modem
