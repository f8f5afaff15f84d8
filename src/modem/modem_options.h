// The command line of sperrow-modem, turned into a modem configuration and a fault plan.
#pragma once

#include <optional>
#include <string>

#include "modem/simulated_modem.h"

namespace modem {

struct ModemOptions {
    ModemConfig config;
    FaultPlan faults;
    bool quiet = false;  // no exchange log lines on stdout
};

struct ParsedCommandLine {
    std::optional<ModemOptions> options;  // nothing: exit with exit_code after printing
    int exit_code = 0;
    std::string out;  // help text, for stdout
    std::string err;  // what was wrong, for stderr
};

ParsedCommandLine ParseModemCommandLine(int argc, const char* const* argv,
                                        const std::string& default_data_dir);

}  // namespace modem
