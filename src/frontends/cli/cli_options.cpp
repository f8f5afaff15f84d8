#include "frontends/cli/cli_options.h"

#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "framework/net.h"
#include "sperrow_version.h"

namespace cli {

namespace {

constexpr const char* kDescription =
    "Maintenance of ADSL modems over TFTP: firmware upgrade, modem information, "
    "configuration save and restore, file sending, and a small TFTP server.";

// What the parser fills before the values are checked and turned into CliOptions.
struct RawOptions {
    std::vector<std::string> modems;
    std::string modemsFile;
    std::string password;
    std::string passwordFile;
    bool passwordGiven = false;  // -p "" is an empty password, not "take setting.cfg's"
    std::string listen;
    std::string target = "atmos";
    std::string file1;
    std::string file2;
    std::string macro;
    std::string configOut = "config.pack";
    std::string sha256;
};

struct Subcommands {
    CLI::App* upgrade = nullptr;
    CLI::App* info = nullptr;
    CLI::App* config = nullptr;
    CLI::App* configGet = nullptr;
    CLI::App* configPut = nullptr;
    CLI::App* send = nullptr;
    CLI::App* remoteUpgrade = nullptr;
    CLI::App* describe = nullptr;
    CLI::App* serve = nullptr;
    CLI::App* tui = nullptr;
    CLI::App* interfaces = nullptr;
};

void DefineGlobalOptions(CLI::App& app, CliOptions& o, RawOptions& raw) {
    // The type names tell the shell's completion what a value is (FILE, DIR, IFACE).
    app.add_option("-m,--modem", raw.modems,
                   "Modem IPv4 address (default 192.168.1.1); several: a fleet run")
        ->type_name("ADDR")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--modems", raw.modemsFile,
                   "Fleet run against the modems of FILE: ADDR[<TAB>PASSWORD] a line")
        ->type_name("FILE");
    app.add_option("--jobs", o.jobs, "Fleet run: modems at once (default all, at most 16)")
        ->check(CLI::Range(1, kMaxJobs));
    auto* password =
        app.add_option("-p,--password", raw.password,
                       "Password (default: SPERROW_PASSWORD, else setting.cfg's, else empty)");
    auto* password_file =
        app.add_option("--password-file", raw.passwordFile,
                       "Password = first line of FILE (- for standard input), without its line end")
            ->type_name("FILE");
    password->excludes(password_file);
    app.add_option("--port", o.port, "UDP port of the modem's TFTP service (default 69)")
        ->check(CLI::Range(1, 65535));
    app.add_option("--retry", o.retry, "Retransmissions allowed (default 3)")
        ->check(CLI::Range(0, 100000));
    app.add_option("--timeout", o.timeout, "Seconds before a retransmission (default 3)")
        ->check(CLI::Range(0, 3600));
    app.add_flag("--broadcast", o.broadcast, "Broadcast Download: requests go to 255.255.255.255");
    app.add_option("--delay", o.delay, "Milliseconds before every broadcast datagram (default 0)")
        ->check(CLI::Range(0, 60000));
    app.add_option("--interface", o.interface, "Bind the client's socket to this network device")
        ->type_name("IFACE");
    app.add_option("--server-port", o.serverPort, "UDP port of the local TFTP server (default 69)")
        ->check(CLI::Range(1, 65535));
    app.add_option("--listen", raw.listen, "Address the local server binds (default: all)")
        ->type_name("ADDR");
    app.add_flag("--no-server", o.noServer, "The window opens without the local server");
    app.add_flag("--expert", o.expert, "Expert mode: the hidden pages and controls on screen");
    app.add_flag("-v,--log", o.log, "Log Enable: every log line also goes to stderr");
    app.add_flag("-q,--quiet", o.quiet, "No progress bar and no countdown numbers");
    app.add_option("--pcap", o.pcap, "Write every datagram sent and received to this pcap file")
        ->type_name("FILE");
    app.add_flag("--pcap-secrets", o.pcapSecrets,
                 "The capture keeps the content of tftplock.key and RequestID (masked by default)");
    app.add_flag("--json", o.json, "Print one JSON object at the end (serve: one line a transfer)");
    app.add_flag("--json-events", o.jsonEvents,
                 "One JSON line on stderr for every step and progress tick");
    app.add_option("--log-file", o.logFile,
                   "Append every log line to FILE, with its time and the modem's address")
        ->type_name("FILE");
}

void AddChecksumOption(CLI::App* command, RawOptions& raw) {
    command->add_option("--sha256", raw.sha256,
                        "SHA-256 the file must have (default: FILE.sha256 or the folder's "
                        "SHA256SUMS, when there)");
}

void DefineCommands(CLI::App& app, CliOptions& o, RawOptions& raw, Subcommands& s) {
    s.upgrade = app.add_subcommand("upgrade", "Firmware upgrade of the modem with FILE");
    s.upgrade->add_option("FILE", o.file, "Image or pack file")->required();
    s.upgrade->add_flag("--skip-criteria", o.skipCriteria,
                        "Do not send the criteria file hw.cond of a pack");
    s.upgrade->add_option("--target", raw.target, "Target system of the modem")
        ->check(CLI::IsMember({"atmos", "vxworks"}, CLI::ignore_case));
    s.upgrade->add_flag("--no-wait", o.noWait, "Do not wait for the modem to report completion");
    s.upgrade->add_flag("--verify", o.verify,
                        "Compare the modem's firmware version with FILE's after the reboot");
    s.upgrade
        ->add_option("--verify-interval", o.verifyInterval,
                     "Seconds between the reads of a rebooting modem (default 5)")
        ->check(CLI::Range(1, 3600));
    s.upgrade
        ->add_option("--verify-timeout", o.verifyTimeout,
                     "Seconds the modem has to come back (default 180)")
        ->check(CLI::Range(1, 86400));
    AddChecksumOption(s.upgrade, raw);

    s.info = app.add_subcommand("info", "Read and print the modem's identification");

    s.config = app.add_subcommand("config", "Save or restore the modem's configuration");
    s.config->require_subcommand(1);
    s.configGet = s.config->add_subcommand("get", "Save the configuration into a pack file");
    s.configGet
        ->add_option("-o,--output", raw.configOut,
                     "Pack file; {modem} stands for the modem's address (default config.pack)")
        ->type_name("FILE");
    s.configPut = s.config->add_subcommand("put", "Restore the configuration from a pack file");
    s.configPut->add_option("FILE", o.file, "Configuration pack file")->required();
    s.configPut->add_flag("--no-reboot", o.noReboot, "Send without the update bracket");
    s.configPut->add_flag("--no-wait", o.noWait, "Do not wait for the modem to report completion");
    AddChecksumOption(s.configPut, raw);

    s.send = app.add_subcommand("send", "Send a command macro and up to two files");
    s.send->add_option("--macro", raw.macro, "Command macro file")->type_name("FILE");
    s.send->add_option("--file", raw.file1, "First file, SRC[:DEST]")->type_name("FILE");
    s.send->add_option("--file2", raw.file2, "Second file, SRC[:DEST]")->type_name("FILE");
    AddChecksumOption(s.send, raw);

    s.remoteUpgrade = app.add_subcommand("remote-upgrade", "Remote TFTP server upgrade (Submit)");
    s.describe = app.add_subcommand("describe", "Describe a firmware file (File Info)");
    s.describe->add_option("FILE", o.file, "Image or pack file")->required();

    s.serve = app.add_subcommand("serve", "Run the local TFTP server until SIGINT or SIGTERM");
    s.serve->add_option("--root", o.root, "Directory served (default: the current one)")
        ->type_name("DIR");
    s.serve->add_flag("--no-read", o.noRead, "Refuse read requests");
    s.serve->add_flag("--write", o.write, "Accept write requests");

    s.tui = app.add_subcommand("tui", "The interactive window");
    s.interfaces =
        app.add_subcommand("interfaces", "List the host's network interfaces and addresses");
}

Command ChosenCommand(const Subcommands& s) {
    if (s.upgrade->parsed()) return Command::kUpgrade;
    if (s.info->parsed()) return Command::kInfo;
    if (s.configGet->parsed()) return Command::kConfigGet;
    if (s.configPut->parsed()) return Command::kConfigPut;
    if (s.send->parsed()) return Command::kSend;
    if (s.remoteUpgrade->parsed()) return Command::kRemoteUpgrade;
    if (s.describe->parsed()) return Command::kDescribe;
    if (s.serve->parsed()) return Command::kServe;
    if (s.tui->parsed()) return Command::kTui;
    if (s.interfaces->parsed()) return Command::kInterfaces;
    return Command::kNone;
}

bool IsSha256Text(const std::string& text) {
    return text.size() == 64 &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// The first line of standard input. A person typing it at a terminal is asked for it and
// does not see it echoed.
bool ReadPasswordFromStdin(std::string& line) {
    termios saved{};
    bool terminal = ::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
    }
    std::getline(std::cin, line);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    return !std::cin.bad();
}

// The first line of a file, or of standard input for "-".
bool ReadFirstLine(const std::string& path, std::string& line) {
    if (path == "-") {
        if (!ReadPasswordFromStdin(line)) return false;
    } else {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        std::getline(in, line);
        if (in.bad()) return false;
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return !in.bad();
}

// The modems named: one for a plain run, several (or a --modems file) for a fleet run.
std::string TakeModems(CliOptions& o, const RawOptions& raw) {
    std::vector<FleetModem> named;
    for (const std::string& address : raw.modems) {
        if (!fw::ParseIp(address)) return "--modem wants a dotted IPv4 address: " + address;
        named.push_back({address, std::nullopt});
    }
    if (!raw.modemsFile.empty()) {
        std::string text;
        if (!ReadWholeFile(raw.modemsFile, text))
            return "cannot read the modems file " + raw.modemsFile;
        ModemListResult list = ParseModemList(text);
        if (!list.problem.empty()) return raw.modemsFile + ": " + list.problem;
        if (list.modems.empty()) return raw.modemsFile + " names no modem";
        named.insert(named.end(), list.modems.begin(), list.modems.end());
    }
    if (std::string repeated = RepeatedModem(named); !repeated.empty()) return repeated;
    if (named.size() == 1 && raw.modemsFile.empty()) {
        o.modem = named.front().address;
    } else {
        o.fleet = std::move(named);
    }
    return {};
}

// What a fleet run cannot do: anything but the five commands, a broadcast (it reaches every
// modem at once), the "VxWorks" target (every modem would fetch from one local server port),
// and files every child would write over each other's.
std::string FleetProblem(const CliOptions& o) {
    if (!RunsInFleet(o.command))
        return "a fleet run (several modems) is for upgrade, info, config get, config put and send";
    if (o.broadcast)
        return "a fleet run talks to each modem at its own address: not with --broadcast, "
               "which reaches the whole segment at once";
    if (o.vxworks)
        return "a fleet run cannot upgrade with --target vxworks: every modem would fetch its "
               "image from the one local server port";
    if (o.command == Command::kConfigGet && !HasModemTemplate(o.file))
        return "config get in a fleet run wants {modem} in -o, so that each modem's pack has a "
               "file of its own (-o '{modem}.pack')";
    if (!o.pcap.empty() && !HasModemTemplate(o.pcap))
        return "--pcap in a fleet run wants {modem} in the file name";
    return {};
}

// The checks CLI11 cannot make: addresses, the password file, the file rows. Empty when
// all is well, else the complaint.
std::string Complete(CliOptions& o, const RawOptions& raw, const Subcommands& s) {
    if (std::string problem = TakeModems(o, raw); !problem.empty()) return problem;
    if (!raw.listen.empty()) {
        if (!fw::ParseIp(raw.listen)) return "--listen wants a dotted IPv4 address: " + raw.listen;
        o.listen = raw.listen;
    }
    if (!raw.passwordFile.empty()) {
        std::string line;
        if (!ReadFirstLine(raw.passwordFile, line)) {
            return "cannot read the password file " + raw.passwordFile;
        }
        o.password = line;
    }
    if (raw.passwordGiven) o.password = raw.password;
    // Last before setting.cfg: the environment, which no other user sees (the process list
    // shows every argument to everyone).
    if (const char* env = std::getenv("SPERROW_PASSWORD"); !o.password && env && *env)
        o.password = env;
    // The member check has already turned any spelling into the lower-case one.
    o.vxworks = raw.target == "vxworks";
    if (s.configGet->parsed()) {
        if (raw.configOut.empty()) return "-o wants a file name";
        o.file = raw.configOut;
    }
    if (!raw.macro.empty()) o.macro = raw.macro;
    if (!raw.file1.empty()) {
        o.file1 = ParseFileRow(raw.file1);
        if (!o.file1) return "--file wants SRC[:DEST]: " + raw.file1;
    }
    if (!raw.file2.empty()) {
        o.file2 = ParseFileRow(raw.file2);
        if (!o.file2) return "--file2 wants SRC[:DEST]: " + raw.file2;
    }
    if (s.serve->parsed() && o.root.empty()) return "--root wants a directory";
    if (!raw.sha256.empty()) {
        if (!IsSha256Text(raw.sha256)) return "--sha256 wants 64 hexadecimal digits: " + raw.sha256;
        int files = (o.macro ? 1 : 0) + (o.file1 ? 1 : 0) + (o.file2 ? 1 : 0);
        if (s.send->parsed() && files != 1) return "--sha256 with send wants exactly one file";
        o.sha256 = raw.sha256;
    }
    if (o.verify && o.vxworks) return "--verify is for an upgrade sent to the modem, not vxworks";
    if (o.verify && o.broadcast) return "--verify needs one modem: not with --broadcast";
    if (!o.fleet.empty()) return FleetProblem(o);
    // A run against one modem fills the templates in at once.
    std::string address = o.modem.value_or(kDefaultModem);
    if (o.command == Command::kConfigGet) o.file = ExpandModemTemplate(o.file, address);
    o.pcap = ExpandModemTemplate(o.pcap, address);
    return {};
}

// The file the command sends, whose checksum --sha256 gives.
std::string ChecksummedFile(const CliOptions& o) {
    if (o.command != Command::kSend) return o.file;
    if (o.macro) return *o.macro;
    return o.file1 ? o.file1->source : o.file2 ? o.file2->source : std::string();
}

}  // namespace

std::optional<FileRow> ParseFileRow(const std::string& text) {
    FileRow row;
    std::size_t colon = text.rfind(':');
    if (colon != std::string::npos && text.find('/', colon) == std::string::npos) {
        row.source = text.substr(0, colon);
        row.destination = text.substr(colon + 1);
    } else {
        row.source = text;
        std::size_t slash = text.rfind('/');
        row.destination = slash == std::string::npos ? text : text.substr(slash + 1);
    }
    if (row.source.empty() || row.destination.empty()) return std::nullopt;
    return row;
}

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
    ParsedCommandLine result;
    CliOptions o;
    RawOptions raw;
    Subcommands s;

