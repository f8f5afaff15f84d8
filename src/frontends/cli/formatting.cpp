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

ProgressAmount AmountDone(int done, int total, long long total_bytes) {
    total = std::max(total, 0);
    done = std::clamp(done, 0, total);
    ProgressAmount amount;
    amount.percent =
        total == 0 ? 100 : static_cast<int>(static_cast<long long>(done) * 100 / total);
    amount.all = total_bytes >= 0 ? static_cast<double>(total_bytes) : total * kProgressBlockBytes;
    amount.done = done == total ? amount.all : std::min(done * kProgressBlockBytes, amount.all);
    return amount;
}

std::string ProgressLine(std::string_view name, int done, int total, double bytes_per_second,
                         int width, long long total_bytes) {
    total = std::max(total, 0);
    done = std::clamp(done, 0, total);
    width = std::max(width, 1);
    int filled =
        total == 0 ? width : static_cast<int>(static_cast<long long>(done) * width / total);
    ProgressAmount amount = AmountDone(done, total, total_bytes);
    int percent = amount.percent;
    double all_bytes = amount.all;
    double done_bytes = amount.done;
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
