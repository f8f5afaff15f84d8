#include "frontends/cli/driver.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "app/main_dlg.h"
#include "dialogs/upgrade_status_dlg.h"
#include "framework/event_loop.h"
#include "framework/ui/dialog.h"
#include "framework/ui/list_box.h"
#include "frontends/cli/formatting.h"
#include "frontends/cli/log_follower.h"
#include "frontends/cli/pack_destination.h"
#include "frontends/cli/progress_view.h"
#include "frontends/cli/session.h"
#include "frontends/cli/signals.h"
#include "frontends/cli/window_hands.h"
#include "resources/resource.h"
#include "tftp/run_observer.h"

namespace cli {

namespace {

constexpr int kUpgradeTab = 0;
constexpr int kConfigTab = 1;
constexpr int kServerTab = 2;
constexpr int kDownloadTab = 3;
constexpr int kDefaultTimeoutSeconds = 3;
constexpr fw::Millis kPumpInterval = 100;
// How long a "VxWorks" modem has to read its image once the board request is written.
constexpr fw::Millis kImageReadLimit = 120000;
// The status dialog closes itself within 37 seconds; this only guards against a dialog
// that stopped ticking.
constexpr fw::Millis kStatusDialogLimit = 60000;

fw::Millis Now() {
    return fw::MainLoop().Now();
}

bool IsNumber(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

bool CanRead(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), R_OK) == 0;
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
    log_ = std::make_unique<LogFollower>(main, out, o.log);
    bool bar = out.ErrIsTerminal() && !o.quiet;
    if (bar) {
        progress_ = std::make_unique<ProgressView>(main, out, [this] { return log_->LastLine(); });
    }
    if (!ApplyWindowSettings(*hands_, o)) {
        Refused();
        return;
    }
    // The bar names its files and a "VxWorks" upgrade sees the modem's reads in the log.
    bool log_needed = bar || (o.command == Command::kUpgrade && o.vxworks);
    if (log_needed && !hands_->SetChecked(IDC_LOG_ENABLE, true)) {
        Refused();
        return;
    }
    RunCommand();
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
            return;
    }
}

// --- The commands -------------------------------------------------------------------------

void Driver::Upgrade() {
    const CliOptions& o = session_.Options();
    WindowHands& h = *hands_;
    if (!h.SelectTab(kUpgradeTab) || !h.Click(IDC_ATMOS) || !h.SetChecked(IDC_IMAGE_CHECK, true) ||
        !h.Type(IDC_IMAGE_PATH, o.file) || !h.SetChecked(IDC_SKIP_CRITERIA, o.skipCriteria)) {
        Refused();
        return;
    }
    PressAndFollow(IDC_DOWNLOAD);
}

void Driver::UpgradeVxWorks() {
    const CliOptions& o = session_.Options();
    // A person can only choose a file that is there.
    if (!CanRead(o.file)) {
        session_.Fail("Warning:\nCannot open file.");
        return;
    }
    std::string image = AbsolutePath(o.file);
    WindowHands& h = *hands_;
    // The server serves "." and the browse button moves the current directory to the
    // image's folder: that folder is what the modem reads from.
    if (!h.SelectTab(kServerTab) || !h.SetChecked(IDC_ENABLE_READ, true) ||
        !h.Type(IDC_ROOT_PATH, ".") || !h.SelectTab(kUpgradeTab) || !h.Click(IDC_VXWORKS) ||
        !h.SetChecked(IDC_IMAGE_CHECK, true)) {
        Refused();
        return;
    }
    session_.ChooseNextFile(image);
    if (!h.Click(IDC_IMAGE_BROWSE) || Refused()) return;
    if (h.Text(IDC_IMAGE_PATH) != image) {
        session_.Fail("sperrow: the browse button did not take " + image);
        return;
    }
    fw::Millis pressed_at = Now();
    PressAndFollow(IDC_DOWNLOAD);
    if (session_.ShouldUnwind() || session_.Failed()) return;
    WaitForImageRead(std::filesystem::path(image).filename().string(), pressed_at);
}

void Driver::WaitForImageRead(const std::string& image, fw::Millis pressed_at) {
    // The server logs the full path of each read request, then "Transmit Complete" when
    // the last block of that read is acknowledged.
    std::string wanted = "./" + image;
    std::string reading;
    bool read_whole = false;
    log_->SetWatcher([&](const std::string& line) {
        if (line.rfind("./", 0) == 0) {
            reading = line;
        } else if (line.rfind("Transmit Complete", 0) == 0) {
            if (reading == wanted) read_whole = true;
            reading.clear();
        }
    });
    while (!read_whole && !session_.ShouldUnwind() && !session_.Failed() &&
           Now() - pressed_at < kImageReadLimit) {
        Pump();
    }
    log_->SetWatcher(nullptr);
    if (read_whole) {
        session_.Finish(0);
    } else if (!session_.ShouldUnwind() && !session_.Failed()) {
        session_.Out().Err("Timeout:\nThe modem did not read " + image + " within " +
                           std::to_string(kImageReadLimit / 1000) + " seconds.");
        session_.Finish(3);
    }
}

