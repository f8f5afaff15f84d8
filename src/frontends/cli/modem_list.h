// The modems of a fleet run: the addresses given with -m, and the lines of a --modems file,
// each an IPv4 address optionally followed by a tab and that modem's password.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct FleetModem {
    std::string address;
    std::optional<std::string> password;  // nothing: the password of the command line
    bool operator==(const FleetModem&) const = default;
};

struct ModemListResult {
    std::vector<FleetModem> modems;
    std::string problem;  // empty when every line was taken
};

// One modem a line: "ADDRESS" or "ADDRESS<TAB>PASSWORD", the password being the rest of the
// line, blanks and "#" included (a carriage return before the line feed is not part of it).
// Blank lines and lines starting with "#" are skipped. A line that is none of these is a
// problem named with its number.
ModemListResult ParseModemList(std::string_view text);

// "modem A is named twice" for the first address given more than once, else empty: two
// runs against one modem would trample on each other.
std::string RepeatedModem(const std::vector<FleetModem>& modems);

// `text` with every "{modem}" replaced by the address.
std::string ExpandModemTemplate(std::string_view text, std::string_view address);
bool HasModemTemplate(std::string_view text);

}  // namespace cli
