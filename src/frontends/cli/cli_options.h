// The command line of `sperrow`: every global option (accepted before or after the
// command) and the command with its own arguments, checked but not yet acted on.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/start_options.h"
#include "frontends/cli/modem_list.h"

namespace cli {

enum class Command {
    kNone,  // no command: the interactive window on a terminal, usage otherwise
    kUpgrade,
    kInfo,
    kConfigGet,
    kConfigPut,
    kSend,
    kRemoteUpgrade,
    kDescribe,
    kServe,
    kTui,
    kInterfaces,
};

// A file for the download files page: its local path and its name on the modem.
struct FileRow {
    std::string source;
    std::string destination;
    bool operator==(const FileRow&) const = default;
};

// The most children of a fleet run at once.
constexpr int kMaxJobs = 16;

struct CliOptions {
    // Global options: the controls and settings they stand for.
    std::optional<std::string> modem;     // IP Address box; nothing: the page's default
    // A fleet run (-m more than once, or --modems): each modem its own child process. Empty
    // for a run against one modem, which is `modem`.
    std::vector<FleetModem> fleet;
    int jobs = 0;  // children of a fleet run at once; 0: all (at most kMaxJobs)
    // Password box; nothing: setting.cfg's. -p, else --password-file, else SPERROW_PASSWORD.
    std::optional<std::string> password;
    unsigned port = 69;                   // the modem's TFTP port
    std::optional<int> retry;             // Retry box
    std::optional<int> timeout;           // Timeout box, seconds
    bool broadcast = false;               // Broadcast Download
    std::optional<int> delay;             // Delay box, ms
    std::string interface;                // network device of the client's socket
    unsigned serverPort = 69;
    std::string listen;  // the local server's address; empty: every address
    bool noServer = false;
    bool expert = false;
    bool log = false;
    bool quiet = false;
    std::string pcap;          // capture every datagram into this pcap file ("" for none)
    bool pcapSecrets = false;  // the capture keeps the password-bearing files' content
    bool json = false;         // one JSON object on stdout at the end (serve: a line a transfer)
    bool jsonEvents = false;   // a JSON line on stderr for every step and progress tick
    std::string logFile;       // every log line appended here, time-stamped ("" for none)

    Command command = Command::kNone;
    std::string file;  // upgrade, config put, describe: FILE; config get: -o FILE

    // upgrade, config put, send: the SHA-256 the file sent must have ("" for none given)
    std::string sha256;
    // upgrade
    bool skipCriteria = false;
    bool vxworks = false;
    bool noWait = false;  // upgrade and config put
    bool verify = false;  // read the modem's firmware version before and after its reboot
    int verifyInterval = 5;
    int verifyTimeout = 180;
    // config put
    bool noReboot = false;
    // send
    std::optional<std::string> macro;
    std::optional<FileRow> file1;
    std::optional<FileRow> file2;
    // serve
    std::string root = ".";
    bool noRead = false;
    bool write = false;

    bool operator==(const CliOptions&) const = default;
};

struct ParsedCommandLine {
    std::optional<CliOptions> options;  // nothing: print out/err and exit with exitCode
    int exitCode = 0;
    std::string out;  // help and version text, for stdout
    std::string err;  // what was wrong, for stderr
};

// Usage errors give exit code 2; --help and --version give 0. SPERROW_PASSWORD in the
// environment is the password when neither -p nor --password-file gives one.
ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

// The address a run without -m talks to: the IP Address box's default.
constexpr const char* kDefaultModem = "192.168.1.1";

// The commands a fleet run may run against each of its modems.
bool RunsInFleet(Command command);
// The command's name as typed: "upgrade", "config get", ...
std::string CommandName(Command command);

// The usage text printed when no command is given and no terminal is there to open the
// interactive window on.
std::string UsageText();

// "SRC[:DEST]": DEST defaults to SRC's bare file name. The last colon splits, unless what
// follows it holds a "/" (then the whole text is SRC). Nothing for an empty SRC or DEST.
std::optional<FileRow> ParseFileRow(const std::string& text);

// What the window is opened with: the local server only where the command needs it
// (serve and a "VxWorks" upgrade) or in the interactive window unless --no-server; expert
// mode always for commands, on request for the interactive window; the checksum given for
// the file the command sends, the capture and the verification's timing.
StartOptions StartOptionsFor(const CliOptions& options);

}  // namespace cli
