// sperrow: the command line, and the interactive window when no command is given on a
// terminal.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/main_dlg.h"
#include "framework/resolver.h"
#include "framework/ui/ui_events.h"
#include "frontends/cli/cli_options.h"
#include "frontends/cli/formatting.h"
#include "frontends/cli/json_report.h"
#include "frontends/cli/runner.h"
#include "frontends/tui/interactive_window.h"

namespace {

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

int RunInteractive(const cli::CliOptions& options) {
    cli::RealLoop loop;
    // The options that stand for controls are set once the window is on screen, before a
    // person can touch it.
    fw::ScopedUiListener preset([&options](const fw::UiEvent& event) {
        if (event.kind != fw::UiEvent::Kind::ModalBegin) return;
        if (auto* main = dynamic_cast<CMainDlg*>(event.dialog)) cli::PresetWindow(*main, options);
    });
    return tui::RunInteractiveWindow(cli::StartOptionsFor(options));
}

}  // namespace

int main(int argc, char** argv) {
    cli::ParsedCommandLine parsed = cli::ParseCommandLine(argc, argv);
    Print(stdout, parsed.out);
    Print(stderr, parsed.err);
    if (!parsed.options) return parsed.exitCode;
    const cli::CliOptions& options = *parsed.options;
    switch (options.command) {
        case cli::Command::kTui:
            return RunInteractive(options);
        case cli::Command::kInterfaces: {
            // Nothing to drive: the host's own list, for choosing --interface or --listen.
            auto interfaces = fw::SystemResolver().Interfaces();
            if (!options.json) {
                Print(stdout, cli::InterfacesText(interfaces));
                return 0;
            }
            cli::CommandReport report;
            report.command = cli::CommandName(options.command);
            report.interfaces = std::move(interfaces);
            Print(stdout, cli::CommandReportJson(report) + "\n");
            return 0;
        }
        case cli::Command::kNone:
            if (::isatty(STDIN_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 1) {
                return RunInteractive(options);
            }
            Print(stderr, cli::UsageText());
            return 2;
        default:
            return cli::RunCommand(options);
    }
}
