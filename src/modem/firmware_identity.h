// What the simulated modem reports as its firmware once an update has made it reboot: the
// version the update carried, taken from the files it received the way the host reads a
// firmware file's version, reported in the firmware field of its "info" file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace modem {

// The version a file received inside the update bracket carries: the firmware field of an
// "info" entry ("company;date;hardware;firmware", or "hardware/firmware" in the third
// field), else the version field of an image of the newer format ("LZ01" and eight
// characters beginning with "104"). Blanks trimmed; empty when it carries none.
std::string VersionCarriedBy(const std::string& name, const std::vector<std::uint8_t>& bytes);

// `info` reporting `firmware`: the part after the first "/" of the third field when that
// field has one, else the fourth field (added when the text has only three).
std::string InfoReporting(const std::string& info, const std::string& firmware);

}  // namespace modem
