// Local times in ISO 8601 with the zone's offset, for serve's lines and the log file.
#pragma once

#include <ctime>
#include <string>

namespace cli {

// "2024-05-01T12:34:56+02:00".
std::string IsoTime(std::time_t when);
// The same with milliseconds, "2024-05-01T12:34:56.789+02:00", of the real-time clock now.
std::string IsoTimeNow();

}  // namespace cli
