// The command line's JSON: the one object a command prints at its end under --json, the
// lines of --json-events, and serve's line a transfer. The shapes are written down as JSON
// schemas in docs/json/. Text from outside the program (a modem's answers, file names) may
// hold any bytes: what is not valid UTF-8 becomes U+FFFD, so the output always parses.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "framework/resolver.h"
#include "frontends/cli/formatting.h"
#include "frontends/cli/session.h"
#include "tftp/server_transfer_report.h"

namespace cli {

// One file the command moved: its name, "write" or "read" (the request made, whoever made
// it), its bytes and the seconds from request to end.
struct FileRecord {
    std::string name;
    std::string direction;
    long long bytes = 0;
    double seconds = 0;
};

// Everything a command's JSON object says.
struct CommandReport {
    std::string command;               // "upgrade", "config get", ...
    std::optional<std::string> modem;  // the address talked to; nothing for describe, serve...
    int status = 0;
    std::vector<std::string> messages;  // every message shown, in order, as shown
    std::optional<std::string> error;   // the one that failed the command
    std::vector<FileRecord> files;
    std::optional<ModemInfoView> info;      // info: the Modem Information's values
    std::optional<FirmwareCheck> firmware;  // upgrade --verify
    std::optional<std::vector<fw::InterfaceAddress>> interfaces;  // interfaces
};

// The object, indented by two (on one line for serve, whose other output is a line a
// transfer): command, modem, status, messages, error, files, then the command's own keys
// (info's company ... hardwareProfile, upgrade --verify's firmware, interfaces' list).
std::string CommandReportJson(const CommandReport& report, bool one_line = false);
// A fleet run: the objects of its modems, in the order the modems were named, as an array.
// Each is one a child printed, or one made for a child that printed none.
std::string FleetReportJson(const std::vector<std::string>& objects);

// A CommandReport read back from a child's object (the fleet's table and summary need its
// status, error and messages); nothing when the text is not such an object.
std::optional<CommandReport> ParseCommandReport(const std::string& text);

// --json-events: {"event":"step","modem":...,"step":"sending the image"} when a plan
// performs a step, {"event":"progress","modem":...,"file":...,"done":...,"total":...,
// "percent":...} as a file goes.
std::string StepEventJson(const std::string& modem, const std::string& step);
std::string ProgressEventJson(const std::string& modem, const std::string& file,
                              long long done_bytes, long long total_bytes, int percent);

// A line of --json-events read back (a fleet run's table is fed by them).
struct RunEvent {
    std::string kind;  // "step" or "progress"
    std::string step;
    std::string file;
    int percent = 0;
};
std::optional<RunEvent> ParseRunEvent(const std::string& line);

// serve --json: one object a transfer, with the same fields as the text line.
std::string ServeTransferJson(const ServerTransferReport& report, std::time_t when);

}  // namespace cli
