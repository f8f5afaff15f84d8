#include "frontends/cli/serve_lines.h"

#include <cstdio>

namespace cli {

namespace {

std::string IsoTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    long offset = local.tm_gmtoff / 60;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    char zone[48];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", sign, offset / 60, offset % 60);
    return std::string(text) + zone;
}

std::string Field(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

std::string ServeLine(const ServerTransferReport& report, std::time_t when) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(report.elapsed) / 1000.0);
    return IsoTime(when) + '\t' + report.peerAddress + ':' + std::to_string(report.peerPort) +
           '\t' + (report.write ? "write" : "read") + '\t' + Field(report.name) + '\t' +
           std::to_string(report.bytes) + '\t' + seconds + '\t' + Field(report.outcome);
}

}  // namespace cli
