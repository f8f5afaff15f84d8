#include "formats/pack_table.h"

#include <string>

#include "formats/formats.h"
#include "formats/pack_reading.h"
#include "framework/file.h"

PackEntry g_aPackEntries[kMaxPackEntries];
int g_nPackEntries = 0;
int g_nPackEntry = 0;

namespace {

PackTableResult FromNameRead(NameRead r) {
    return r == NameRead::tooLong ? PackTableResult::nameTooLong : PackTableResult::truncated;
}

// Lays the entries' data out one after the other from the end of the table.
PackTableResult AssignOffsets(long long table_end, PackEntry* entries, int count) {
    unsigned long long next = static_cast<unsigned long long>(table_end);
    for (int i = 0; i < count; ++i) {
        if (next > UINT32_MAX) return PackTableResult::tooLarge;
        entries[i].offset = static_cast<std::uint32_t>(next);
        next += entries[i].length;
    }
    return PackTableResult::ok;
}

}  // namespace

PackTableResult ParsePackTable(fw::CFile& file, std::string_view magic, PackEntry* entries,
                               int& count) {
    count = 0;
    if (magic != kMagicPack && magic != kMagicPk11) return PackTableResult::badMagic;
    std::string text;
    if (!ReadPackVersion(file, magic, text, 0)) return PackTableResult::truncated;
    for (;;) {
        NameRead r = ReadEntryName(file, text);
        if (r == NameRead::end) break;
        if (r != NameRead::name) return FromNameRead(r);
        if (count == kMaxPackEntries) return PackTableResult::tooManyEntries;
        PackEntry& e = entries[count];
        e.name = text;
        if (!ReadLength32(file, e.length)) return PackTableResult::truncated;
        ++count;
    }
    long long table_end = file.GetPosition();
    if (table_end < 0) return PackTableResult::truncated;
    return AssignOffsets(table_end, entries, count);
}

bool ReadPackTable(fw::CFile& file, std::string_view magic) {
    int count = 0;
    PackTableResult r = ParsePackTable(file, magic, g_aPackEntries, count);
    g_nPackEntries = r == PackTableResult::ok ? count : 0;
    return r == PackTableResult::ok;
}
