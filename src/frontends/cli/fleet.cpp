#include "frontends/cli/fleet.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "frontends/cli/child_process.h"
#include "frontends/cli/fleet_child.h"
#include "frontends/cli/fleet_table.h"
#include "frontends/cli/json_report.h"
#include "frontends/cli/log_file.h"
#include "frontends/cli/output.h"
#include "frontends/cli/signals.h"

namespace cli {

namespace {

constexpr const char* kSelf = "/proc/self/exe";
constexpr int kPollMillis = 100;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// What is kept of a child's words: its object is small, its other lines are messages.
constexpr std::size_t kMaxObjectBytes = 4 << 20;
constexpr std::size_t kMaxTextLines = 200;

struct Member {
    FleetModem modem;
    FleetRow row;
    std::unique_ptr<ChildProcess> child;
    std::string object;             // the child's stdout: its JSON object
    std::string pending;            // the child's stderr since its last line feed
    std::vector<std::string> text;  // its stderr lines that are no events
};

// The table, redrawn in place on a terminal, or printed once at the end elsewhere.
class FleetScreen {
public:
    FleetScreen(std::FILE* stream, bool live) : stream_(stream), live_(live) {}

    void Draw(const std::vector<FleetRow>& rows, bool now) {
        auto at = std::chrono::steady_clock::now();
        if (!live_ || (!now && at - drawn_ < kRedrawInterval)) return;
        drawn_ = at;
        std::string text;
        // Back to the table's first line, then every line over again.
        if (shown_ > 0) text += "\033[" + std::to_string(shown_) + "A";
        std::vector<std::string> lines = FleetTableLines(rows, Width());
        for (const std::string& line : lines) text += "\r\033[K" + line + "\n";
        shown_ = lines.size();
        Write(text);
    }

