// One chaos scenario: the files of the operation, the line that mangles datagrams, the run,
// and the judgement of what the run claimed against what the modem holds.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>

#include "formats/pack_builder.h"
#include "sequencer/sequencer.h"
#include "sequencer/step_ring.h"
#include "testing/chaos.h"
#include "testing/engine_rig.h"
#include "testing/test_engine_host.h"
#include "testing/test_host.h"
#include "tftp/client_texts.h"
#include "tftp/engine_globals.h"
#include "tftp/modem_info.h"
#include "tftp/run_observer.h"

namespace chaos {

namespace {

using testhost::EngineHost;
using testhost::EngineRig;
using testhost::Host;

// The longest the Password box keeps: the likelier a leak is to show.
constexpr const char* kPassword = "Chaos-Key-7Qx!mZ2#rT9@vL4&wP8";
constexpr std::size_t kLargest = 200 * 1024;
constexpr fw::Millis kCountdown = 36000;  // 35 seconds counted down, and the last tick
const char* const kConfigNames[] = {"initbridge", "initbrowser", "resolve", "imode", "dhcpd.conf"};

// What the run must leave behind when it claims success.
struct Expected {
    std::vector<int> plan;
    std::vector<PackItem> writes;  // the modem's completed writes, the unlock key excepted
    ByteVector config_pack;        // a configuration read: the saved pack
    ByteVector old_pack;           // what stood at the pack's place before the run
    std::vector<std::string> fields;
};

class Content {
public:
    explicit Content(std::uint32_t seed) : rng_(seed) {}

    // Mostly small, now and then up to `cap`; a multiple of 512 every sixth time.
    std::size_t Size(std::size_t cap) {
        unsigned kind = Below(100);
        std::size_t most = std::min<std::size_t>(kind < 50 ? 3000 : kind < 85 ? 40000 : cap, cap);
        std::size_t size = rng_() % (most + 1);
        return Below(6) == 0 ? size / 512 * 512 : size;
    }
    ByteVector Bytes(std::size_t n) {
        ByteVector out(n);
        for (auto& b : out) b = static_cast<std::uint8_t>(rng_());
        return out;
    }
    std::string Text(std::size_t n) {
        static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789 .-/:;";
        std::string out(n, ' ');
        for (auto& c : out) c = kChars[Below(sizeof kChars - 1)];
        return out;
    }
    unsigned Below(unsigned n) { return rng_() % n; }
    bool Missing() { return Below(8) == 0; }  // now and then the modem has no such file

private:
    std::mt19937 rng_;
};

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

Expected PrepareUpgrade(EngineRig& rig, Content& c, bool pack) {
    Expected e{{STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_PUT_UPDATE_BEGIN, STEP_SEND_IMAGE,
                STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS}};
    const ByteVector marker = ToBytes("\r\n");
    e.writes.push_back({"tftpupdt.beg", marker});
    if (pack) {
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
        Host().criteria_skipped = c.Below(2) == 0;
        bool pk11 = c.Below(2) == 0;
        EngineHost().image_box = rig.Write(
            "fw.pack", BuildPack(pk11 ? "PK11" : "PACK", pk11 ? "1.0" : "HW000001", items));
        for (const PackItem& i : items) {
            if (!(Host().criteria_skipped && i.name == "hw.cond")) e.writes.push_back(i);
        }
    } else {
        ByteVector image = BuildImage("10400001", c.Bytes(c.Size(kLargest - 12)));
        EngineHost().image_box = rig.Write("fw.comp", image);
        e.writes.push_back({"image", image});
    }
    e.writes.push_back({"tftpupdt.rbt", marker});
    e.writes.push_back({"tftpupdt.end", marker});
    return e;
}

// The fields expected are what the parser makes of each file's first block.
Expected PrepareModemInfo(EngineRig& rig, Content& c) {
    Expected e{{STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_MODEM_INFO, STEP_GET_FILES,
                STEP_SHOW_MODEM_INFO}};
    ClearInfoFields();
    for (std::string name : {"ProductInfo", "info", "hw.prof"}) {
        if (c.Missing()) continue;
        std::string text;
        for (unsigned i = 0, n = name == "hw.prof" ? 0 : 1 + c.Below(4); i < n; ++i)
            text += (i ? ";" : "") + std::string(c.Below(3) ? "" : "  ") + c.Text(c.Below(40));
        if (name == "hw.prof") text = c.Text(c.Size(1500));
        ByteVector bytes = ToBytes(text);
        rig.Write(name, bytes);
        ParseModemInfo(name, bytes.data(), std::min<std::size_t>(bytes.size(), 512));
    }
    e.fields = InfoFields();
    ClearInfoFields();
    return e;
}

Expected PrepareConfigGet(EngineRig& rig, Content& c) {
    Expected e{{STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES, STEP_REPORT_CONFIG_SAVED}};
    std::vector<PackItem> files;
    for (const char* name : kConfigNames) {
        files.push_back({name, c.Missing() ? ByteVector() : c.Bytes(c.Size(4000))});
        if (!files.back().data.empty()) rig.Write(name, files.back().data);
    }
    // A modem holding none of them cannot give a configuration: it keeps one, at least.
    if (std::all_of(files.begin(), files.end(), [](const PackItem& f) { return f.data.empty(); })) {
        files[0].data = c.Bytes(1 + c.Size(4000));
        rig.Write(files[0].name, files[0].data);
    }
    e.config_pack = BuildPack("PK11", "", files);
    e.old_pack = ToBytes("the pack saved before");
    rig.Write("config.pack", e.old_pack);
    return e;
}

Expected PrepareConfigPut(EngineRig& rig, Content& c) {
    Expected e{{STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE, STEP_REPORT_DOWNLOAD_DONE}};
    for (const char* name : kConfigNames) e.writes.push_back({name, c.Bytes(c.Size(4000))});
    EngineHost().tab_index = 1;
    EngineHost().restore_box = rig.Write("restore.pack", BuildPack("PK11", "", e.writes));
    return e;
}

Expected PrepareDownloadFiles(EngineRig& rig, Content& c) {
    Expected e{
        {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_MACRO_FILE, STEP_OTHER_FILE_1, STEP_OTHER_FILE_2}};
    std::string macro = c.Text(c.Below(1000)) + "\r\n";
    EngineHost().macro_box = rig.Write("macro.txt", macro);
    e.writes.push_back({"cmdmacro", ToBytes(macro)});
    for (int row = 0; row < 2; ++row) {
        ByteVector bytes = c.Bytes(c.Size(8192));
        std::string destination = row == 0 ? "first.bin" : "second.bin";
        EngineHost().rows[row] = {true, rig.Write("row" + destination, bytes), destination};
        e.writes.push_back({destination, bytes});
    }
    return e;
}

Expected Prepare(EngineRig& rig, const Scenario& s) {
    using Preparer = Expected (*)(EngineRig&, Content&);
    static const Preparer kPreparers[kOperationCount] = {
        [](EngineRig& r, Content& c) { return PrepareUpgrade(r, c, false); },
        [](EngineRig& r, Content& c) { return PrepareUpgrade(r, c, true); },
        PrepareModemInfo, PrepareConfigGet, PrepareConfigPut, PrepareDownloadFiles};
    Content c(s.content_seed);
    return kPreparers[static_cast<int>(s.op)](rig, c);
}

// The line between host and modem. With answers from the modem's listening port, a copy
// that would arrive after the host has made its next request is lost instead: there, a stale
// datagram with the awaited block number cannot be told from the real one, by anyone.
class Line {
public:
    Line(const LineFaults& f, bool within_transfer)
        : f_(f), rng_(f.seed), within_(within_transfer) {}

