// One run of a command: what it was asked, where its words go, and how it ends. Every wait
// of the command asks ShouldUnwind() between short rounds of the event loop, so that a
// decided outcome or a stop signal brings every nested loop back out in order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontends/cli/cli_options.h"
#include "frontends/cli/formatting.h"
#include "frontends/cli/output.h"
#include "tftp/server_transfer_report.h"

namespace cli {

class LogFile;
class PackDestination;

// What `upgrade --verify` found, kept as data for whoever reports the run.
struct FirmwareCheck {
    std::string expected;  // the version the file carries ("" for none)
    std::string before;    // the modem's firmware version before the upgrade
    std::string after;     // and after its reboot ("" when it did not come back)
    std::string outcome;   // "verified", "changed", "wrong-firmware", "unchanged", "no-return"
    bool passed = false;
    std::string line;  // the line printed
};

class Session {
public:
    Session(const CliOptions& options, Output& output, bool stdin_is_terminal);

    const CliOptions& Options() const { return options_; }
    Output& Out() { return output_; }
    const Output& Out() const { return output_; }
    bool StdinIsTerminal() const { return stdin_terminal_; }

    // A stop-icon message was shown, or the command failed otherwise: exit status 1. The
    // message last written to stderr is the one that failed it.
    void NoteFailure();
    // A failure the window never showed, said on stderr.
    void Fail(const std::string& text);
    bool Failed() const { return failed_; }
    // The message of the first failure ("" while there is none).
    const std::string& FailureText() const { return failureText_; }
    // The exit status a failure gives (1 unless said otherwise).
    void SetFailureStatus(int status) { failureStatus_ = status; }

    // The command is over with this status (unless a failure or a signal says otherwise).
    void Finish(int status);
    bool Finished() const { return status_.has_value(); }

    // A stop signal arrived or the outcome is decided: loops end, dialogs close.
    bool ShouldUnwind() const;
    // 130/143 after a signal (0 for serve, whose normal end it is), the failure status
    // (1 unless set) after a failure, else the decided status, else 0.
    int ExitStatus() const;

    // The path the next open-file dialog answers with (the browse button's "choice").
    void ChooseNextFile(std::string path) { nextFile_ = std::move(path); }
    std::optional<std::string> TakeChosenFile();

    // The pack being received by `config get`, while there is one.
    void SetPack(PackDestination* pack) { pack_ = pack; }
    PackDestination* Pack() const { return pack_; }

    // The outcome of `upgrade --verify`, once there is one.
    void SetFirmwareCheck(FirmwareCheck check) { firmwareCheck_ = std::move(check); }
    const std::optional<FirmwareCheck>& GetFirmwareCheck() const { return firmwareCheck_; }

    // The --log-file, while it is open (null without one).
    void SetLog(LogFile* log) { log_ = log; }
    LogFile* Log() const { return log_; }

    // The address in the IP Address box when the command pressed its button.
    void SetModemAddress(std::string address) { modemAddress_ = std::move(address); }
    const std::optional<std::string>& ModemAddress() const { return modemAddress_; }

    // What the Modem Information dialog showed, for the JSON.
    void SetModemInfo(ModemInfoView info) { modemInfo_ = std::move(info); }
    const std::optional<ModemInfoView>& ModemInfo() const { return modemInfo_; }

    // The local server's transfers that the command waited for (the modem's read of its
    // image, for a "VxWorks" upgrade).
    void NoteServedFile(const ServerTransferReport& report) { served_.push_back(report); }
    const std::vector<ServerTransferReport>& ServedFiles() const { return served_; }

    // Whether any message box has been shown since the last call (describe needs to know).
    bool TakeBoxShown();
    void NoteBoxShown() { boxShown_ = true; }

private:
    const CliOptions& options_;
    Output& output_;
    bool stdin_terminal_;
    bool failed_ = false;
    std::string failureText_;
    int failureStatus_ = 1;
    std::optional<int> status_;
    std::optional<FirmwareCheck> firmwareCheck_;
    std::optional<std::string> modemAddress_;
    std::optional<ModemInfoView> modemInfo_;
    std::vector<ServerTransferReport> served_;
    std::optional<std::string> nextFile_;
    PackDestination* pack_ = nullptr;
    LogFile* log_ = nullptr;
    bool boxShown_ = false;
};

}  // namespace cli
