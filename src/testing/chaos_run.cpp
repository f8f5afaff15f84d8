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
const char* const kInfoNames[] = {"ProductInfo", "info", "hw.prof"};

// What the modem and the host must hold when the run claims success.
struct Expected {
    std::vector<PackItem> writes;  // the modem's completed writes, the unlock key excepted
    ByteVector config_pack;        // a configuration read: the saved pack
    ByteVector old_pack;           // what stood at the pack's place before the run
    std::vector<std::string> fields;
    std::vector<int> plan;
};

class Content {
public:
    Content(std::uint32_t seed, std::optional<std::size_t> size) : rng_(seed), size_(size) {}

    std::size_t Size(std::size_t cap) {
        if (size_) return std::min(*size_, cap);
        unsigned kind = rng_() % 100;
        std::size_t max = kind < 50 ? 3000 : kind < 85 ? 40000 : cap;
        std::size_t size = rng_() % (std::min(max, cap) + 1);
        if (rng_() % 6 == 0) size = size / 512 * 512;  // a last block with no data
        return size;
    }
    ByteVector Bytes(std::size_t n) {
        ByteVector out(n);
        for (auto& b : out) b = static_cast<std::uint8_t>(rng_());
        return out;
    }
    std::string Text(std::size_t n) {
        static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789 .-/:;";
        std::string out(n, ' ');
        for (auto& c : out) c = kChars[rng_() % (sizeof kChars - 1)];
        return out;
    }
    bool OneIn(unsigned n) { return rng_() % n == 0; }
    unsigned Below(unsigned n) { return rng_() % n; }
    // Now and then the modem has no such file.
    bool Missing() { return !size_ && OneIn(8); }

private:
    std::mt19937 rng_;
    std::optional<std::size_t> size_;
};

PackItem Marker(const char* name) {
    return {name, ToBytes("\r\n")};
}

void PutLe32(ByteVector& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The configuration pack the client writes: "PK11", an empty version, the names with their
// lengths, the end of the table, then the files in list order.
ByteVector ConfigPack(const std::vector<PackItem>& files) {
    ByteVector out = ToBytes("PK11");
    out.push_back(0);
    for (const PackItem& f : files) {
        ByteVector name = ToBytes(f.name);
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
        PutLe32(out, static_cast<std::uint32_t>(f.data.size()));
    }
    out.push_back(0);
    for (const PackItem& f : files) out.insert(out.end(), f.data.begin(), f.data.end());
    return out;
}

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

std::vector<PackItem> PackEntries(Content& c) {
    std::vector<std::string> names = {"kernel", "rootfs", "hw.cond", "config", "web"};
    std::vector<PackItem> items;
    std::size_t count = 2 + c.Below(3), left = kLargest;
    while (items.size() < count) {
        std::string name = names[c.Below(static_cast<unsigned>(names.size()))];
        names.erase(std::find(names.begin(), names.end(), name));
        std::size_t size = std::min(c.Size(kLargest), left);
        left -= size;
        items.push_back({name, c.Bytes(size)});
    }
    return items;
}

Expected PrepareUpgrade(EngineRig& rig, Content& c, bool pack) {
    Expected e;
    e.plan = {STEP_CONNECT,           STEP_PUT_LOCK_KEY,   STEP_PUT_UPDATE_BEGIN,   STEP_SEND_IMAGE,
              STEP_PUT_UPDATE_REBOOT, STEP_PUT_UPDATE_END, STEP_SHOW_UPGRADE_STATUS};
    e.writes.push_back(Marker("tftpupdt.beg"));
    if (pack) {
        std::vector<PackItem> items = PackEntries(c);
        Host().criteria_skipped = c.OneIn(2);
        bool pk11 = c.OneIn(2);
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
    e.writes.push_back(Marker("tftpupdt.rbt"));
    e.writes.push_back(Marker("tftpupdt.end"));
    return e;
}

Expected PrepareModemInfo(EngineRig& rig, Content& c) {
    Expected e;
    e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_MODEM_INFO, STEP_GET_FILES,
              STEP_SHOW_MODEM_INFO};
    ClearInfoFields();
    for (const char* name : kInfoNames) {
        if (c.Missing()) continue;
        std::string text;
        if (std::string(name) == "hw.prof") {
            text = c.Text(c.Size(1500));
        } else {
            int fields = 1 + static_cast<int>(c.Below(4));
            for (int i = 0; i < fields; ++i) {
                if (i) text += ';';
                if (c.OneIn(3)) text += "  ";
                text += c.Text(c.Below(40));
            }
        }
        rig.Write(name, text);
        ByteVector bytes = ToBytes(text);
        ParseModemInfo(name, bytes.data(), std::min<std::size_t>(bytes.size(), 512));
    }
    e.fields = InfoFields();
    ClearInfoFields();
    return e;
}

Expected PrepareConfigGet(EngineRig& rig, Content& c) {
    Expected e;
    e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_CONFIG_FILES, STEP_REPORT_CONFIG_SAVED};
    std::vector<PackItem> files;
    for (const char* name : kConfigNames) {
        ByteVector bytes;
        if (!c.Missing()) {
            bytes = c.Bytes(c.Size(4000));
            rig.Write(name, bytes);
        }
        files.push_back({name, bytes});
    }
    e.config_pack = ConfigPack(files);
    e.old_pack = ToBytes("the pack saved before");
    rig.Write("config.pack", e.old_pack);
    return e;
}

