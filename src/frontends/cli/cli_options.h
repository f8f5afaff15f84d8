// The command line of `sperrow`: every global option (accepted before or after the
// command) and the command with its own arguments, checked but not yet acted on.
#pragma once

#include <optional>
#include <string>

#include "app/start_options.h"

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
};

struct CliOptions {
    // Global options: the controls and settings they stand for.
    std::optional<std::string> modem;     // IP Address box; nothing: the page's default
    std::optional<std::string> password;  // Password box; nothing: setting.cfg's
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
    // info
    bool json = false;
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
};

struct ParsedCommandLine {
    std::optional<CliOptions> options;  // nothing: print out/err and exit with exitCode
    int exitCode = 0;
    std::string out;  // help and version text, for stdout
    std::string err;  // what was wrong, for stderr
};

// Usage errors give exit code 2; --help and --version give 0.
ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

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
