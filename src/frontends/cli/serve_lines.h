// What `sperrow serve` prints for each transfer of the local server that has finished or
// failed: one line of tab-separated fields, for a person or for cut and awk alike.
#pragma once

#include <ctime>
#include <string>

#include "tftp/server_transfer_report.h"

namespace cli {

// "2024-05-01T12:34:56+02:00\t127.0.0.1:40000\tread\timage.bin\t40026\t0.12\tok": the local
// time `when` in ISO 8601, the peer, "read" or "write", the name (control characters and
// backslashes escaped as \xHH and \\, so the line stays one line of seven fields), the
// bytes moved, the seconds taken, and "ok" or the reason.
std::string ServeLine(const ServerTransferReport& report, std::time_t when);

}  // namespace cli