Expected PrepareConfigPut(EngineRig& rig, Content& c) {
    Expected e;
    e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_SEND_IMAGE, STEP_REPORT_DOWNLOAD_DONE};
    for (const char* name : kConfigNames) e.writes.push_back({name, c.Bytes(c.Size(4000))});
    EngineHost().tab_index = 1;
    EngineHost().restore_box = rig.Write("restore.pack", ConfigPack(e.writes));
    return e;
}

Expected PrepareDownloadFiles(EngineRig& rig, Content& c) {
    Expected e;
    e.plan = {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_MACRO_FILE, STEP_OTHER_FILE_1,
              STEP_OTHER_FILE_2};
    std::string macro = c.Text(c.Below(1000)) + "\r\n";
    EngineHost().macro_box = rig.Write("macro.txt", macro);
    e.writes.push_back({"cmdmacro", ToBytes(macro)});
    const char* destinations[] = {"first.bin", "second.bin"};
    for (int row = 0; row < 2; ++row) {
        ByteVector bytes = c.Bytes(c.Size(8192));
        std::string source = rig.Write(std::string("row") + char('1' + row), bytes);
        EngineHost().rows[row] = {true, source, destinations[row]};
        e.writes.push_back({destinations[row], bytes});
    }
    return e;
}

Expected Prepare(EngineRig& rig, const Scenario& s) {
    Content c(s.content_seed, s.file_size);
    switch (s.op) {
        case Operation::kImageUpgrade:
            return PrepareUpgrade(rig, c, false);
        case Operation::kPackUpgrade:
            return PrepareUpgrade(rig, c, true);
        case Operation::kModemInfo:
            return PrepareModemInfo(rig, c);
        case Operation::kConfigGet:
            return PrepareConfigGet(rig, c);
        case Operation::kConfigPut:
            return PrepareConfigPut(rig, c);
        case Operation::kDownloadFiles:
            return PrepareDownloadFiles(rig, c);
    }
    return {};
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
        bool from_host = d.from.addr == testhost::kHostAddr;
        bool request = from_host && (h.opcode == tftp::RRQ || h.opcode == tftp::WRQ);
        if (request) ++*epoch_;
        // The completion report is the modem's one datagram that nothing sends again.
        bool report = h.opcode == tftp::ACK && h.field == tftp::kCompletionBlock;
        if (!report && Roll(f_.loss_percent)) return {};
        fw::Millis first = 0;
        if (Roll(f_.delay_percent)) {
            first = Draw(0, f_.max_delay_ms);
        } else if (Roll(f_.reorder_percent)) {
            first = Draw(1, 60);
        }
        std::vector<fw::Delivery> copies{{first, Still(first > 0)}};
        // A request sent twice is a second request to any TFTP service: the host's own
        // retries go out from a fresh port for that reason; the line does not repeat one.
        if (!request && Roll(f_.duplicate_percent)) {
            copies.push_back({first + Draw(1, f_.max_gap_ms), Still(true)});
        }
        return copies;
    }

