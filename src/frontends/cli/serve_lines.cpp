#include "frontends/cli/serve_lines.h"

#include <cstdio>

#include "frontends/cli/time_stamp.h"

namespace cli {

namespace {

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
