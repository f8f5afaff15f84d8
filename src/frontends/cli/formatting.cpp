#include "frontends/cli/formatting.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/net.h"
#include "framework/printable.h"

namespace cli {

namespace {

// The progress bar counts blocks; a block carries this many bytes (the last one fewer).
constexpr double kProgressBlockBytes = 512.0;

// The length of the valid UTF-8 sequence starting at text[i], or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    // Overlong forms and surrogates are not valid either.
    if (length == 2 && lead < 0xC2) return 0;
    if (length == 3) {
        unsigned char next = byte(i + 1);
        if ((lead == 0xE0 && next < 0xA0) || (lead == 0xED && next >= 0xA0)) return 0;
    }
    if (length == 4) {
        unsigned char next = byte(i + 1);
        if ((lead == 0xF0 && next < 0x90) || lead > 0xF4 || (lead == 0xF4 && next >= 0x90)) {
            return 0;
        }
    }
    return length;
}

void AppendEscaped(std::string& json, unsigned char c) {
    switch (c) {
        case '"':
            json += "\\\"";
            return;
        case '\\':
            json += "\\\\";
            return;
        case '\n':
            json += "\\n";
            return;
        case '\r':
            json += "\\r";
            return;
        case '\t':
            json += "\\t";
            return;
        default:
            break;
    }
    if (c < 0x20 || c == 0x7F) {
        char code[8];
        std::snprintf(code, sizeof code, "\\u%04x", c);
        json += code;
        return;
    }
    json += static_cast<char>(c);
}

}  // namespace

std::string TrimLineEnd(std::string_view value) {
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) {
        value.remove_suffix(1);
    }
    return std::string(value);
}

std::string ModemInfoText(const ModemInfoView& info) {
    std::string text;
    auto line = [&](const char* label, const std::string& value) {
        text += label;
        text += TrimLineEnd(value);
        text += '\n';
    };
    line("Company: ", info.company);
    line("Date: ", info.date);
    line("Hardware Version: ", info.hardwareVersion);
    line("Firmware Version: ", info.firmwareVersion);
    line("Product ID: ", info.productId);
    line("MAC Address: ", info.macAddress);
    line("Tftp Version: ", info.tftpVersion);
    text += "Hardware Profile:\n";
    for (const std::string& profile_line : info.hardwareProfile) {
        text += "  " + TrimLineEnd(profile_line) + "\n";
    }
    return text;
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            json += "\\ufffd";
            ++i;
        } else if (length == 1) {
            AppendEscaped(json, static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            json.append(text.substr(i, length));
            i += length;
        }
    }
    json += '"';
    return json;
}

std::string ModemInfoJson(const ModemInfoView& info) {
    std::string json = "{\n";
    auto member = [&](const char* key, const std::string& value) {
        json += "  ";
        json += JsonString(key);
        json += ": ";
        json += JsonString(TrimLineEnd(value));
        json += ",\n";
    };
    member("company", info.company);
    member("date", info.date);
    member("hardwareVersion", info.hardwareVersion);
    member("firmwareVersion", info.firmwareVersion);
    member("productId", info.productId);
    member("macAddress", info.macAddress);
    member("tftpVersion", info.tftpVersion);
    json += "  \"hardwareProfile\": [";
    for (std::size_t i = 0; i < info.hardwareProfile.size(); ++i) {
        json += i == 0 ? "\n    " : ",\n    ";
        json += JsonString(TrimLineEnd(info.hardwareProfile[i]));
    }
    json += info.hardwareProfile.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return json;
}

std::string FormatBytes(double bytes) {
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%.0f B", std::max(bytes, 0.0));
    } else if (bytes < 1024.0 * 1024.0) {
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    }
    return text;
}

std::string FormatRate(double bytes_per_second) {
    return FormatBytes(bytes_per_second) + "/s";
}

std::string FormatTimeLeft(double seconds) {
    if (!(seconds >= 0) || seconds > 99 * 3600) return "--:--";
    long long whole = static_cast<long long>(std::ceil(seconds));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

std::string ProgressLine(std::string_view name, int done, int total, double bytes_per_second,
                         int width, long long total_bytes) {
    total = std::max(total, 0);
    done = std::clamp(done, 0, total);
    width = std::max(width, 1);
    int filled =
        total == 0 ? width : static_cast<int>(static_cast<long long>(done) * width / total);
    int percent = total == 0 ? 100 : static_cast<int>(static_cast<long long>(done) * 100 / total);
    double all_bytes =
        total_bytes >= 0 ? static_cast<double>(total_bytes) : total * kProgressBlockBytes;
    double done_bytes = std::min(done * kProgressBlockBytes, all_bytes);
    if (done == total) done_bytes = all_bytes;
    double left = bytes_per_second > 0 ? (all_bytes - done_bytes) / bytes_per_second
                                       : (done == total ? 0.0 : -1.0);
    std::string line = fw::EscapeControls(name);
    if (!line.empty()) line += "  ";
    line += '[';
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(width - filled), '.');
    line += "]  " + std::to_string(percent) + "%  " + FormatBytes(done_bytes) + " / " +
            FormatBytes(all_bytes) + "  " + FormatRate(bytes_per_second) + "  " +
            FormatTimeLeft(left) + " left";
    return line;
}

std::string InterfacesText(const std::vector<fw::InterfaceAddress>& interfaces) {
    std::size_t width = 0;
    for (const auto& iface : interfaces) width = std::max(width, iface.name.size());
    std::string text;
    for (const auto& iface : interfaces) {
        std::string name = fw::EscapeControls(iface.name);
        std::string address = fw::FormatIp(iface.addr);
        text += name + std::string(width + 2 - std::min(width, iface.name.size()), ' ') + address +
                std::string(address.size() < 17 ? 17 - address.size() : 1, ' ') +
                (iface.up ? "up" : "down") + (iface.loopback ? ", loopback" : "") + "\n";
    }
    return text;
}

}  // namespace cli