private:
    bool Roll(int percent) { return percent > 0 && static_cast<int>(rng_() % 100) < percent; }
    fw::Millis Draw(int low, int high) {
        return high <= low ? low : low + static_cast<fw::Millis>(rng_() % (high - low + 1));
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

std::string Describe(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return "[" + out + "]";
}

class Judge {
public:
    Judge(EngineRig& rig, const Scenario& s, const Expected& e) : rig_(rig), s_(s), e_(e) {}

    Result Decide(bool settled, fw::Millis started, bool report_seen,
                  const std::vector<std::string>& fields_shown) {
        Result r;
        r.host_sent = rig_.HostSentNames();
        r.retries_spent = s_.retry_budget - rig_.client.retryBudget;
        const RunObserver& o = TheRunObserver();
        if (!settled) {
            return Fail(r, Verdict::kHang,
                        o.Phase() == RunPhase::kRunning && !o.IsPending()
                            ? "stalled: running with no timer and no dialog"
                            : "did not end");
        }
        fw::Millis quiet = rig_.loop.Now() - std::max(o.LastTraffic(), started);
        fw::Millis bound = std::max<fw::Millis>(1000, s_.timeout_seconds * 1000) +
                           (EngineHost().upgrade_status_shown ? kCountdown : 0);
        if (quiet > bound) {
            return Fail(r, Verdict::kHang,
                        "ended " + std::to_string(quiet) + " ms after its last datagram");
        }
        if (std::string leak = PasswordLeak(); !leak.empty())
            return Fail(r, Verdict::kViolation, leak);
        std::string writes = WritesDiffer();
        bool stop_box = StopBoxShown();
        if (o.Phase() == RunPhase::kStopped) {
            if (std::string why = Dishonest(); !why.empty())
                return Fail(r, Verdict::kViolation, why);
            if (!writes.empty()) return Fail(r, Verdict::kViolation, "after the stop: " + writes);
            if (std::string pack = PackAfterFailure(); !pack.empty())
                return Fail(r, Verdict::kViolation, pack);
            return Fail(r, Verdict::kHonestFailure, o.StopMessage());
        }
        if (o.Phase() != RunPhase::kEnded)
            return Fail(r, Verdict::kViolation, "neither ended nor stopped");
        if (stop_box) return Fail(r, Verdict::kViolation, "showed a stop message, then went on");
        // Ended: what it claims by operation.
        std::string wrong = WhatIsWrong(fields_shown);
        bool claims = Claims(report_seen);
        if (!writes.empty() && wrong.empty()) wrong = writes;
        if (!wrong.empty()) return Fail(r, Verdict::kFalseSuccess, wrong);
        if (!claims)
            return Fail(r, Verdict::kHonestFailure, "no completion report in the countdown");
        r.verdict = Verdict::kSuccess;
        return r;
    }

private:
    static Result Fail(Result r, chaos::Verdict v, const std::string& why) {
        r.verdict = v;
        r.reason = why;
        return r;
    }

    bool Upgrade() const {
        return s_.op == Operation::kImageUpgrade || s_.op == Operation::kPackUpgrade;
    }

    // Success as the user would read it; an upgrade without the modem's report ends with
    // the "check LED" line instead (status 3), which is no claim of success.
    bool Claims(bool report_seen) const { return !Upgrade() || report_seen; }

    std::string WhatIsWrong(const std::vector<std::string>& fields_shown) {
        const RunObserver& o = TheRunObserver();
        const auto& boxes = rig_.desktop.Boxes();
        switch (s_.op) {
            case Operation::kImageUpgrade:
            case Operation::kPackUpgrade:
                if (EngineHost().upgrade_status_shown != 1) return "no upgrade status dialog";
                if (o.UpdateBracketOpen()) return "the update bracket is still open";
                return WritesComplete();
            case Operation::kModemInfo:
                if (EngineHost().modem_info_shown != 1) return "no information dialog";
                if (fields_shown != e_.fields) return "the information fields are not the modem's";
                return {};
            case Operation::kConfigGet: {
                if (boxes.size() != 1 || boxes[0].text.rfind("Get configuration done!", 0) != 0)
                    return "no \"Get configuration done!\"";
                if (rig_.Read(rig_.Path("config.pack")) != e_.config_pack)
                    return "the saved pack does not hold the modem's files";
                return {};
            }
            case Operation::kConfigPut:
                if (boxes.size() != 1 || boxes[0].text.rfind("Download Success!", 0) != 0)
                    return "no \"Download Success!\"";
                return WritesComplete();
            case Operation::kDownloadFiles:
                if (o.EndReason() != RunEnd::kPlanExhausted || !boxes.empty())
                    return "did not end as the plan ran out";
                return WritesComplete();
        }
        return {};
    }

    std::vector<const modem::ReceivedFile*> CompletedWrites() const {
        std::vector<const modem::ReceivedFile*> out;
        for (const auto& f : rig_.modems[0]->Received()) {
            if (f.complete && f.name != "tftplock.key") out.push_back(&f);
        }
        return out;
    }

    // Whatever happened, the modem's completed writes are the plan's, in its order, whole:
    // a prefix of them on failure, all of them on success.
    std::string WritesDiffer() const {
        auto done = CompletedWrites();
        for (std::size_t i = 0; i < done.size(); ++i) {
            if (i >= e_.writes.size()) return "the modem took an extra file " + done[i]->name;
            if (done[i]->name != e_.writes[i].name)
                return "the modem took " + done[i]->name + " where " + e_.writes[i].name +
                       " belongs";
            if (done[i]->bytes != e_.writes[i].data)
                return "the modem holds " + done[i]->name + " with other bytes";
        }
        return {};
    }

    std::string WritesComplete() const {
        auto done = CompletedWrites();
        if (done.size() != e_.writes.size()) {
            std::vector<std::string> names;
            for (const auto* f : done) names.push_back(f->name);
            return "the modem took " + Describe(names) + " of " + std::to_string(e_.writes.size()) +
                   " files";
        }
        return {};
    }

    std::string PasswordLeak() const {
        const std::string pw = kPassword;
        for (const auto& f : rig_.modems[0]->Received()) {
            std::string bytes(f.bytes.begin(), f.bytes.end());
            if (f.name == "tftplock.key" || f.name == "RequestID") {
                if (f.complete && bytes != pw + "\r\n") return "a key of other bytes";
                continue;
            }
            if (bytes.find(pw) != std::string::npos) return "the password inside " + f.name;
        }
        return {};
    }

    bool StopBoxShown() const {
        for (const auto& b : rig_.desktop.Boxes()) {
            if ((b.flags & 0xF0) == fw::MB_ICONSTOP || (b.flags & 0x0F) == fw::MB_RETRYCANCEL)
                return true;
        }
        return false;
    }

    // A stop names its reason in a box the user saw, and warns of update mode while the
    // bracket is open.
    std::string Dishonest() const {
        const RunObserver& o = TheRunObserver();
        const std::string& message = o.StopMessage();
        if (message.empty()) return "stopped without a message";
        bool shown = false;
        for (const auto& b : rig_.desktop.Boxes()) shown |= b.text == message;
        if (!shown) return "stopped with \"" + message + "\" that no box showed";
        if (o.UpdateBracketOpen()) {
            std::string line = kUpdateModeText;
            if (message.size() < line.size() ||
                message.compare(message.size() - line.size(), line.size(), line) != 0)
                return "stopped inside the update bracket without saying so: " + message;
        }
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

void StartPlanOf(const std::vector<int>& plan) {
    ResetStepRings();
    for (int code : plan) g_planRing.Push(code);
    RunSequencer();
}

}  // namespace

const char* OperationName(Operation op) {
    switch (op) {
        case Operation::kImageUpgrade:
            return "image upgrade";
        case Operation::kPackUpgrade:
            return "pack upgrade";
        case Operation::kModemInfo:
            return "Modem Info";
        case Operation::kConfigGet:
            return "config get";
        case Operation::kConfigPut:
            return "config put";
        case Operation::kDownloadFiles:
            return "download files";
    }
    return "?";
}

const char* VerdictName(Verdict v) {
    switch (v) {
        case Verdict::kSuccess:
            return "success";
        case Verdict::kHonestFailure:
            return "honest failure";
        case Verdict::kFalseSuccess:
            return "false success";
        case Verdict::kHang:
            return "hang";
        case Verdict::kViolation:
            return "violation";
    }
    return "?";
}

Result Run(const Scenario& s) {
    testhost::RigOptions options;
    options.answer_from_listen_port = s.listen_port_replies;
    options.password = kPassword;
    // The modem keeps trying at least as long as the host may.
    options.modem_max_retransmits = std::max(5, s.retry_budget);
    options.completion_delay_ms = s.completion_delay_ms;
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
    StartPlanOf(expected.plan);
    fw::Millis timer = std::max(1000, s.timeout_seconds * 1000);
    fw::Millis limit = (static_cast<fw::Millis>(s.retry_budget) + 2) * 4 *
                           (timer + s.line.max_delay_ms + s.line.max_gap_ms + 2000) +
                       120000;
    bool settled =
        rig.loop.RunUntil([&] { return o.Phase() != RunPhase::kRunning || !o.IsPending(); }, limit);
    settled = settled && !o.IsPending() && o.Phase() != RunPhase::kRunning;
    return Judge(rig, s, expected).Decide(settled, started, report_seen, fields_shown);
}

}  // namespace chaos
