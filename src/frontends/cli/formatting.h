// The command line's own texts, kept apart from the dialogs they are read from so that
// they can be checked on their own: the Modem Information dialog as lines, and the
// progress bar's line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/resolver.h"

namespace cli {

// What the Modem Information dialog shows, value by value, as read from its controls.
struct ModemInfoView {
    std::string company;
    std::string date;
    std::string hardwareVersion;
    std::string firmwareVersion;
    std::string productId;
    std::string macAddress;
    std::string tftpVersion;
    std::vector<std::string> hardwareProfile;
};

// The value without any trailing carriage returns and line feeds.
std::string TrimLineEnd(std::string_view value);

// "Company: ..." to "Hardware Profile:" and the profile lines indented by two blanks.
std::string ModemInfoText(const ModemInfoView& info);
// The progress bar's line, as people know it from curl: the file name, a bar of `width`
// cells, the share done, the bytes done and in all, the rate and the time left, e.g.
// "image  [#######.......]  50%  20.0 KiB / 39.1 KiB  120.5 KiB/s  0:01 left". Bytes are
// counted in 512-byte blocks, of the file's size when it is known (`total_bytes`).
std::string ProgressLine(std::string_view name, int done, int total, double bytes_per_second,
                         int width, long long total_bytes = -1);
// How far a file is, in bytes (of `total_bytes` when known, else of 512-byte blocks) and in
// per cent, when `done` of its `total` blocks are through.
struct ProgressAmount {
    double done = 0;
    double all = 0;
    int percent = 0;
};
ProgressAmount AmountDone(int done, int total, long long total_bytes);
// "512 B", "120.5 KiB", "3.2 MiB"; FormatRate adds "/s".
std::string FormatBytes(double bytes);
std::string FormatRate(double bytes_per_second);
// "0:07", "12:30", "1:02:03"; "--:--" when unknown (negative) or absurdly long.
std::string FormatTimeLeft(double seconds);

// `sperrow interfaces`: one line per IPv4 address of the host, with the interface's name
// and whether it is up and a loopback one.
std::string InterfacesText(const std::vector<fw::InterfaceAddress>& interfaces);

}  // namespace cli