    void Finish(const std::vector<FleetRow>& rows) {
        if (live_) {
            Draw(rows, true);
        } else {
            std::string text;
            for (const std::string& line : FleetTableLines(rows, 0)) text += line + "\n";
            Write(text);
        }
        Write(FleetSummary(rows) + "\n");
    }

private:
    std::size_t Width() const {
        winsize size{};
        if (::ioctl(::fileno(stream_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
            return size.ws_col - 1;  // a full line would wrap on some terminals
        return 79;
    }
    void Write(const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stream_);
        std::fflush(stream_);
    }

    std::FILE* stream_;
    bool live_;
    std::size_t shown_ = 0;
    std::chrono::steady_clock::time_point drawn_{};
};

class Fleet {
public:
    Fleet(const CliOptions& options, Output& output) : o_(options), output_(output) {
        for (const FleetModem& modem : o_.fleet) {
            Member member;
            member.modem = modem;
            member.row.address = modem.address;
            members_.push_back(std::move(member));
        }
        std::size_t all = members_.size();
        jobs_ = o_.jobs > 0 ? static_cast<std::size_t>(o_.jobs) : all;
        jobs_ = std::min<std::size_t>(jobs_, kMaxJobs);
    }

    int Run() {
        if (!o_.logFile.empty()) {
            std::string error;
            if (!log_.Open(o_.logFile, error)) {
                output_.Err("Error:\nCannot open the log file " + o_.logFile + ": " + error + ".");
                return 1;
            }
        }
        std::FILE* stream = o_.json ? stderr : stdout;
        bool terminal = o_.json ? output_.ErrIsTerminal() : output_.OutIsTerminal();
        // Events for a program on stderr leave no room for a table redrawn there.
        bool live = terminal && !o_.quiet && !(o_.json && o_.jsonEvents);
        FleetScreen screen(stream, live);
        while (Step()) screen.Draw(Rows(), false);
        screen.Finish(Rows());
        if (o_.json) output_.JsonOut(FleetReportJson(Objects()));
        if (StopSignal() != 0) return ExitStatusForSignal(StopSignal());
        int status = 0;
        for (const Member& member : members_) status = std::max(status, member.row.status);
        return status;
    }

private:
    // Starts what may start, waits a little for the children's words; false once all ended.
    bool Step() {
        while (StopSignal() == 0 && running_ < jobs_ && next_ < members_.size()) {
            Start(members_[next_++]);
        }
        if (StopSignal() != 0 && !passedOn_) {
            // Every child winds down as a single run does and says what it interrupted.
            for (Member& member : members_) {
                if (member.child && !member.child->Waited()) member.child->Signal(StopSignal());
            }
            passedOn_ = true;
        }
        if (running_ == 0) return false;
        Listen();
        return true;
    }

    void Start(Member& member) {
        std::optional<std::string> password = FleetPassword(o_, member.modem);
        auto args = FleetChildArguments(o_, member.modem, password.has_value());
        member.child = std::make_unique<ChildProcess>();
        std::string error;
        if (!member.child->Start(kSelf, "sperrow", args, password, error)) {
            member.child.reset();
            End(member, 1, "Error:\nCannot start a run for this modem: " + error + ".");
            return;
        }
        member.row.state = FleetRow::State::kRunning;
        member.row.step = "starting";
        ++running_;
    }

    void Listen() {
        std::vector<pollfd> fds;
        std::vector<Member*> owners;
        for (Member& member : members_) {
            if (!member.child || member.child->Waited()) continue;
            for (int fd : {member.child->OutFd(), member.child->ErrFd()}) {
                if (fd < 0) continue;
                fds.push_back({fd, POLLIN, 0});
                owners.push_back(&member);
            }
        }
        int ready = ::poll(fds.data(), fds.size(), kPollMillis);
        if (ready <= 0) return;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            Member& member = *owners[i];
            if (fds[i].fd == member.child->OutFd()) {
                member.child->ReadOut(member.object);
                if (member.object.size() > kMaxObjectBytes) member.object.clear();
            } else {
                member.child->ReadErr(member.pending);
                TakeLines(member);
            }
        }
        for (Member& member : members_) {
            if (member.child && !member.child->Waited() && member.child->OutFd() < 0 &&
                member.child->ErrFd() < 0) {
                int status = member.child->Wait();
                --running_;
                TakeLines(member, true);
                End(member, status, "");
            }
        }
    }

    void TakeLines(Member& member, bool all = false) {
        std::size_t start = 0;
        for (std::size_t end; (end = member.pending.find('\n', start)) != std::string::npos;
             start = end + 1) {
            TakeLine(member, member.pending.substr(start, end - start));
        }
        member.pending.erase(0, start);
        if (all && !member.pending.empty()) TakeLine(member, member.pending);
    }

    void TakeLine(Member& member, const std::string& line) {
        std::optional<RunEvent> event = ParseRunEvent(line);
        if (!event) {
            if (member.text.size() < kMaxTextLines) member.text.push_back(line);
            return;
        }
        if (o_.jsonEvents) output_.JsonErr(line);
        if (event->kind == "step") {
            member.row.step = event->step;
            member.row.percent = -1;
        } else {
            member.row.file = event->file;
            member.row.percent = event->percent;
        }
    }

    // The child's own object when it printed one, else one made from what it said.
    void End(Member& member, int status, const std::string& why) {
        std::optional<CommandReport> report = ParseCommandReport(member.object);
        if (!report) {
            CommandReport made;
            made.command = CommandName(o_.command);
            made.modem = member.modem.address;
            made.status = status;
            made.messages = member.text;
            if (!why.empty()) made.messages.push_back(why);
            if (status != 0) {
                made.error = !why.empty()           ? why
                             : !member.text.empty() ? member.text.back()
                                                    : "The run ended without a result.";
            }
            member.object = CommandReportJson(made);
            report = made;
        }
        member.row.state = FleetRow::State::kDone;
        member.row.status = status;
        member.row.error = status == 0 ? "" : report->error.value_or("");
        log_.Append(member.modem.address, "Fleet run: " + FleetResult(member.row));
    }

    std::vector<FleetRow> Rows() const {
        std::vector<FleetRow> rows;
        for (const Member& member : members_) rows.push_back(member.row);
        return rows;
    }

    // One object per modem; a modem never started (a stop signal came first) has one that
    // says so.
    std::vector<std::string> Objects() const {
        std::vector<std::string> objects;
        for (const Member& member : members_) {
            if (member.row.state == FleetRow::State::kDone) {
                objects.push_back(member.object);
                continue;
            }
            CommandReport never;
            never.command = CommandName(o_.command);
            never.modem = member.modem.address;
            never.status = ExitStatusForSignal(StopSignal());
            never.error = "Not started: the fleet run was stopped.";
            objects.push_back(CommandReportJson(never));
        }
        return objects;
    }

    const CliOptions& o_;
    Output& output_;
    std::vector<Member> members_;
    std::size_t jobs_ = 1;
    std::size_t next_ = 0;
    std::size_t running_ = 0;
    bool passedOn_ = false;
    LogFile log_;
};

}  // namespace

int RunFleet(const CliOptions& options, Output& output) {
    return Fleet(options, output).Run();
}

}  // namespace cli
