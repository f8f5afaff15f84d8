// The commands of the driver: each shows the page whose button it presses, sets the
// controls the command stands for, and presses the button.
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "app/main_dlg.h"
#include "framework/event_loop.h"
#include "frontends/cli/driver.h"
#include "frontends/cli/json_report.h"
#include "frontends/cli/pack_destination.h"
#include "frontends/cli/serve_lines.h"
#include "frontends/cli/session.h"
#include "frontends/cli/window_hands.h"
#include "pages/file_report.h"
#include "resources/resource.h"
#include "tftp/server_transfer_report.h"

namespace cli {

namespace {

constexpr int kUpgradeTab = 0;
constexpr int kConfigTab = 1;
constexpr int kServerTab = 2;
constexpr int kDownloadTab = 3;
// How long a "VxWorks" modem has to read its image once the board request is written.
constexpr fw::Millis kImageReadLimit = 120000;

fw::Millis Now() {
    return fw::MainLoop().Now();
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

void Driver::Upgrade() {
    const CliOptions& o = session_.Options();
    WindowHands& h = *hands_;
    if (!h.SelectTab(kUpgradeTab) || !h.Click(IDC_ATMOS) || !h.SetChecked(IDC_IMAGE_CHECK, true) ||
        !h.Type(IDC_IMAGE_PATH, o.file) || !h.SetChecked(IDC_SKIP_CRITERIA, o.skipCriteria) ||
        !h.SetChecked(IDC_VERIFY_REBOOT, o.verify)) {
        Refused();
        return;
    }
    if (!o.verify) {
        PressAndFollow(IDC_DOWNLOAD);
        return;
    }
    // The button starts the verification's own plans one after the other: it is followed
    // rather than any one run.
    fw::Millis pressed_at = Now();
    if (!h.Click(IDC_DOWNLOAD)) {
        Refused();
        return;
    }
    FollowVerification(pressed_at);
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
    // The server reports each transfer once it has ended: only this modem's read of this
    // image, acknowledged to its last block, is the one awaited. A broadcast run has asked
    // every modem on the segment, so any of them may fetch it.
    const CliOptions& o = session_.Options();
    std::string modem = session_.ModemAddress().value_or("");
    bool read_whole = false;
    SetServerTransferListener([&](const ServerTransferReport& report) {
        bool ours =
            !report.write && report.name == image && (o.broadcast || report.peerAddress == modem);
        if (!ours) return;
        if (report.outcome != "ok") {
            session_.Out().Err("The modem's read of " + image + " failed: " + report.outcome);
            return;
        }
        session_.NoteServedFile(report);
        read_whole = true;
    });
    while (!read_whole && !session_.ShouldUnwind() && !session_.Failed() &&
           Now() - pressed_at < kImageReadLimit) {
        Pump();
    }
    SetServerTransferListener(nullptr);
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
    if (!session_.TakeBoxShown()) {
        session_.Fail("Warning:\nCannot describe this file.");
        return;
    }
    if (session_.Failed()) return;
    // What the window does not show: the file's size, checksum and boards, and whether an
    // upgrade would take it.
    FileReport report = ReportOnFile(session_.Options().file);
    if (!report.factsText.empty()) session_.Out().Out(report.factsText);
    if (!report.refusal.empty()) session_.Fail(report.refusal);
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
    std::string serving = "Serving " + o.root + " on " + (o.listen.empty() ? "0.0.0.0" : o.listen) +
                          ":" + std::to_string(o.serverPort) + " (read " +
                          (o.noRead ? "off" : "on") + ", write " + (o.write ? "on" : "off") +
                          "); stop with Ctrl-C";
    // Under --json stdout holds the transfers' lines only.
    if (o.json) {
        session_.Out().Err(serving);
    } else {
        session_.Out().Out(serving);
    }
    // One line for each transfer that has finished or failed, unless asked to be quiet.
    if (!o.quiet) {
        SetServerTransferListener([this, json = o.json](const ServerTransferReport& report) {
            std::time_t now = std::time(nullptr);
            if (json) {
                session_.Out().JsonOut(ServeTransferJson(report, now));
            } else {
                session_.Out().Out(ServeLine(report, now));
            }
        });
    }
    // The server works by itself on the event loop; only a signal ends it.
    while (!session_.ShouldUnwind() && !session_.Failed()) Pump(kBusyRounds);
    SetServerTransferListener(nullptr);
}

}  // namespace cli