    CLI::App app{kDescription, "sperrow"};
    // Global options may follow the command too, and a repeated option takes its last
    // value, so that a wrapper's defaults can be overridden after them.
    app.fallthrough();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", std::string("sperrow ") + SPERROW_VERSION_TEXT);
    DefineGlobalOptions(app, o, raw);
    DefineCommands(app, o, raw, s);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        int code = app.exit(e, out, err);
        result.out = out.str();
        result.err = err.str();
        // Help and version are successes; every other complaint is a usage error.
        result.exitCode = code == 0 ? 0 : 2;
        return result;
    }
    raw.passwordGiven = app.count("--password") > 0;
    o.command = ChosenCommand(s);
    std::string problem = Complete(o, raw, s);
    if (!problem.empty()) {
        result.exitCode = 2;
        result.err = "sperrow: " + problem + "\n";
        return result;
    }
    result.options = std::move(o);
    return result;
}

bool RunsInFleet(Command command) {
    return command == Command::kUpgrade || command == Command::kInfo ||
           command == Command::kConfigGet || command == Command::kConfigPut ||
           command == Command::kSend;
}

std::string CommandName(Command command) {
    switch (command) {
        case Command::kUpgrade:
            return "upgrade";
        case Command::kInfo:
            return "info";
        case Command::kConfigGet:
            return "config get";
        case Command::kConfigPut:
            return "config put";
        case Command::kSend:
            return "send";
        case Command::kRemoteUpgrade:
            return "remote-upgrade";
        case Command::kDescribe:
            return "describe";
        case Command::kServe:
            return "serve";
        case Command::kTui:
            return "tui";
        case Command::kInterfaces:
            return "interfaces";
        case Command::kNone:
            break;
    }
    return "";
}

