#include "frontends/cli/driver.h"

#include <poll.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/main_dlg.h"
#include "app/run_description.h"
#include "dialogs/upgrade_status_dlg.h"
#include "framework/event_loop.h"
#include "framework/ui/dialog.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/list_box.h"
#include "frontends/cli/formatting.h"
#include "frontends/cli/json_report.h"
#include "frontends/cli/log_follower.h"
#include "frontends/cli/pack_destination.h"
#include "frontends/cli/progress_view.h"
#include "frontends/cli/session.h"
#include "frontends/cli/signals.h"
#include "frontends/cli/window_hands.h"
#include "pages/file_report.h"
#include "pages/upgrade_page.h"
#include "resources/resource.h"
#include "tftp/run_observer.h"

namespace cli {

namespace {

constexpr int kDefaultTimeoutSeconds = 3;
constexpr fw::Millis kPumpInterval = 100;
// The status dialog closes itself within 37 seconds; this only guards against a dialog
// that stopped ticking.
constexpr fw::Millis kStatusDialogLimit = 60000;
// The password box keeps this many characters; the rest is never sent.
constexpr std::size_t kPasswordLimit = 29;
// The exit status of an upgrade whose verification failed.
constexpr int kVerifyFailedStatus = 4;

bool SendsPassword(Command command) {
    return command != Command::kDescribe && command != Command::kServe &&
           command != Command::kInterfaces && command != Command::kTui && command != Command::kNone;
}

long long FileSize(const std::filesystem::path& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long long>(size);
}

// The sizes of the files the command has sent, by the name the engines log before each
// send, so that the progress line can tell bytes rather than blocks.
ProgressView::SizeSource SizesOfSentFiles(const CliOptions& o) {
    std::map<std::string, long long> sizes;
    if (o.command == Command::kUpgrade && o.vxworks) {
        // The local server sends from the image's folder, whatever the modem asks for.
        std::filesystem::path folder = std::filesystem::absolute(o.file).parent_path();
        return [folder](const std::string& name) { return FileSize(folder / name); };
    }
    if (o.command == Command::kUpgrade || o.command == Command::kConfigPut) {
        sizes = SentFileSizes(o.file);
    } else if (o.command == Command::kSend) {
        if (o.macro) sizes["cmdmacro"] = FileSize(*o.macro);
        for (const auto& row : {o.file1, o.file2}) {
            if (row) sizes[row->destination] = FileSize(row->source);
        }
    }
    return [sizes](const std::string& name) {
        auto it = sizes.find(name);
        return it == sizes.end() ? -1LL : it->second;
    };
}

const char* OutcomeName(VerifyOutcome outcome) {
    switch (outcome) {
        case VerifyOutcome::kVerified:
            return "verified";
        case VerifyOutcome::kChanged:
            return "changed";
        case VerifyOutcome::kWrongFirmware:
            return "wrong-firmware";
        case VerifyOutcome::kUnchanged:
            return "unchanged";
        case VerifyOutcome::kNoReturn:
            return "no-return";
        case VerifyOutcome::kPending:
        case VerifyOutcome::kAbandoned:
            break;
    }
    return "abandoned";
}

fw::Millis Now() {
    return fw::MainLoop().Now();
}

bool IsNumber(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

}  // namespace

fw::Millis StallLimit(int timeout_seconds) {
    return std::max<fw::Millis>(2LL * timeout_seconds * 1000, 5000);
}

Driver::Driver(Session& session) : session_(session) {}

Driver::~Driver() {
    Finish();
}

void Driver::Finish() {
    session_.SetPack(nullptr);
    pack_.reset();
    progress_.reset();
    log_.reset();
    hands_.reset();
    main_ = nullptr;
}

int Driver::RunModal(fw::CDialog& dialog) {
    if (auto* main = dynamic_cast<CMainDlg*>(&dialog)) {
        Drive(*main);
        NoteInterrupt();
        // Nothing the command started may reach the window once it is gone.
        progress_.reset();
        log_.reset();
        if (!dialog.IsEnded()) dialog.EndDialog(fw::IDOK);
        return dialog.ModalResult();
    }
    switch (dialog.TemplateId()) {
        case IDD_UPGRADE_STATUS:
            return FollowUpgradeStatus(dialog);
        case IDD_MODEM_INFO:
            return ShowModemInfo(dialog);
        default:
            dialog.EndDialog(fw::IDOK);
            return fw::IDOK;
    }
}

void Driver::Drive(CMainDlg& main) {
    main_ = &main;
    const CliOptions& o = session_.Options();
    if (session_.Failed()) return;  // the window has said what went wrong as it opened
    if (!main.UpgradePage()) {
        session_.Fail("Error:\nThe window opened without its pages.");
        return;
    }
    bool needs_server =
        o.command == Command::kServe || (o.command == Command::kUpgrade && o.vxworks);
    if (needs_server && !main.IsServerOpen()) {
        session_.Fail("Error:\nThe local TFTP server is not running.");
        return;
    }
    hands_ = std::make_unique<WindowHands>(main);
    Output& out = session_.Out();
    // The address the command talks to, as the box holds it before a broadcast hides it.
    std::string address = "-";
    if (SendsPassword(o.command) && main.ModemAddress()) {
        address = o.modem.value_or(main.ModemAddress()->GetWindowText());
        session_.SetModemAddress(address);
    }
    if (!ApplyWindowSettings(*hands_, o)) {
        Refused();
        return;
    }
    log_ = std::make_unique<LogFollower>(main, out, o.log, session_.Log(), address);
    bool bar = out.ErrIsTerminal() && !o.quiet && !o.jsonEvents;
    if (bar || o.jsonEvents) {
        ProgressView::Sink sink = bar ? ProgressBarSink(out) : ProgressEventSink(address);
        progress_ = std::make_unique<ProgressView>(
            main, std::move(sink), [this] { return log_->LastLine(); }, SizesOfSentFiles(o));
    }
    // The progress names its files from the log; the log file wants every line.
    bool log_needed = bar || o.jsonEvents || session_.Log();
    if (log_needed && !hands_->SetChecked(IDC_LOG_ENABLE, true)) {
        Refused();
        return;
    }
    WarnOfLongPassword();
    RunCommand();
}

void Driver::WarnOfLongPassword() {
    const CliOptions& o = session_.Options();
    if (!SendsPassword(o.command)) return;
    std::string password = o.password ? *o.password : main_->SavedPassword();
    if (password.size() <= kPasswordLimit) return;
    session_.Out().Err("sperrow: warning: the password is cut to its first " +
                       std::to_string(kPasswordLimit) + " characters.");
}

bool Driver::Refused() {
    if (hands_->Problem().empty()) return false;
    session_.Fail("sperrow: " + hands_->Problem());
    return true;
}

void Driver::RunCommand() {
    switch (session_.Options().command) {
        case Command::kUpgrade:
            return session_.Options().vxworks ? UpgradeVxWorks() : Upgrade();
        case Command::kInfo:
            return Info();
        case Command::kConfigGet:
            return ConfigGet();
        case Command::kConfigPut:
            return ConfigPut();
        case Command::kSend:
            return Send();
        case Command::kRemoteUpgrade:
            return RemoteUpgrade();
        case Command::kDescribe:
            return Describe();
        case Command::kServe:
            return Serve();
        case Command::kNone:
        case Command::kTui:
        case Command::kInterfaces:
            return;
    }
}

// --- Following a run ----------------------------------------------------------------------

void Driver::PressAndFollow(int button_id) {
    fw::Millis pressed_at = Now();
    if (!hands_->Click(button_id)) {
        Refused();
        return;
    }
    FollowRun(pressed_at);
}

void Driver::FollowRun(fw::Millis pressed_at) {
    const RunObserver& observer = TheRunObserver();
    while (!session_.ShouldUnwind() && !session_.Failed()) {
        RunPhase phase = observer.Phase();
        if (phase == RunPhase::kStopped) {
            session_.NoteFailure();
            return;
        }
        if (phase == RunPhase::kEnded && !observer.IsPending()) return;
        if (phase == RunPhase::kIdle && !observer.IsPending()) {
            session_.Fail("sperrow: the button started nothing.");
            return;
        }
        if (Stalled(pressed_at)) {
            session_.Fail(
                "Error:\nThe run stalled: no timer armed, no dialog open and no "
                "datagram for " +
                std::to_string(
                    StallLimit(session_.Options().timeout.value_or(kDefaultTimeoutSeconds)) /
                    1000) +
                " seconds.");
            return;
        }
        Pump(kBusyRounds);
    }
}

bool Driver::Stalled(fw::Millis pressed_at) const {
    const RunObserver& observer = TheRunObserver();
    if (observer.Phase() != RunPhase::kRunning || observer.IsPending()) return false;
    fw::Millis last = std::max(observer.LastTraffic(), pressed_at);
    int timeout = session_.Options().timeout.value_or(kDefaultTimeoutSeconds);
    return Now() - last >= StallLimit(timeout);
}

void Driver::Pump(int busy_rounds) {
    fw::EventLoop& loop = fw::MainLoop();
    fw::Millis before = Now();
    bool dispatched = loop.RunOnce(kPumpInterval);
    // A loop with nothing to watch returns at once: time must still pass, without spinning.
    if (!dispatched && Now() - before < kPumpInterval / 2) {
        if (loop.clock().IsManual()) {
            loop.clock().Advance(kPumpInterval);
        } else {
            ::poll(nullptr, 0, static_cast<int>(kPumpInterval));
        }
    }
    // A busy loop (a run's blocks, the server's) gets more rounds straight away while the
    // run goes on as it was: what is checked between rounds changes only with its phase or
    // step.
    const RunObserver& observer = TheRunObserver();
    const RunPhase phase = observer.Phase();
    const int step = observer.Step();
    if (busy_rounds > 1) NoteStep();
    for (int round = 1; dispatched && round < busy_rounds; ++round) {
        if (observer.Phase() != phase || observer.Step() != step ||
            session_.ShouldUnwind() || session_.Failed())
            break;
        dispatched = loop.RunOnce(kPumpInterval);
    }
    if (log_ && hands_) log_->Trim(*hands_);
    NoteStep();
    NoteInterrupt();
}

void Driver::NoteStep() {
    if (!session_.Options().jsonEvents) return;
    const RunObserver& observer = TheRunObserver();
    if (observer.Step() < 0) return;
    // The entries after a pack's first are steps of their own that say the same.
    std::pair<int, std::string> now{observer.RunCount(), DescribeStep(observer.Step())};
    if (now == stepSeen_) return;
    stepSeen_ = now;
    session_.Out().JsonErr(StepEventJson(session_.ModemAddress().value_or("-"), now.second));
}

ProgressView::Sink Driver::ProgressEventSink(const std::string& address) {
    return [this, address](const ProgressTick& tick) {
        if (!tick.shown) return;
        NoteStep();  // the step a file belongs to comes before the file
        ProgressAmount amount = AmountDone(tick.done, tick.total, tick.totalBytes);
        session_.Out().JsonErr(
            ProgressEventJson(address, tick.name, static_cast<long long>(amount.done),
                              static_cast<long long>(amount.all), amount.percent));
    };
}

void Driver::NoteInterrupt() {
    if (interruptNoted_ || StopSignal() == 0 || !main_) return;
    interruptNoted_ = true;
    std::string report = InterruptedRunReport(main_->Client());
    if (!report.empty()) session_.Out().Err(report);
}

void Driver::FollowVerification(fw::Millis pressed_at) {
    FirmwareVerifier& verifier = main_->UpgradePage()->Verifier();
    Output& out = session_.Out();
    bool countdown = out.OutIsTerminal() && !session_.Options().quiet;
    std::string shown;
    while (verifier.IsActive() && !session_.ShouldUnwind() && !session_.Failed()) {
        if (Stalled(pressed_at)) {
            session_.Fail("Error:\nThe run stalled while the modem's firmware was being checked.");
            return;
        }
        Pump();
        std::string status = hands_->Text(IDC_VERIFY_STATUS);
        if (countdown && verifier.IsActive() && !status.empty() && status != shown) {
            out.TransientOut(status);
            shown = status;
        }
    }
    out.ClearTransient();
    const VerifyResult& result = verifier.Result();
    if (result.outcome == VerifyOutcome::kPending || result.outcome == VerifyOutcome::kAbandoned)
        return;
    // The window has shown the outcome's box by now: on stdout, or on stderr as a failure.
    session_.SetFirmwareCheck(FirmwareCheck{result.expected, result.before, result.after,
                                            OutcomeName(result.outcome), result.Passed(),
                                            result.Line()});
    if (!result.Passed()) {
        session_.NoteFailure();
        session_.SetFailureStatus(kVerifyFailedStatus);
    }
}

// --- The final dialogs --------------------------------------------------------------------

int Driver::FollowUpgradeStatus(fw::CDialog& dialog) {
    const CliOptions& o = session_.Options();
    // The dialog's last word ends the command, unless the verification is still to come:
    // then it only ends the dialog.
    auto conclude = [&](int status) {
        if (o.verify)
            dialog.EndDialog(fw::IDOK);
        else
            session_.Finish(status);
    };
    Output& out = session_.Out();
    bool numbers = out.OutIsTerminal() && !o.quiet;
    std::string status, countdown;
    auto show_changes = [&] {
        std::string now_status = dialog.GetDlgItemText(IDC_STATUS_LINE);
        std::string now_countdown = dialog.GetDlgItemText(IDC_COUNTDOWN_LINE);
        if (now_status != status && !now_status.empty()) out.Out(now_status);
        if (now_countdown != countdown && !now_countdown.empty()) {
            if (!IsNumber(now_countdown)) {
                out.Out(now_countdown);
            } else if (numbers) {
                out.TransientOut(now_countdown);
            }
        }
        status = now_status;
        countdown = now_countdown;
    };
    show_changes();
    if (o.noWait) {
        dialog.EndDialog(fw::IDOK);
        return fw::IDOK;
    }
    fw::Millis opened = Now();
    while (!session_.ShouldUnwind() && !dialog.IsEnded()) {
        Pump();
        show_changes();
        if (countdown == kUpdateCompleteText) {
            conclude(0);
        } else if (status == kCheckModemText) {
            conclude(3);
        } else if (Now() - opened >= kStatusDialogLimit) {
            out.Err("Timeout:\nThe upgrade status did not change.");
            conclude(3);
        }
    }
    out.ClearTransient();
    NoteInterrupt();
    if (!dialog.IsEnded()) dialog.EndDialog(StopSignal() != 0 ? fw::IDCANCEL : fw::IDOK);
    return dialog.ModalResult();
}

int Driver::ShowModemInfo(fw::CDialog& dialog) {
    ModemInfoView info;
    info.company = dialog.GetDlgItemText(IDC_INFO_COMPANY);
    info.date = dialog.GetDlgItemText(IDC_INFO_DATE);
    info.hardwareVersion = dialog.GetDlgItemText(IDC_INFO_HW_VERSION);
    info.firmwareVersion = dialog.GetDlgItemText(IDC_INFO_FW_VERSION);
    info.productId = dialog.GetDlgItemText(IDC_INFO_PRODUCT_ID);
    info.macAddress = dialog.GetDlgItemText(IDC_INFO_MAC);
    info.tftpVersion = dialog.GetDlgItemText(IDC_INFO_TFTP_VERSION);
    if (auto* profile = dialog.GetDlgItemAs<fw::CListBox>(IDC_INFO_HW_PROFILE)) {
        info.hardwareProfile = profile->Lines();
    }
    if (session_.Options().json) {
        session_.SetModemInfo(std::move(info));
    } else {
        session_.Out().Out(ModemInfoText(info));
    }
    dialog.EndDialog(fw::IDOK);
    return fw::IDOK;
}

}  // namespace cli
