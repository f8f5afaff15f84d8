// The pack table of the send path: the named entries of a "PACK" or "PK11" file with the
// file position and length of each entry's data.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/fixed_text.h"

namespace fw {
class CFile;
}

inline constexpr int kMaxPackEntries = 200;
inline constexpr std::size_t kMaxEntryName = 49;  // a name of 50 or more makes a pack invalid

struct PackEntry {
    fw::FixedText<100> name;
    std::uint32_t offset = 0;  // file position of the entry's first data byte
    std::uint32_t length = 0;  // entry length in bytes
};

// The table of the pack being sent, the number of valid records and the index of the
// entry being sent.
extern PackEntry g_aPackEntries[kMaxPackEntries];
extern int g_nPackEntries;
extern int g_nPackEntry;

enum class PackTableResult {
    ok,
    badMagic,        // neither "PACK" nor "PK11"
    nameTooLong,     // an entry name of 50 characters or more
    tooManyEntries,  // more than kMaxPackEntries entries
    truncated,       // the file ends inside the version or the table
    tooLarge,        // an entry's data would lie beyond 4 GiB
};

// Reads the version and the entry table of `file`, positioned just after `magic`, into
// `entries` (room for kMaxPackEntries records) and sets `count`. Offsets are absolute file
// positions: the first entry's data begin right after the table's terminator.
PackTableResult ParsePackTable(fw::CFile& file, std::string_view magic, PackEntry* entries,
                               int& count);

// The send path's reader: ParsePackTable into g_aPackEntries / g_nPackEntries. False on
// any failure, in which case g_nPackEntries is 0 so that no stale record can be sent.
bool ReadPackTable(fw::CFile& file, std::string_view magic);
