// The table of a fleet run: one row per modem with its address, the step its run is at,
// the file being moved, how far it is, and its result; and the summary at the end. Kept
// apart from the processes it describes so that it can be checked on its own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace cli {

struct FleetRow {
    enum class State { kWaiting, kRunning, kDone };
    std::string address;
    State state = State::kWaiting;
    std::string step;
    std::string file;
    int percent = -1;   // -1: no file under way
    int status = 0;     // once done
    std::string error;  // once done with a status other than 0: why
};

// The heading and one line per row, each cut to `width` columns (0: not cut). Control
// characters in what the modems said are shown escaped.
std::vector<std::string> FleetTableLines(const std::vector<FleetRow>& rows, std::size_t width);

// "ok", or "status 1: " and the reason on one line.
std::string FleetResult(const FleetRow& row);

// "8 modems: 8 succeeded." or "8 modems: 7 succeeded, 1 failed: 10.0.0.8." (the modems
// that failed, as named).
std::string FleetSummary(const std::vector<FleetRow>& rows);

}  // namespace cli