    std::vector<fw::Delivery> Shape(const fw::Datagram& d) {
        tftp::Header h = tftp::ParseHeader(d.bytes.data(), d.bytes.size());
        bool request =
            d.from.addr == testhost::kHostAddr && (h.opcode == tftp::RRQ || h.opcode == tftp::WRQ);
        if (request) ++*epoch_;
        // The completion report is the modem's one datagram that nothing sends again.
        bool report = h.opcode == tftp::ACK && h.field == tftp::kCompletionBlock;
        if (!report && Roll(f_.loss_percent)) return {};
        fw::Millis first = Roll(f_.delay_percent)     ? Draw(0, f_.max_delay_ms)
                           : Roll(f_.reorder_percent) ? Draw(1, 60)
                                                      : 0;
        std::vector<fw::Delivery> copies{{first, Still(first > 0)}};
        // A request sent twice is a second request to any TFTP service (the host's own
        // retries go out from a fresh port for that reason): the line repeats none.
        if (!request && Roll(f_.duplicate_percent))
            copies.push_back({first + Draw(1, f_.max_gap_ms), Still(true)});
        return copies;
    }

private:
    bool Roll(int percent) { return percent > 0 && static_cast<int>(rng_() % 100) < percent; }
    fw::Millis Draw(int low, int high) {
        return high <= low ? low : low + rng_() % (high - low + 1);
    }
    std::function<bool()> Still(bool held) {
        if (!within_ || !held) return {};
        return [epoch = epoch_, at = *epoch_] { return *epoch == at; };
    }

    LineFaults f_;
    std::mt19937 rng_;
    bool within_;
    std::shared_ptr<int> epoch_ = std::make_shared<int>(0);
};

class Judge {
public:
    Judge(EngineRig& rig, const Scenario& s, const Expected& e) : rig_(rig), s_(s), e_(e) {}

