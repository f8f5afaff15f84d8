#include "frontends/cli/runner.h"

#include <unistd.h>

#include <cstdio>

#include "app/main_app.h"
#include "app/main_dlg.h"
#include "framework/ui/button.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "frontends/cli/cli_desktop.h"
#include "frontends/cli/driver.h"
#include "frontends/cli/fleet.h"
#include "frontends/cli/json_report.h"
#include "frontends/cli/log_file.h"
#include "frontends/cli/output.h"
#include "frontends/cli/session.h"
#include "frontends/cli/signals.h"
#include "pages/server_page.h"
#include "pages/upgrade_page.h"
#include "resources/resource.h"
#include "tftp/run_observer.h"

namespace cli {

namespace {

// The files the command moved: the client's transfers that ended whole since `first`, and
// the local server's that the command waited for.
std::vector<FileRecord> FilesMoved(const Session& session, std::size_t first) {
    std::vector<FileRecord> files;
    const auto& finished = TheRunObserver().FinishedTransfers();
    for (std::size_t i = first; i < finished.size(); ++i) {
        const ClientTransferRecord& t = finished[i];
        files.push_back({t.name, t.write ? "write" : "read", t.bytes,
                         static_cast<double>(t.ended - t.started) / 1000.0});
    }
    for (const ServerTransferReport& served : session.ServedFiles()) {
        files.push_back({served.name, served.write ? "write" : "read", served.bytes,
                         static_cast<double>(served.elapsed) / 1000.0});
    }
    return files;
}

// Why the command did not succeed: the message that failed it, else the last one shown
// (a countdown that ran out), else the signal that stopped it.
std::optional<std::string> WhyNot(const Session& session, int status) {
    if (status == 0) return std::nullopt;
    if (!session.FailureText().empty()) return session.FailureText();
    if (StopSignal() != 0 && !session.Out().LastErr().empty()) return session.Out().LastErr();
    const auto& messages = session.Out().Messages();
    if (StopSignal() == 0 && !messages.empty()) return messages.back();
    return "Stopped by signal " + std::to_string(StopSignal()) + ".";
}

std::string ReportJson(const Session& session, int status, std::size_t first_transfer) {
    const CliOptions& o = session.Options();
    CommandReport report;
    report.command = CommandName(o.command);
    report.modem = session.ModemAddress();
    // A command that ended before its window could name the modem still had one.
    bool talks_to_modem = RunsInFleet(o.command) || o.command == Command::kRemoteUpgrade;
    if (!report.modem && talks_to_modem) report.modem = o.modem.value_or(kDefaultModem);
    report.status = status;
    report.messages = session.Out().Messages();
    report.error = WhyNot(session, status);
    report.files = FilesMoved(session, first_transfer);
    report.info = session.ModemInfo();
    report.firmware = session.GetFirmwareCheck();
    return CommandReportJson(report, o.command == Command::kServe);
}

}  // namespace

int RunCommand(const CliOptions& options) {
    Output output(stdout, stderr, ::isatty(STDOUT_FILENO) == 1, ::isatty(STDERR_FILENO) == 1);
    CatchStopSignals();
    if (!options.fleet.empty()) return RunFleet(options, output);
    RealLoop loop;
    int status = RunCommandWith(options, output, ::isatty(STDIN_FILENO) == 1, nullptr);
    output.ClearTransient();
    return status;
}

int RunCommandWith(const CliOptions& options, Output& output, bool stdin_is_terminal,
                   fw::NetStack* stack) {
    if (options.json) output.KeepMessagesForJson();
    Session session(options, output, stdin_is_terminal);
    std::size_t first_transfer = TheRunObserver().FinishedTransfers().size();
    int status = RunSession(session, stack);
    if (options.json) output.JsonOut(ReportJson(session, status, first_transfer));
    return status;
}

int RunSession(Session& session, fw::NetStack* stack) {
    const CliOptions& options = session.Options();
    LogFile log;
    if (!options.logFile.empty()) {
        std::string error;
        if (!log.Open(options.logFile, error)) {
            session.Fail("Error:\nCannot open the log file " + options.logFile + ": " + error +
                         ".");
            return session.ExitStatus();
        }
        session.SetLog(&log);
    }
    Driver driver(session);
    CliDesktop desktop(session, [&driver](fw::CDialog& dialog) { return driver.RunModal(dialog); });
    fw::Desktop* previous = fw::InstalledDesktop();
    fw::SetDesktop(&desktop);
    {
        StartOptions start = StartOptionsFor(options);
        start.netStack = stack;
        CMainApp app(start);
        if (app.Run() < 0) session.Fail("Error:\nThe main window could not be opened.");
    }
    // The window is gone and its files are closed: what the command leaves can be settled.
    driver.Finish();
    fw::SetDesktop(previous);
    session.SetLog(nullptr);
    return session.ExitStatus();
}

bool PresetWindow(CMainDlg& main, const CliOptions& o) {
    CUpgradePage* upgrade = main.UpgradePage();
    CServerPage* server = main.ServerPage();
    if (!upgrade || !server) return false;
    if (o.password && main.PasswordBox()) main.PasswordBox()->SetWindowText(*o.password);
    if (o.modem && main.ModemAddress()) main.ModemAddress()->SetWindowText(*o.modem);
    if (o.retry) server->SetDlgItemText(IDC_RETRY, std::to_string(*o.retry));
    if (o.timeout) server->SetDlgItemText(IDC_TIMEOUT, std::to_string(*o.timeout));
    if (o.log) main.CheckDlgButton(IDC_LOG_ENABLE, fw::BST_CHECKED);
    if (o.broadcast) {
        upgrade->CheckRadioButton(IDC_BROADCAST, IDC_UNICAST, IDC_BROADCAST);
        upgrade->SendCommand(IDC_BROADCAST);
    }
    if (o.delay) upgrade->SetDlgItemText(IDC_DELAY, std::to_string(*o.delay));
    return true;
}

}  // namespace cli
