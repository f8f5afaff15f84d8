// One chaos scenario: the files of the operation, the line that mangles datagrams, the run,
// and the judgement of what the run claimed against what the modem holds.
#include <algorithm>
#include <filesystem>
#include <memory>

#include "formats/pack_builder.h"
#include "sequencer/sequencer.h"
#include "sequencer/step_ring.h"
#include "testing/chaos.h"
#include "testing/engine_rig.h"
#include "testing/test_host.h"
#include "tftp/client_texts.h"
#include "tftp/engine_globals.h"
#include "tftp/modem_info.h"
#include "tftp/run_observer.h"

namespace chaos {

namespace {

using testhost::EngineHost;
using testhost::EngineRig;

// The longest the Password box keeps: the likelier a leak is to show.
constexpr const char* kPassword = "Chaos-Key-7Qx!mZ2#rT9@vL4&wP8";
constexpr std::size_t kLargest = 200 * 1024;
constexpr fw::Millis kCountdown = 36000;  // 35 seconds counted down, and the last tick
const char* const kConfigNames[] = {"initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"};

// What the run must leave behind when it claims success (and, for the pack, when it fails).
struct Expected {
    std::vector<int> plan;
    RunEnd end = RunEnd::kFinalStep;  // how a success ends
    const char* done_box = nullptr;   // the one box a success leaves, if any
    std::vector<PackItem> writes;     // the modem's completed writes, the unlock key excepted
    ByteVector pack_before;           // at the configuration pack's place before the run
    ByteVector pack_after;            // there after a success
    std::vector<std::string> fields;
};

using Content = Draw<std::mt19937>;

std::vector<std::string> InfoFields() {
    return {g_szCompany.str(),         g_szDate.str(),      g_szHardwareVersion.str(),
            g_szFirmwareVersion.str(), g_szProductId.str(), g_szMacAddress.str(),
            g_szTftpVersion.str(),     g_szHwProfile.str()};
}

void ClearInfoFields() {
    ClearModemInfoFields();
    g_szCompany.Clear();
    g_szDate.Clear();
    g_szTftpVersion.Clear();
}

// An upgrade's writes: `sent` between the bracket's begin marker and its reboot and end markers.
std::vector<PackItem> Bracketed(std::vector<PackItem> sent) {
    const ByteVector marker = ToBytes("\r\n");
    sent.insert(sent.begin(), {"tftpupdt.beg", marker});
    sent.push_back({"tftpupdt.rbt", marker});
    sent.push_back({"tftpupdt.end", marker});
    return sent;
}

// The operation's files in the scratch folder, which is also the modem's: the host's inputs
// and the modem's own, drawn from `c`, and what a run must make of them.
Expected Prepare(EngineRig& rig, Operation op, Content& c) {
    Expected e;
    switch (op) {
        case Operation::kImageUpgrade: {
            ByteVector image = BuildImage("10400001", c.Bytes(c.Size(kLargest - 12)));
            EngineHost().image_box = rig.Write("fw.comp", image);
            e.writes = Bracketed({{"image", image}});
            break;
        }
        case Operation::kPackUpgrade: {  // two to four of the five, together within kLargest
            std::vector<std::string> names = {"kernel", "rootfs", "hw.cond", "config", "web"};
            std::vector<PackItem> items;
            std::size_t left = kLargest;
            for (unsigned n = 2 + c.Below(3); items.size() < n;) {
                auto name = names.begin() + c.Below(static_cast<unsigned>(names.size()));
                std::size_t size = std::min(c.Size(kLargest), left);
                left -= size;
                items.push_back({*name, c.Bytes(size)});
                names.erase(name);
            }
            bool skipped = testhost::Host().criteria_skipped = c.Below(2) == 0;
            bool pk11 = c.Below(2) == 0;
            EngineHost().image_box = rig.Write(
                "fw.pack", BuildPack(pk11 ? "PK11" : "PACK", pk11 ? "1.0" : "HW000001", items));
            std::erase_if(items, [&](const PackItem& i) { return skipped && i.name == "hw.cond"; });
            e.writes = Bracketed(items);
            break;
        }
        case Operation::kModemInfo:  // the fields are what the parser makes of first blocks
            e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_MODEM_INFO, STEP_GET_FILES,
                      STEP_SHOW_MODEM_INFO};
            ClearInfoFields();
            for (std::string name : {"ProductInfo", "info", "hw.prof"}) {
                if (c.OneIn(8)) continue;  // now and then the modem has no such file
                std::string text;
                for (unsigned i = 0, n = name == "hw.prof" ? 0 : 1 + c.Below(4); i < n; ++i)
                    text += (i ? ";" : "") + std::string(c.Below(3) ? "" : "  ") +
                            c.Text(c.Below(40));
                if (name == "hw.prof") text = c.Text(c.Size(1500));
                ByteVector bytes = ToBytes(text);
                rig.Write(name, bytes);
                ParseModemInfo(name, bytes.data(), std::min<std::size_t>(bytes.size(), 512));
            }
            e.fields = InfoFields();
            ClearInfoFields();
            break;
        case Operation::kConfigGet: {
            e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES,
                      STEP_REPORT_CONFIG_SAVED};
            e.done_box = "Get configuration done!";
            std::vector<PackItem> files;
            for (const char* name : kConfigNames)
                files.push_back({name, c.OneIn(8) ? ByteVector() : c.Bytes(c.Size(4000))});
            // A modem holding none of them cannot give a configuration: it keeps one, at least.
            if (std::all_of(files.begin(), files.end(), [](auto& f) { return f.data.empty(); }))
                files[0].data = c.Bytes(1 + c.Size(4000));
            for (const PackItem& f : files)
                if (!f.data.empty()) rig.Write(f.name, f.data);
            e.pack_after = BuildPack("PK11", "", files);
            e.pack_before = ToBytes("the pack saved before");
            rig.Write("config.pack", e.pack_before);
            break;
        }
        case Operation::kConfigPut:
            e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE, STEP_REPORT_DOWNLOAD_DONE};
            e.done_box = "Download Success!";
            for (const char* name : kConfigNames) e.writes.push_back({name, c.Bytes(c.Size(4000))});
            EngineHost().tab_index = 1;
            EngineHost().restore_box = rig.Write("restore.pack", BuildPack("PK11", "", e.writes));
            break;
        case Operation::kDownloadFiles: {
            e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_MACRO_FILE, STEP_OTHER_FILE_1,
                      STEP_OTHER_FILE_2};
            e.end = RunEnd::kPlanExhausted;
            std::string macro = c.Text(c.Below(1000)) + "\r\n";
            EngineHost().macro_box = rig.Write("macro.txt", macro);
            e.writes.push_back({"cmdmacro", ToBytes(macro)});
            for (std::string destination : {"first.bin", "second.bin"}) {
                e.writes.push_back({destination, c.Bytes(c.Size(8192))});
                EngineHost().rows[e.writes.size() - 2] = {
                    true, rig.Write("row" + destination, e.writes.back().data), destination};
            }
            break;
        }
    }
    if (e.plan.empty())
        e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_SEND_IMAGE,
                  STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS};
    return e;
}

