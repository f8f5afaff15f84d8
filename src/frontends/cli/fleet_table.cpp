#include "frontends/cli/fleet_table.h"

#include <algorithm>

#include "framework/printable.h"

namespace cli {

namespace {

constexpr std::size_t kAddressWidth = 15;
constexpr std::size_t kStepWidth = 42;  // "waiting for the modem to finish its update"
constexpr std::size_t kFileWidth = 14;
constexpr std::size_t kProgressWidth = 8;
constexpr std::size_t kGap = 2;
// On a narrow terminal the step gives way, down to this, so that the result keeps as much.
constexpr std::size_t kNarrowStepWidth = 12;
constexpr std::size_t kResultWidth = 20;

std::size_t StepWidth(std::size_t width) {
    if (width == 0) return kStepWidth;
    std::size_t others = kAddressWidth + kFileWidth + kProgressWidth + 4 * kGap + kResultWidth;
    if (width <= others + kNarrowStepWidth) return kNarrowStepWidth;
    return std::min(kStepWidth, width - others);
}

std::string Cell(std::string text, std::size_t width) {
    if (text.size() > width) text.resize(width);
    text.append(width - text.size() + kGap, ' ');
    return text;
}

std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            if (!line.empty() && line.back() != ' ') line += ' ';
            continue;
        }
        line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return fw::EscapeControls(line);
}

std::string Line(const std::string& address, const std::string& step, const std::string& file,
                 const std::string& progress, const std::string& result, std::size_t width) {
    std::string line = Cell(address, kAddressWidth) + Cell(step, StepWidth(width)) +
                       Cell(file, kFileWidth) + Cell(progress, kProgressWidth) + result;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (width > 0 && line.size() > width) line.resize(width);
    return line;
}

}  // namespace

std::string FleetResult(const FleetRow& row) {
    if (row.state != FleetRow::State::kDone) return "";
    if (row.status == 0) return "ok";
    std::string result = "status " + std::to_string(row.status);
    std::string why = OneLine(row.error);
    return why.empty() ? result : result + ": " + why;
}

std::vector<std::string> FleetTableLines(const std::vector<FleetRow>& rows, std::size_t width) {
    std::vector<std::string> lines = {Line("MODEM", "STEP", "FILE", "PROGRESS", "RESULT", width)};
    for (const FleetRow& row : rows) {
        std::string step = row.state == FleetRow::State::kWaiting ? "waiting for its turn"
                           : row.state == FleetRow::State::kDone  ? "done"
                                                                  : OneLine(row.step);
        std::string progress = row.percent >= 0 && row.state == FleetRow::State::kRunning
                                   ? std::to_string(std::clamp(row.percent, 0, 100)) + "%"
                                   : "";
        lines.push_back(
            Line(row.address, step, OneLine(row.file), progress, FleetResult(row), width));
    }
    return lines;
}

std::string FleetSummary(const std::vector<FleetRow>& rows) {
    std::size_t succeeded = 0;
    std::string failed;
    for (const FleetRow& row : rows) {
        if (row.state == FleetRow::State::kDone && row.status == 0) {
            ++succeeded;
        } else {
            failed += (failed.empty() ? "" : ", ") + row.address;
        }
    }
    std::size_t failures = rows.size() - succeeded;
    std::string text = std::to_string(rows.size()) + (rows.size() == 1 ? " modem: " : " modems: ") +
                       std::to_string(succeeded) + " succeeded";
    if (failures == 0) return text + ".";
    return text + ", " + std::to_string(failures) + " failed: " + failed + ".";
}

}  // namespace cli
