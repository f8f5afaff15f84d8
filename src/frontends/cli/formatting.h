// The command line's own texts, kept apart from the dialogs they are read from so that
// they can be checked on their own: the Modem Information dialog as lines or JSON, and the
// progress bar's line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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
// One JSON object with the keys company, date, hardwareVersion, firmwareVersion,
// productId, macAddress, tftpVersion and hardwareProfile (an array of the lines).
std::string ModemInfoJson(const ModemInfoView& info);
// A JSON string literal: quotes, backslashes and control characters escaped; bytes that
// are not valid UTF-8 become U+FFFD, so the output always parses.
std::string JsonString(std::string_view text);

// The progress bar's line: the file name, a bar of `width` cells, blocks done and total,
// and the rate, e.g. "image  [#######.......]  40/79 blocks  120.5 KiB/s".
std::string ProgressLine(std::string_view name, int done, int total, double bytes_per_second,
                         int width);
// "512 B/s", "120.5 KiB/s", "3.2 MiB/s".
std::string FormatRate(double bytes_per_second);

}  // namespace cli