// The line between host and modem. With answers from the modem's listening port, a copy
// that would arrive after the host has made its next request is lost instead: there, a stale
// datagram with the awaited block number cannot be told from the real one, by anyone.
struct Line {
    LineFaults f;
    bool within_transfer;
    Draw<std::mt19937> draw{f.seed};
    std::shared_ptr<int> epoch = std::make_shared<int>(0);  // requests the host made

    std::vector<fw::Delivery> Shape(const fw::Datagram& d) {
        tftp::Header h = tftp::ParseHeader(d.bytes.data(), d.bytes.size());
        bool request =
            d.from.addr == testhost::kHostAddr && (h.opcode == tftp::RRQ || h.opcode == tftp::WRQ);
        if (request) ++*epoch;
        // The completion report is the modem's one datagram that nothing sends again.
        bool report = h.opcode == tftp::ACK && h.field == tftp::kCompletionBlock;
        if (!report && Roll(f.loss_percent)) return {};
        fw::Millis first = Roll(f.delay_percent)     ? Delay(0, f.max_delay_ms)
                           : Roll(f.reorder_percent) ? Delay(1, 60)
                                                     : 0;
        std::vector<fw::Delivery> copies{{first, Still(first > 0)}};
        // A request sent twice is a second request to any TFTP service (the host's own
        // retries go out from a fresh port for that reason): the line repeats none.
        if (!request && Roll(f.duplicate_percent))
            copies.push_back({first + Delay(1, f.max_gap_ms), Still(true)});
        return copies;
    }
    bool Roll(int percent) { return percent > 0 && draw.Between(0, 99) < percent; }
    fw::Millis Delay(int low, int high) { return high <= low ? low : draw.Between(low, high); }
    std::function<bool()> Still(bool held) {
        if (!within_transfer || !held) return {};
        return [epoch = epoch, at = *epoch] { return *epoch == at; };
    }
};

