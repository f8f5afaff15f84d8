#include "frontends/cli/fleet_child.h"

namespace cli {

namespace {

void Add(std::vector<std::string>& args, std::initializer_list<std::string> words) {
    args.insert(args.end(), words);
}

void AddIf(std::vector<std::string>& args, bool set, const char* flag) {
    if (set) args.emplace_back(flag);
}

std::string Row(const FileRow& row) {
    return row.source + ":" + row.destination;
}

void AddCommand(std::vector<std::string>& args, const CliOptions& o, const std::string& address) {
    switch (o.command) {
        case Command::kUpgrade:
            Add(args, {"upgrade", o.file});
            AddIf(args, o.skipCriteria, "--skip-criteria");
            AddIf(args, o.noWait, "--no-wait");
            if (o.verify) {
                Add(args, {"--verify", "--verify-interval", std::to_string(o.verifyInterval),
                           "--verify-timeout", std::to_string(o.verifyTimeout)});
            }
            break;
        case Command::kInfo:
            Add(args, {"info"});
            break;
        case Command::kConfigGet:
            Add(args, {"config", "get", "-o", ExpandModemTemplate(o.file, address)});
            break;
        case Command::kConfigPut:
            Add(args, {"config", "put", o.file});
            AddIf(args, o.noReboot, "--no-reboot");
            AddIf(args, o.noWait, "--no-wait");
            break;
        case Command::kSend:
            Add(args, {"send"});
            if (o.macro) Add(args, {"--macro", *o.macro});
            if (o.file1) Add(args, {"--file", Row(*o.file1)});
            if (o.file2) Add(args, {"--file2", Row(*o.file2)});
            break;
        default:
            break;
    }
    if (!o.sha256.empty()) Add(args, {"--sha256", o.sha256});
}

}  // namespace

std::optional<std::string> FleetPassword(const CliOptions& options, const FleetModem& modem) {
    return modem.password ? modem.password : options.password;
}

std::vector<std::string> FleetChildArguments(const CliOptions& o, const FleetModem& modem,
                                             bool password_on_stdin) {
    std::vector<std::string> args = {"-m", modem.address, "--port", std::to_string(o.port)};
    if (password_on_stdin) Add(args, {"--password-file", "-"});
    if (o.retry) Add(args, {"--retry", std::to_string(*o.retry)});
    if (o.timeout) Add(args, {"--timeout", std::to_string(*o.timeout)});
    if (o.delay) Add(args, {"--delay", std::to_string(*o.delay)});
    if (!o.interface.empty()) Add(args, {"--interface", o.interface});
    Add(args, {"--server-port", std::to_string(o.serverPort)});
    if (!o.listen.empty()) Add(args, {"--listen", o.listen});
    AddIf(args, o.noServer, "--no-server");
    AddIf(args, o.expert, "--expert");
    AddIf(args, o.quiet, "-q");
    if (!o.pcap.empty()) Add(args, {"--pcap", ExpandModemTemplate(o.pcap, modem.address)});
    AddIf(args, o.pcapSecrets, "--pcap-secrets");
    if (!o.logFile.empty()) Add(args, {"--log-file", o.logFile});
    Add(args, {"--json", "--json-events"});
    AddCommand(args, o, modem.address);
    return args;
}

}  // namespace cli
