// A fleet run: the command against every modem named, each modem in a `sperrow` process of
// its own (with its own window, sockets and log), at most --jobs of them at once and never
// two against one address. The children report with --json-events on stderr, which feed
// the table (live on a terminal), and with --json on stdout, which make the result: one
// object per modem under --json, else the table and a summary. The exit status is 0 only
// when every modem succeeded, else the highest status among them; a stop signal is passed
// on to the children and ends the run with 130 or 143 once they have wound down.
#pragma once

#include "frontends/cli/cli_options.h"

namespace cli {

class Output;

int RunFleet(const CliOptions& options, Output& output);

}  // namespace cli
