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
#include "frontends/cli/output.h"
#include "frontends/cli/session.h"
#include "frontends/cli/signals.h"
#include "pages/server_page.h"
#include "pages/upgrade_page.h"
#include "resources/resource.h"

namespace cli {

int RunCommand(const CliOptions& options) {
    Output output(stdout, stderr, ::isatty(STDOUT_FILENO) == 1, ::isatty(STDERR_FILENO) == 1);
    CatchStopSignals();
    RealLoop loop;
    int status = RunCommandWith(options, output, ::isatty(STDIN_FILENO) == 1, nullptr);
    output.ClearTransient();
    return status;
}

int RunCommandWith(const CliOptions& options, Output& output, bool stdin_is_terminal,
                   fw::NetStack* stack) {
    Session session(options, output, stdin_is_terminal);
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