    Result Decide(bool settled, fw::Millis started, bool report_seen,
                  const std::vector<std::string>& fields_shown) {
        Result r{Verdict::kHang, {}, rig_.HostSentNames()};
        const RunObserver& o = TheRunObserver();
        auto verdict = [&r](Verdict v, const std::string& why) {
            r.verdict = v;
            r.reason = why;
            return r;
        };
        if (!settled) {
            bool stalled = o.Phase() == RunPhase::kRunning && !o.IsPending();
            return verdict(Verdict::kHang, stalled ? "stalled: running with no timer and no dialog"
                                                   : "did not end");
        }
        fw::Millis quiet = rig_.loop.Now() - std::max(o.LastTraffic(), started);
        fw::Millis bound = std::max(1000, s_.timeout_seconds * 1000) +
                           (EngineHost().upgrade_status_shown ? kCountdown : 0);
        if (quiet > bound)
            return verdict(Verdict::kHang,
                           "ended " + std::to_string(quiet) + " ms after its last datagram");
        if (std::string leak = PasswordLeak(); !leak.empty())
            return verdict(Verdict::kViolation, leak);
        std::string writes = WritesDiffer(false);
        if (o.Phase() == RunPhase::kStopped) {
            std::string why = Dishonest();
            if (why.empty() && !writes.empty()) why = "after the stop: " + writes;
            if (why.empty()) why = PackAfterFailure();
            return why.empty() ? verdict(Verdict::kHonestFailure, o.StopMessage())
                               : verdict(Verdict::kViolation, why);
        }
        if (o.Phase() != RunPhase::kEnded)
            return verdict(Verdict::kViolation, "neither ended nor stopped");
        if (StopBoxShown())
            return verdict(Verdict::kViolation, "showed a stop message, then went on");
        if (std::string wrong = WhatIsWrong(fields_shown); !wrong.empty())
            return verdict(Verdict::kFalseSuccess, wrong);
        // Without the modem's report an upgrade ends with the "check LED" line (status 3),
        // which claims no success.
        bool upgrade = s_.op == Operation::kImageUpgrade || s_.op == Operation::kPackUpgrade;
        if (upgrade && !report_seen)
            return verdict(Verdict::kHonestFailure, "no completion report in the countdown");
        return verdict(Verdict::kSuccess, {});
    }

private:
    // What is wrong with the success the run claims, by operation.
    std::string WhatIsWrong(const std::vector<std::string>& fields_shown) const {
        const auto& boxes = rig_.desktop.Boxes();
        auto box_begins = [&](const char* text) {
            return boxes.size() == 1 && boxes[0].text.rfind(text, 0) == 0;
        };
        switch (s_.op) {
            case Operation::kImageUpgrade:
            case Operation::kPackUpgrade:
                if (EngineHost().upgrade_status_shown != 1) return "no upgrade status dialog";
                if (TheRunObserver().UpdateBracketOpen()) return "the update bracket is still open";
                return WritesDiffer(true);
            case Operation::kModemInfo:
                if (EngineHost().modem_info_shown != 1) return "no information dialog";
                return fields_shown == e_.fields ? ""
                                                 : "the information fields are not the modem's";
            case Operation::kConfigGet:
                if (!box_begins("Get configuration done!")) return "no \"Get configuration done!\"";
                if (rig_.Read(rig_.Path("config.pack")) != e_.config_pack)
                    return "the saved pack does not hold the modem's files";
                return {};
            case Operation::kConfigPut:
                return box_begins("Download Success!") ? WritesDiffer(true)
                                                       : "no \"Download Success!\"";
            case Operation::kDownloadFiles:
                if (TheRunObserver().EndReason() != RunEnd::kPlanExhausted || !boxes.empty())
                    return "did not end as the plan ran out";
                return WritesDiffer(true);
        }
        return {};
    }

    // Whatever happened, the modem's completed writes are the plan's, in its order, whole:
    // a prefix of them, all of them when `all`.
    std::string WritesDiffer(bool all) const {
        std::size_t i = 0;
        std::string taken;
        for (const auto& f : rig_.modems[0]->Received()) {
            if (!f.complete || f.name == "tftplock.key") continue;
            if (i >= e_.writes.size()) return "the modem took an extra file " + f.name;
            if (f.name != e_.writes[i].name)
                return "the modem took " + f.name + " where " + e_.writes[i].name + " belongs";
            if (f.bytes != e_.writes[i].data)
                return "the modem holds " + f.name + " with other bytes";
            taken += (i++ ? ", " : "") + f.name;
        }
        if (all && i != e_.writes.size())
            return "the modem took [" + taken + "] of " + std::to_string(e_.writes.size()) +
                   " files";
        return all ? ReportedDiffer() : std::string();
    }

