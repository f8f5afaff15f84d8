// What every firmware-file reader shares: the magics, the sinks through which the readers
// log and show message boxes, and the size limit of a TFTP send.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fw {
class CFile;
}

inline constexpr std::string_view kMagicPack = "PACK";   // pack, version 1.0
inline constexpr std::string_view kMagicPk11 = "PK11";   // pack, version 1.1
inline constexpr std::string_view kMagicImage = "LZ01";  // compressed image

// A log line, passed unchanged to the activity log. May be empty: nothing is logged.
using LogSink = std::function<void(const std::string& text)>;
// A message box: text and icon flags (fw::MB_ICONSTOP, fw::MB_ICONINFORMATION).
using BoxSink = std::function<void(const std::string& text, unsigned flags)>;

// Block numbers are 16-bit and the modem reserves block 65535 to report a finished
// update, so the last block of a send must stay at 65534: a file of 65534 * 512 bytes
// or more would need block 65535.
inline constexpr long long kSendSizeLimit = 65534LL * 512;  // 33,553,408

// The first four bytes of the file (fewer when it is shorter).
std::string ReadMagic(fw::CFile& file);