std::string UsageText() {
    CliOptions o;
    RawOptions raw;
    Subcommands s;
    CLI::App app{kDescription, "sperrow"};
    app.fallthrough();
    app.set_version_flag("--version", std::string("sperrow ") + SPERROW_VERSION_TEXT);
    DefineGlobalOptions(app, o, raw);
    DefineCommands(app, o, raw, s);
    return app.help();
}

StartOptions StartOptionsFor(const CliOptions& o) {
    StartOptions start;
    bool interactive = o.command == Command::kNone || o.command == Command::kTui;
    bool vxworks_upgrade = o.command == Command::kUpgrade && o.vxworks;
    start.openServer =
        interactive ? !o.noServer : (o.command == Command::kServe || vxworks_upgrade);
    start.serverPort = o.serverPort;
    start.serverAddress = o.listen;
    start.expertMode = interactive ? o.expert : true;
    start.modemPort = o.port;
    start.clientDevice = o.interface;
    if (!o.sha256.empty()) start.checksums[ChecksummedFile(o)] = o.sha256;
    start.capturePath = o.pcap;
    start.captureSecrets = o.pcapSecrets;
    start.verifyIntervalSeconds = o.verifyInterval;
    start.verifyTimeoutSeconds = o.verifyTimeout;
    return start;
}

}  // namespace cli