void Driver::Info() {
    if (!hands_->SelectTab(kUpgradeTab)) {
        Refused();
        return;
    }
    PressAndFollow(IDC_MODEM_INFO);
}

void Driver::ConfigGet() {
    pack_ = std::make_unique<PackDestination>(session_.Options().file);
    std::string error;
    if (!pack_->Prepare(error)) {
        session_.Fail(error);
        return;
    }
    session_.SetPack(pack_.get());
    WindowHands& h = *hands_;
    if (!h.SelectTab(kConfigTab) || !h.Type(IDC_CONFIG_DEST, pack_->TempPath())) {
        Refused();
        return;
    }
    PressAndFollow(IDC_GET);
}

void Driver::ConfigPut() {
    const CliOptions& o = session_.Options();
    WindowHands& h = *hands_;
    if (!h.SelectTab(kConfigTab) || !h.Type(IDC_RESTORE_PATH, o.file) ||
        !h.SetChecked(IDC_REBOOT, !o.noReboot)) {
        Refused();
        return;
    }
    PressAndFollow(IDC_PUT);
}

void Driver::Send() {
    const CliOptions& o = session_.Options();
    WindowHands& h = *hands_;
    if (!h.SelectTab(kDownloadTab)) {
        Refused();
        return;
    }
    bool ok = h.SetChecked(IDC_MACRO_CHECK, o.macro.has_value()) &&
              (!o.macro || h.Type(IDC_MACRO_PATH, *o.macro)) &&
              h.SetChecked(IDC_FILE1_CHECK, o.file1.has_value()) &&
              (!o.file1 || (h.Type(IDC_FILE1_SOURCE, o.file1->source) &&
                            h.Type(IDC_FILE1_DEST, o.file1->destination))) &&
              h.SetChecked(IDC_FILE2_CHECK, o.file2.has_value()) &&
              (!o.file2 || (h.Type(IDC_FILE2_SOURCE, o.file2->source) &&
                            h.Type(IDC_FILE2_DEST, o.file2->destination)));
    if (!ok) {
        Refused();
        return;
    }
    PressAndFollow(IDC_DOWNLOAD);
}

void Driver::RemoteUpgrade() {
    if (!hands_->SelectTab(kServerTab)) {
        Refused();
        return;
    }
    PressAndFollow(IDC_SUBMIT);
}

void Driver::Describe() {
    WindowHands& h = *hands_;
    if (!h.SelectTab(kUpgradeTab) || !h.Type(IDC_IMAGE_PATH, session_.Options().file)) {
        Refused();
        return;
    }
    session_.TakeBoxShown();
    if (!h.Click(IDC_FILE_INFO)) {
        Refused();
        return;
    }
    // The description is a message box; a file it cannot describe may show none at all.
    if (!session_.TakeBoxShown()) session_.Fail("Warning:\nCannot describe this file.");
}

void Driver::Serve() {
    const CliOptions& o = session_.Options();
    std::error_code error;
    if (!std::filesystem::is_directory(o.root, error)) {
        session_.Fail("Error:\nCannot serve " + o.root + ": not a directory.");
        return;
    }
    WindowHands& h = *hands_;
    if (!h.SelectTab(kServerTab) || !h.SetChecked(IDC_ENABLE_READ, !o.noRead) ||
        !h.SetChecked(IDC_ENABLE_WRITE, o.write) || !h.Type(IDC_ROOT_PATH, o.root)) {
        Refused();
        return;
    }
    session_.Out().Out("Serving " + o.root + " on " + (o.listen.empty() ? "0.0.0.0" : o.listen) +
                       ":" + std::to_string(o.serverPort) + " (read " + (o.noRead ? "off" : "on") +
                       ", write " + (o.write ? "on" : "off") + "); stop with Ctrl-C");
    // The server works by itself on the event loop; only a signal ends it.
    while (!session_.ShouldUnwind() && !session_.Failed()) Pump();
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
        Pump();
    }
}

bool Driver::Stalled(fw::Millis pressed_at) const {
    const RunObserver& observer = TheRunObserver();
    if (observer.Phase() != RunPhase::kRunning || observer.IsPending()) return false;
    fw::Millis last = std::max(observer.LastTraffic(), pressed_at);
    int timeout = session_.Options().timeout.value_or(kDefaultTimeoutSeconds);
    return Now() - last >= StallLimit(timeout);
}

void Driver::Pump() {
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
    if (log_ && hands_) log_->Trim(*hands_);
}

// --- The final dialogs --------------------------------------------------------------------

int Driver::FollowUpgradeStatus(fw::CDialog& dialog) {
    const CliOptions& o = session_.Options();
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
            session_.Finish(0);
        } else if (status == kCheckModemText) {
            session_.Finish(3);
        } else if (Now() - opened >= kStatusDialogLimit) {
            out.Err("Timeout:\nThe upgrade status did not change.");
            session_.Finish(3);
        }
    }
    out.ClearTransient();
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
    session_.Out().Out(session_.Options().json ? ModemInfoJson(info) : ModemInfoText(info));
    dialog.EndDialog(fw::IDOK);
    return fw::IDOK;
}

}  // namespace cli
