#include "frontends/cli/modem_list.h"

#include <optional>
#include <set>

#include "framework/net.h"

namespace cli {

namespace {

constexpr std::string_view kModemTemplate = "{modem}";

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

ModemListResult ParseModemList(std::string_view text) {
    ModemListResult result;
    int number = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (IsBlank(line) || line.front() == '#') continue;
        std::size_t tab = line.find('\t');
        FleetModem modem;
        modem.address = std::string(line.substr(0, tab));
        if (tab != std::string_view::npos) modem.password = std::string(line.substr(tab + 1));
        if (!fw::ParseIp(modem.address)) {
            result.problem =
                "line " + std::to_string(number) +
                " is not an IPv4 address (with a tab and its password): " + modem.address;
            return result;
        }
        result.modems.push_back(std::move(modem));
    }
    return result;
}

std::string RepeatedModem(const std::vector<FleetModem>& modems) {
    // One modem written two ways ("10.0.0.1", "10.0.0.01") is still one modem.
    std::set<std::string> seen;
    for (const FleetModem& modem : modems) {
        std::optional<std::uint32_t> parsed = fw::ParseIp(modem.address);
        std::string key = parsed ? fw::FormatIp(*parsed) : modem.address;
        if (!seen.insert(key).second) return "modem " + modem.address + " is named twice";
    }
    return {};
}

std::string ExpandModemTemplate(std::string_view text, std::string_view address) {
    std::string out;
    for (std::size_t at = 0;;) {
        std::size_t found = text.find(kModemTemplate, at);
        out += text.substr(at, found - at);
        if (found == std::string_view::npos) return out;
        out += address;
        at = found + kModemTemplate.size();
    }
}

bool HasModemTemplate(std::string_view text) {
    return text.find(kModemTemplate) != std::string_view::npos;
}

}  // namespace cli
