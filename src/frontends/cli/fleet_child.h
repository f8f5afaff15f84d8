// What a fleet run hands each of its children: the command line of a run against one
// modem, and that modem's password, which goes through the child's standard input
// ("--password-file -") and never into its arguments, where every user of the machine can
// read it in the process list.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontends/cli/cli_options.h"

namespace cli {

// The modem's own password (its --modems line), else the command line's (-p,
// --password-file, SPERROW_PASSWORD); nothing: the child takes setting.cfg's.
std::optional<std::string> FleetPassword(const CliOptions& options, const FleetModem& modem);

// The arguments (after the program name) of the child that runs the command against
// `modem`: every option of the fleet run that a single run knows, the templates filled in
// with the modem's address, --json and --json-events for the parent to follow it, and
// "--password-file -" when the password comes on standard input. -v stays with the
// parent: the children's log goes to --log-file.
std::vector<std::string> FleetChildArguments(const CliOptions& options, const FleetModem& modem,
                                             bool password_on_stdin);

}  // namespace cli