    // The writes the run observer reports as ended whole (what --json lists) are the ones
    // the modem took, once each, with their sizes.
    std::string ReportedDiffer() const {
        std::size_t i = 0;
        for (const ClientTransferRecord& t : TheRunObserver().FinishedTransfers()) {
            if (!t.write || t.name == "tftplock.key") continue;
            if (i >= e_.writes.size() || t.name != e_.writes[i].name ||
                t.bytes != static_cast<long long>(e_.writes[i].data.size()))
                return "the observer reports " + t.name + " (" + std::to_string(t.bytes) +
                       " bytes) as written whole out of turn";
            ++i;
        }
        if (i != e_.writes.size()) return "the observer reports fewer writes than the modem took";
        return {};
    }

    std::string PasswordLeak() const {
        const std::string pw = kPassword;
        for (const auto& f : rig_.modems[0]->Received()) {
            std::string bytes(f.bytes.begin(), f.bytes.end());
            if (f.name != "tftplock.key" && f.name != "RequestID") {
                if (bytes.find(pw) != std::string::npos) return "the password inside " + f.name;
            } else if (f.complete && bytes != pw + "\r\n") {
                return "a key of other bytes";
            }
        }
        return {};
    }

    bool StopBoxShown() const {
        return std::any_of(rig_.desktop.Boxes().begin(), rig_.desktop.Boxes().end(),
                           [](const auto& b) {
                               return (b.flags & 0xF0) == fw::MB_ICONSTOP ||
                                      (b.flags & 0x0F) == fw::MB_RETRYCANCEL;
                           });
    }

    // A stop names its reason in a box the user saw, and warns of update mode while the
    // bracket is open.
    std::string Dishonest() const {
        const RunObserver& o = TheRunObserver();
        const std::string& message = o.StopMessage();
        const std::string line = std::string("\n") + kUpdateModeText;
        if (message.empty()) return "stopped without a message";
        const auto& boxes = rig_.desktop.Boxes();
        if (std::none_of(boxes.begin(), boxes.end(),
                         [&](const auto& b) { return b.text == message; }))
            return "stopped with \"" + message + "\" that no box showed";
        bool warned = message.size() > line.size() &&
                      message.compare(message.size() - line.size(), line.size(), line) == 0;
        if (o.UpdateBracketOpen() && !warned)
            return "stopped inside the update bracket without saying so: " + message;
        return {};
    }

    std::string PackAfterFailure() const {
        if (s_.op != Operation::kConfigGet) return {};
        if (rig_.Read(rig_.Path("config.pack")) != e_.old_pack)
            return "a failed read replaced the pack";
        if (std::filesystem::exists(rig_.Path("config.pack.part")))
            return "a partial pack was left";
        return {};
    }

    EngineRig& rig_;
    const Scenario& s_;
    const Expected& e_;
};

}  // namespace

const char* OperationName(Operation op) {
    static const char* const kNames[] = {"image upgrade", "pack upgrade", "Modem Info",
                                         "config get",    "config put",   "download files"};
    return kNames[static_cast<int>(op)];
}

const char* VerdictName(Verdict v) {
    static const char* const kNames[] = {"success", "honest failure", "false success", "hang",
                                         "violation"};
    return kNames[static_cast<int>(v)];
}

Result Run(const Scenario& s) {
    testhost::RigOptions options;
    options.answer_from_listen_port = s.listen_port_replies;
    options.password = kPassword;
    options.modem_max_retransmits = std::max(5, s.retry_budget);  // as long as the host may
    EngineRig rig(options);
    rig.desktop.SetDefaultAnswer(fw::IDCANCEL);  // nobody is there to press Retry
    Host().retry_text = std::to_string(s.retry_budget);
    Host().timeout_text = std::to_string(s.timeout_seconds);
    Host().log_enabled = false;
    Expected expected = Prepare(rig, s);
    rig.modems[0]->SetFaults(s.modem);
    Line line(s.line, s.listen_port_replies);
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
    for (int code : expected.plan) g_planRing.Push(code);
    RunSequencer();
    // Generous: every retry the budget allows, each after the longest wait of the line.
    fw::Millis wait =
        std::max(1000, s.timeout_seconds * 1000) + s.line.max_delay_ms + s.line.max_gap_ms;
    fw::Millis limit = (static_cast<fw::Millis>(s.retry_budget) + 2) * 4 * (wait + 2000) + 120000;
    rig.loop.RunUntil([&] { return o.Phase() != RunPhase::kRunning || !o.IsPending(); }, limit);
    bool settled = !o.IsPending() && o.Phase() != RunPhase::kRunning;
    return Judge(rig, s, expected).Decide(settled, started, report_seen, fields_shown);
}

}  // namespace chaos
