// A "modem" that answers the client with whatever it is told to: well-formed answers to the
// client's latest datagram, or malformed, oversized, out-of-order and foreign datagrams, from
// the modem's own ports or from a stranger. It runs each kind of plan on the engine rig (no
// simulated modem), and judges the outcome: a run that reports success must really have sent
// what it was asked to send, or saved a pack that holds what it was told.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "formats/pack_builder.h"
#include "framework/desktop.h"
#include "framework/ui/scripted_desktop.h"
#include "sequencer/sequencer.h"
#include "testing/engine_rig.h"
#include "testing/hostile_peer.h"
#include "testing/server_rig.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"
#include "tftp/step_codes.h"

namespace testhost {

enum class HostilePlan { kCommandFiles, kImageSend, kPackSend, kInfoRead, kConfigRead };
inline constexpr int kHostilePlanCount = 5;

// Who a datagram comes from.
enum class Sender { kTransferPort, kListenPort, kStranger, kOtherModemPort };

inline constexpr std::uint32_t kStrangerAddr = 0x7F000009;  // 127.0.0.9
inline constexpr std::uint16_t kStrangerPort = 7000;
inline constexpr std::uint16_t kOtherModemPort = 7001;
// The modem answers each request from a port of its own: this one for the host's first
// request, the next one for the second, and so on.
inline constexpr std::uint16_t kFirstTransferPort = 7100;
inline constexpr const char* kBoardId = "SIM-BOARD-1";

// The outcome of a run, as a driver without a person sees it.
enum class Outcome {
    kSucceeded,  // the plan's final step (dialog or report) was reached
    kStopped,    // a failure was shown or a time-out given up
    kStalled,    // still running with nothing pending: the driver reports the stall
    kOther,      // ended otherwise (the plan ran out) or still waiting on a timer
};

class HostileModem {
public:
    explicit HostileModem(HostilePlan plan, bool criteria_skipped = false)
        : rig_(RigOptions{.modems = 0}),
          modem_(StackFor(kModemAddr), kModemAddr),
          stranger_(StackFor(kStrangerAddr), kStrangerAddr),
          plan_(plan) {
        modem_.Open(kModemPort);
        stranger_.Open(kStrangerPort);
        // Boxes come to a desktop of our own, where a Retry/Cancel box is answered Cancel: a
        // hostile peer must not keep a run alive.
        desktop_.SetDefaultAnswer(fw::IDCANCEL);
        fw::SetDesktop(&desktop_);
        Host().criteria_skipped = criteria_skipped;
        PrepareFiles(criteria_skipped);
    }

    EngineRig& rig() { return rig_; }
    fw::ScriptedDesktop& desktop() { return desktop_; }
    HostilePlan plan() const { return plan_; }

    // Starts the plan as the page's button does.
    void Start() {
        static const std::initializer_list<int> kPlans[kHostilePlanCount] = {
            {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_PUT_REQUEST_ID,
             STEP_PUT_MACRO, STEP_REPORT_DOWNLOAD_DONE},
            {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_SEND_IMAGE,
             STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_REPORT_DOWNLOAD_DONE},
            {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_SEND_IMAGE,
             STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_REPORT_DOWNLOAD_DONE},
            {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_MODEM_INFO, STEP_GET_FILES,
             STEP_SHOW_MODEM_INFO},
            {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES, STEP_REPORT_CONFIG_SAVED}};
        StartPlan(kPlans[static_cast<int>(plan_)]);
        rig_.loop.RunPending();
    }

    // The port the modem answers the host's latest request from. Counted as the trace
    // grows, so that a test may clear the trace of a long transfer.
    std::uint16_t TransferPort() const {
        const auto& trace = rig_.net.Trace();
        if (trace.size() < scanned_) scanned_ = 0;
        for (; scanned_ < trace.size(); ++scanned_) {
            const fw::Datagram& d = trace[scanned_];
            tftp::Header h = tftp::ParseHeader(d.bytes.data(), d.bytes.size());
            if (d.from.addr == kHostAddr && (h.opcode == tftp::RRQ || h.opcode == tftp::WRQ))
                ++requests_;
        }
        return static_cast<std::uint16_t>(kFirstTransferPort + std::max(requests_ - 1, 0));
    }