// The checks of a settled run, each naming what broke (empty: nothing).
struct Judge {
    const EngineRig& rig;
    const Expected& e;

    // Whatever happened, the modem's completed writes are the plan's, in its order, whole:
    // a prefix of them, all of them when `all`; then the observer reports the same ones
    // (what --json lists), once each, with their sizes.
    std::string WritesDiffer(bool all) const {
        std::vector<PackItem> taken;
        for (const auto& f : rig.modems[0]->Received())
            if (f.complete && f.name != "tftplock.key") taken.push_back({f.name, f.bytes});
        auto same = [](const PackItem& a, const PackItem& b) {
            return a.name == b.name && a.data == b.data;
        };
        if (taken.size() > e.writes.size() || (all && taken.size() != e.writes.size()) ||
            !std::equal(taken.begin(), taken.end(), e.writes.begin(), same))
            return "the modem took [" + Listed(taken) + "] of [" + Listed(e.writes) + "]";
        std::vector<PackItem> reported;
        for (const ClientTransferRecord& t : TheRunObserver().FinishedTransfers())
            if (t.write && t.name != "tftplock.key")
                reported.push_back({t.name, ByteVector(static_cast<std::size_t>(t.bytes))});
        if (all && Listed(reported) != Listed(e.writes))
            return "the observer reports [" + Listed(reported) + "] as written whole";
        return {};
    }

    // The configuration pack's place holds `pack` (nothing: no file), and no partial copy.
    std::string PackDiffers(const ByteVector& pack) const {
        if (rig.Read(rig.Path("config.pack")) != pack)
            return &pack == &e.pack_before ? "a failed run replaced the pack"
                                           : "the saved pack does not hold the modem's files";
        if (std::filesystem::exists(rig.Path("config.pack.part")))
            return "a partial pack was left";
        return {};
    }

    // The password is in no file but the unlock key and "RequestID", and those hold it alone.
    std::string PasswordLeak() const {
        const std::string pw = kPassword;
        for (const auto& f : rig.modems[0]->Received()) {
            std::string bytes(f.bytes.begin(), f.bytes.end());
            bool key = f.name == "tftplock.key" || f.name == "RequestID";
            if (!key && bytes.find(pw) != std::string::npos) return "the password in " + f.name;
            if (key && f.complete && bytes != pw + "\r\n") return "a key of other bytes";
        }
        return {};
    }

    // A stop names its reason in a box the user saw, and warns of update mode while the
    // bracket is open.
    std::string Dishonest() const {
        const RunObserver& o = TheRunObserver();
        const std::string& message = o.StopMessage();
        const std::string line = std::string("\n") + kUpdateModeText;
        if (message.empty()) return "stopped without a message";
        const auto& boxes = rig.desktop.Boxes();
        if (std::none_of(boxes.begin(), boxes.end(), [&](auto& b) { return b.text == message; }))
            return "stopped with \"" + message + "\" that no box showed";
        if (o.UpdateBracketOpen() && !(message.size() > line.size() && message.ends_with(line)))
            return "stopped inside the update bracket without saying so: " + message;
        return WritesDiffer(false).empty() ? PackDiffers(e.pack_before)
                                           : "after the stop: " + WritesDiffer(false);
    }

    // What is wrong with the success the run claims: the same questions for every operation.
    std::string WhatIsWrong(const std::vector<std::string>& fields_shown) const {
        // The one box a success leaves, if any, and that no stop.
        const auto& boxes = rig.desktop.Boxes();
        if (e.done_box ? boxes.size() != 1 || !boxes[0].text.starts_with(e.done_box) ||
                             (boxes[0].flags & 0xF0) == fw::MB_ICONSTOP ||
                             (boxes[0].flags & 0x0F) == fw::MB_RETRYCANCEL
                       : !boxes.empty())
            return "showed other boxes than " + std::string(e.done_box ? e.done_box : "none");
        if (TheRunObserver().EndReason() != e.end) return "ended otherwise than the plan ends";
        const auto& host = EngineHost();
        if (host.upgrade_status_shown != std::ranges::count(e.plan, STEP_SHOW_UPGRADE_STATUS) ||
            host.modem_info_shown != std::ranges::count(e.plan, STEP_SHOW_MODEM_INFO))
            return "the final dialog was not shown once";
        if (TheRunObserver().UpdateBracketOpen()) return "the update bracket is still open";
        if (fields_shown != e.fields) return "the information fields are not the modem's";
        std::string pack = PackDiffers(e.pack_after);
        return pack.empty() ? WritesDiffer(true) : pack;
    }

