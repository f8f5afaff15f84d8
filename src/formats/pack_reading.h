// Byte-level readers of the pack layout, shared by the send path's table reader and the
// file description. A short read is reported, never read past.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fw {
class CFile;
}

// Skips or reads the version after the magic: 8 characters for "PACK", a zero-ended string
// for "PK11". At most `keep` characters are kept in `version` (the rest are skipped).
// False when the file ends first.
bool ReadPackVersion(fw::CFile& file, std::string_view magic, std::string& version,
                     std::size_t keep = 1024);

enum class NameRead { name, end, tooLong, truncated };

// Reads one zero-ended entry name. `end` for the empty name that closes the table,
// `tooLong` as soon as the 50th character is seen, `truncated` when the file ends first.
NameRead ReadEntryName(fw::CFile& file, std::string& name);

// A 32-bit length, least significant byte first. False when fewer than 4 bytes remain.
bool ReadLength32(fw::CFile& file, std::uint32_t& value);