    // Sends one datagram to the client (to the port its latest datagram came from) and lets
    // it be handled.
    void Send(Sender from, const tftp::Bytes& bytes) {
        const std::uint16_t ports[] = {TransferPort(), kModemPort, kStrangerPort, kOtherModemPort};
        std::uint16_t port = ports[static_cast<int>(from)];
        tftp::Header h = tftp::ParseHeader(bytes.data(), bytes.size());
        if (h.valid && h.opcode == tftp::ERROR) {  // one the client may count a step done by
            std::string text = tftp::TrailingText(bytes.data(), bytes.size());
            tolerated_ = tolerated_ || tftp::StartsWith(text, tftp::kAlreadyUpdating) ||
                         tftp::StartsWith(text, tftp::kNoSuchFile);
        }
        const fw::Datagram* latest = LastFromHost();
        fw::Endpoint to{kHostAddr, static_cast<std::uint16_t>(latest ? latest->from.port
                                                                      : rig_.client.LocalPort())};
        HostilePeer& peer = from == Sender::kStranger ? stranger_ : modem_;
        repeat_ = [&peer, port, bytes, to] { peer.Send(port, bytes, to); };
        repeat_();
        rig_.loop.RunPending();
    }

    // The last datagram again, from the same port to the same port of the client.
    void Repeat() {
        if (!repeat_) return;
        repeat_();
        rig_.loop.RunPending();
    }

    // Sends what a sound modem would answer to the client's latest datagram, with `data` as
    // the content of a DATA block. `shift` moves the block number (out-of-order answers).
    // Nothing when the client has sent nothing that asks for an answer.
    void Answer(Sender from, const std::vector<std::uint8_t>& data, int shift = 0) {
        const fw::Datagram* latest = LastFromHost();
        if (latest == nullptr) return;
        const tftp::Bytes& last = latest->bytes;
        tftp::Header h = tftp::ParseHeader(last.data(), last.size());
        auto block = [&](int b) { return static_cast<std::uint16_t>(b + shift); };
        if (!h.valid) return;
        if (h.opcode == tftp::WRQ) {
            auto r = tftp::ParseRequest(last.data(), last.size());
            tftp::Bytes ack = tftp::BuildAck(block(0));
            if (r && r->name == "RequestID")
                ack.insert(ack.end(), kBoardId, kBoardId + std::strlen(kBoardId) + 1);
            Send(from, ack);
        } else if (h.opcode == tftp::RRQ || h.opcode == tftp::ACK) {
            int next = h.opcode == tftp::RRQ ? 1 : h.field + 1;
            Send(from, tftp::BuildData(block(next), data.data(), data.size()));
        } else if (h.opcode == tftp::DATA) {
            Send(from, tftp::BuildAck(block(h.field)));
        }
    }

    // Lets loop time pass: the response timer expires, the client retries or gives up.
    void Wait(fw::Millis ms) { rig_.loop.RunFor(ms); }

    // Runs until the run has ended or stopped and nothing is pending (bounded loop time).
    void Settle(fw::Millis limit = 120000) { rig_.RunLoopUntilSettled(limit); }

    Outcome Result() const {
        const RunObserver& o = TheRunObserver();
        if (o.Phase() == RunPhase::kStopped) return Outcome::kStopped;
        // The configuration report refuses to say "done" without a pack; it shows a stop.
        if (o.Phase() == RunPhase::kEnded && o.EndReason() == RunEnd::kFinalStep)
            return Outcome::kSucceeded;
        if (o.Phase() == RunPhase::kRunning && !o.IsPending()) return Outcome::kStalled;
        return Outcome::kOther;
    }

    // Whether the peer sent an ERROR whose text lets the client count a step as done: the
    // run may then rightly succeed without having sent every file.
    bool SentToleratedError() const { return tolerated_; }

    // The files the plan is to send, each under its own name.
    const std::vector<PackItem>& ExpectedSends() const { return expected_; }