    static std::string Listed(const std::vector<PackItem>& files) {
        std::string out;
        for (const PackItem& f : files)
            out += (out.empty() ? "" : ", ") + f.name + " " + std::to_string(f.data.size());
        return out;
    }
};

}  // namespace

Result Run(const Scenario& s) {
    EngineRig rig({.answer_from_listen_port = s.listen_port_replies,
                   .modem_max_retransmits = std::max(5, s.retry_budget),  // as the host may
                   .password = kPassword});
    rig.desktop.SetDefaultAnswer(fw::IDCANCEL);  // nobody is there to press Retry
    testhost::Host().retry_text = std::to_string(s.retry_budget);
    testhost::Host().timeout_text = std::to_string(s.timeout_seconds);
    testhost::Host().log_enabled = false;
    Content content(s.content_seed);
    const Expected e = Prepare(rig, s.op, content);
    rig.modems[0]->SetFaults(s.modem);
    Line line{s.line, s.listen_port_replies};
    rig.net.SetShaper([&line](const fw::Datagram& d) { return line.Shape(d); });
    bool report_seen = false;
    std::vector<std::string> fields_shown;
    EngineHost().while_upgrade_status = [&] {
        report_seen = rig.loop.RunUntil([] { return g_bUpdateComplete != 0; }, kCountdown);
    };
    EngineHost().while_modem_info = [&] { fields_shown = InfoFields(); };

    const RunObserver& o = TheRunObserver();
    fw::Millis started = rig.loop.Now();
    ResetStepRings();
    for (int code : e.plan) g_planRing.Push(code);
    RunSequencer();
    // Generous: every retry the budget allows, each after the longest wait of the line.
    fw::Millis wait =
        std::max(1000, s.timeout_seconds * 1000) + s.line.max_delay_ms + s.line.max_gap_ms;
    fw::Millis limit = (static_cast<fw::Millis>(s.retry_budget) + 2) * 4 * (wait + 2000) + 120000;
    rig.loop.RunUntil([&] { return o.Phase() != RunPhase::kRunning || !o.IsPending(); }, limit);

    // The judgement, from the worst down: a hang, a leak, a dishonest stop, a false success.
    Result r{Verdict::kHang, {}, rig.HostSentNames()};
    auto verdict = [&r](Verdict v, std::string why) {
        r.verdict = v;
        r.reason = std::move(why);
        return r;
    };
    if (o.IsPending() || o.Phase() == RunPhase::kRunning)
        return verdict(Verdict::kHang, o.IsPending() ? "did not end"
                                                     : "stalled: running with no timer, no dialog");
    fw::Millis quiet = rig.loop.Now() - std::max(o.LastTraffic(), started);
    if (quiet > std::max(1000, s.timeout_seconds * 1000) +
                    (EngineHost().upgrade_status_shown ? kCountdown : 0))
        return verdict(Verdict::kHang, "ended " + std::to_string(quiet) + " ms after the traffic");
    Judge judge{rig, e};
    if (std::string leak = judge.PasswordLeak(); !leak.empty())
        return verdict(Verdict::kViolation, leak);
    if (o.Phase() == RunPhase::kStopped) {
        std::string why = judge.Dishonest();
        return why.empty() ? verdict(Verdict::kHonestFailure, o.StopMessage())
                           : verdict(Verdict::kViolation, why);
    }
    if (o.Phase() != RunPhase::kEnded)
        return verdict(Verdict::kViolation, "neither ended nor stopped");
    if (std::string wrong = judge.WhatIsWrong(fields_shown); !wrong.empty())
        return verdict(Verdict::kFalseSuccess, wrong);
    // Without the modem's report an upgrade ends with the "check LED" line (status 3),
    // which claims no success.
    if (std::ranges::count(e.plan, STEP_SHOW_UPGRADE_STATUS) && !report_seen)
        return verdict(Verdict::kHonestFailure, "no completion report in the countdown");
    return verdict(Verdict::kSuccess, {});
}

}  // namespace chaos
