#include "modem/modem_options.h"

#include <CLI/CLI.hpp>
#include <sstream>
#include <vector>

#include "framework/net.h"
#include "modem/fault_injector.h"

namespace modem {

namespace {

// "NAME=TEXT" into the plan's chosen errors; the first '=' splits, so TEXT may hold more.
std::string AddChosenErrors(const std::vector<std::string>& entries, FaultPlan& plan) {
    for (const auto& entry : entries) {
        std::size_t eq = entry.find('=');
        if (eq == std::string::npos || eq == 0)
            return "--error wants NAME=TEXT, got \"" + entry + "\"";
        plan.error_for[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    return {};
}

// "NAME=MS" into the plan's answer delays.
std::string AddAnswerDelays(const std::vector<std::string>& entries, FaultPlan& plan) {
    for (const auto& entry : entries) {
        std::size_t eq = entry.find('=');
        int ms = -1;
        if (eq != std::string::npos && eq > 0) {
            try {
                std::size_t used = 0;
                ms = std::stoi(entry.substr(eq + 1), &used);
                if (used != entry.size() - eq - 1) ms = -1;
            } catch (const std::exception&) {
                ms = -1;
            }
        }
        if (ms < 0) return "--answer-delay wants NAME=MS, got \"" + entry + "\"";
        plan.answer_delay_ms[entry.substr(0, eq)] = ms;
    }
    return {};
}

void DefineOptions(CLI::App& app, ModemOptions& o, std::string& listen,
                   std::vector<std::string>& errors, std::vector<std::string>& answer_delays) {
    ModemConfig& c = o.config;
    FaultPlan& f = o.faults;
    app.add_option("--listen", listen, "Address to listen on (0.0.0.0 to take broadcasts)")
        ->type_name("ADDR")
        ->capture_default_str();
    app.add_option("--port", c.listen_port, "UDP port to listen on (0: any free port)")
        ->type_name("N")
        ->capture_default_str();
    app.add_option("--data", c.data_dir, "Directory of the files served on reads")
        ->type_name("DIR")
        ->capture_default_str();
    app.add_option("--password", c.password, "Expected content of the unlock key");
    app.add_option("--board", c.board_id, "Board identifier announced to \"RequestID\"")
        ->type_name("ID")
        ->capture_default_str();
    app.add_option("--completion-delay", c.completion_delay_ms,
                   "Milliseconds from the end marker to the completion report")
        ->type_name("MS")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    app.add_flag("--listen-port-replies", c.answer_from_listen_port,
                 "Answer from the listening port instead of a fresh transfer port");
    app.add_option("--fetch-port", c.fetch_port,
                   "After \"RequestID\", fetch \"LatestVersion\" and its image from this port of "
                   "the host (0: off)")
        ->type_name("N")
        ->capture_default_str();
    app.add_option("--store", c.store_dir, "Also save every written and fetched file here")
        ->type_name("DIR");
    app.add_option("--reboot-seconds", c.reboot_seconds,
                   "After the completion report, reboot: silent for N seconds, then report the "
                   "firmware version the update carried (0: no reboot)")
        ->type_name("N")
        ->check(CLI::Range(0, 86400))
        ->capture_default_str();
    app.add_flag("--reject-image", c.reject_image,
                 "Keep the old firmware version after an update (a modem that rejected the "
                 "image)");
    app.add_option("--timeout", c.retransmit_timeout_ms, "Milliseconds before a retransmission")
        ->type_name("MS")
        ->check(CLI::Range(10, 600000))
        ->capture_default_str();
    app.add_option("--retries", c.max_retransmits, "Retransmissions before giving up")
        ->type_name("N")
        ->check(CLI::Range(0, 1000))
        ->capture_default_str();
    app.add_option("--loss", f.loss_percent, "Share of outgoing datagrams dropped, in %")
        ->type_name("PCT")
        ->check(CLI::Range(0, 100));
    app.add_option("--seed", f.seed, "Seed of the random loss and duplication")
        ->type_name("N")
        ->capture_default_str();
    app.add_option("--drop", f.drop,
                   "Drop chosen datagrams: KIND[BLOCK][:BLOCK|:NAME][*[COUNT]], "
                   "e.g. ack:2, data1:info*, ack0:tftplock.key, ack:65535")
        ->type_name("PACKET");
    app.add_option("--duplicate", f.duplicate, "Send chosen datagrams twice (same form as --drop)")
        ->type_name("PACKET");
    app.add_option("--duplicate-gap", f.duplicate_gap_ms,
                   "Milliseconds between the two copies of a duplicated datagram")
        ->type_name("MS")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    app.add_option("--answer-delay", answer_delays,
                   "Answer every request for NAME only after MS milliseconds (a modem erasing "
                   "its flash before it takes an image, say)")
        ->type_name("NAME=MS");
    app.add_option("--delay", f.delay_ms, "Milliseconds every outgoing datagram waits")
        ->type_name("MS")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--error", errors, "Answer requests for NAME with an ERROR of TEXT")
        ->type_name("NAME=TEXT");
    app.add_flag("--silent", f.silent, "Answer nothing at all");
    app.add_flag("-q,--quiet", o.quiet, "Print no exchange log lines");
}

}  // namespace

ParsedCommandLine ParseModemCommandLine(int argc, const char* const* argv,
                                        const std::string& default_data_dir) {
    ParsedCommandLine result;
    ModemOptions o;
    o.config.data_dir = default_data_dir;
    o.config.keep_history = false;  // a long-running program keeps only the latest copies
    std::string listen = "127.0.0.1";
    std::vector<std::string> errors;
    std::vector<std::string> answer_delays;

    CLI::App app{"The simulated modem: a modem's TFTP service on a UDP port", "sperrow-modem"};
    DefineOptions(app, o, listen, errors, answer_delays);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        // Help is a success; every other complaint is a usage error, as sperrow's are.
        result.exit_code = app.exit(e, out, err) == 0 ? 0 : 2;
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    std::string problem;
    auto addr = fw::ParseIp(listen);
    if (!addr) {
        problem = "--listen wants a dotted IPv4 address, got \"" + listen + "\"";
    } else {
        o.config.listen_addr = *addr;
        problem = AddChosenErrors(errors, o.faults);
        if (problem.empty()) problem = AddAnswerDelays(answer_delays, o.faults);
    }
    if (problem.empty()) problem = ValidateFaultPlan(o.faults);
    if (!problem.empty()) {
        result.exit_code = 2;
        result.err = "sperrow-modem: " + problem + "\n";
        return result;
    }
    result.options = std::move(o);
    return result;
}

}  // namespace modem
