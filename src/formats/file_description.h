// The "File&Info" description of a firmware file: its format, versions, the entries of a
// pack with their sizes, and a pack's criteria text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/fixed_text.h"

namespace fw {
class CFile;
}

// Buffer sizes of the description: what each part may hold, one byte kept for the zero.
using VersionText = fw::FixedText<52>;    // 51 characters
using CriteriaText = fw::FixedText<300>;  // 299 characters
inline constexpr std::size_t kMaxContentsText = 1999;
inline constexpr std::size_t kMaxDescription = 2999;

// Reads the "info" entry's text at `offset` (at most 100 bytes, never past `length`) and
// splits it at ";". A third field replaces `hardware` and a fourth replaces `firmware`
// when present (non-empty after leading blanks).
void ReadEmbeddedInfo(fw::CFile& file, long long offset, std::uint32_t length,
                      VersionText& hardware, VersionText& firmware);

// The criteria entry's text (at most 299 bytes of it), or "<None>" when it is empty.
CriteriaText ReadCriteria(fw::CFile& file, long long offset, std::uint32_t length);

struct FileDescription {
    std::string text;
    unsigned icon = 0;  // fw::MB_ICONINFORMATION, or fw::MB_ICONSTOP when it cannot open
};

// The box that "File&Info" shows for the file at `path`; nothing when no box is shown
// (a pack entry name of 50 characters or more abandons the description silently). Text
// taken from the file (names, versions, the criteria) has its control characters escaped.
std::optional<FileDescription> DescribeFile(const std::string& path);

// The firmware version the file carries, blanks trimmed: the version field of an image of
// the newer format, a pack's firmware version (from its version string or its "info"
// entry, as described). Empty when it carries none.
std::string FirmwareVersionOf(const std::string& path);