    // True when the client sent `f` whole: a write request for its name followed, before the
    // next request, by every block of it with exactly its bytes.
    bool SentWhole(const PackItem& f) const {
        std::size_t blocks = f.data.size() / tftp::kBlockSize + 1;
        std::set<std::size_t> seen;  // the blocks of `f` sent with exactly their bytes
        bool in_write = false;
        for (const tftp::Bytes& d : rig_.HostSent()) {
            tftp::Header h = tftp::ParseHeader(d.data(), d.size());
            if (h.valid && (h.opcode == tftp::WRQ || h.opcode == tftp::RRQ)) {
                if (in_write && seen.size() == blocks) return true;
                auto r = tftp::ParseRequest(d.data(), d.size());
                in_write = h.opcode == tftp::WRQ && r && r->name == f.name;
                seen.clear();
            } else if (in_write && h.valid && h.opcode == tftp::DATA && h.field >= 1 &&
                       h.field <= blocks) {
                std::size_t off = (h.field - 1u) * tftp::kBlockSize;
                std::size_t len = std::min(tftp::kBlockSize, f.data.size() - off);
                if (d.size() == 4 + len &&
                    std::equal(d.begin() + 4, d.end(), f.data.begin() + static_cast<long>(off)))
                    seen.insert(h.field);
            }
        }
        return in_write && seen.size() == blocks;
    }

    // The files in the scratch folder that the run was not asked to write (the plan's own
    // inputs and the configuration pack are expected; the pack's partial copy only while the
    // run has neither ended nor stopped).
    std::vector<std::string> StrayFiles() const {
        std::set<std::string> allowed = {"fw.comp", "fw.pack", "config.pack"};
        RunPhase phase = TheRunObserver().Phase();
        if (phase != RunPhase::kEnded && phase != RunPhase::kStopped)
            allowed.insert("config.pack.part");
        std::vector<std::string> stray;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(rig_.dir, ec)) {
            std::string name = e.path().filename().string();
            if (!allowed.count(name)) stray.push_back(name);
        }
        return stray;
    }

private:
    // Loopback peers live on the host's own stack (see hostile_peer.h).
    fw::NetStack& StackFor(std::uint32_t addr) {
        return (addr >> 24) == 127 ? *rig_.host : rig_.net.AddHost(addr);
    }

    const fw::Datagram* LastFromHost() const {
        const auto& trace = rig_.net.Trace();
        auto it = std::find_if(trace.rbegin(), trace.rend(),
                               [](const fw::Datagram& d) { return d.from.addr == kHostAddr; });
        return it == trace.rend() ? nullptr : &*it;
    }

    void PrepareFiles(bool criteria_skipped) {
        ByteVector image = BuildImage("10400001", Pattern(1100, 3));
        AppendCompatibleList(image, {"OTHER-BOARD", kBoardId});
        EngineHost().image_box = rig_.Write("fw.comp", image);
        std::vector<PackItem> items = {{"kernel", Pattern(700, 11)},
                                       {"hw.cond", ToBytes("board=SIM\n")},
                                       {"rootfs", Pattern(512, 5)}};
        if (plan_ == HostilePlan::kImageSend) expected_.push_back({"image", image});
        if (plan_ != HostilePlan::kPackSend) return;
        EngineHost().image_box = rig_.Write("fw.pack", BuildPack("PK11", "HW1", items));
        std::erase_if(items,
                      [&](const PackItem& i) { return criteria_skipped && i.name == "hw.cond"; });
        expected_ = items;
    }

    fw::ScriptedDesktop desktop_;  // outlives the rig, which uninstalls whatever desktop is in
    EngineRig rig_;
    HostilePeer modem_;
    HostilePeer stranger_;
    HostilePlan plan_;
    std::vector<PackItem> expected_;
    std::function<void()> repeat_;  // the last datagram sent, again
    mutable std::size_t scanned_ = 0;  // trace entries counted by TransferPort
    mutable int requests_ = 0;
    bool tolerated_ = false;
};

}  // namespace testhost
