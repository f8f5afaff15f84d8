#include "formats/pack_reading.h"

#include "formats/formats.h"
#include "formats/pack_table.h"
#include "framework/file.h"

namespace {

bool ReadByte(fw::CFile& file, char& c) {
    return file.Read(&c, 1) == 1;
}

}  // namespace

std::string ReadMagic(fw::CFile& file) {
    char magic[4];
    long long n = file.Read(magic, sizeof magic);
    return std::string(magic, n > 0 ? static_cast<std::size_t>(n) : 0);
}

bool ReadPackVersion(fw::CFile& file, std::string_view magic, std::string& version,
                     std::size_t keep) {
    version.clear();
    if (magic == kMagicPack) {
        char field[8];
        if (file.Read(field, sizeof field) != static_cast<long long>(sizeof field)) return false;
        version.assign(field, sizeof field < keep ? sizeof field : keep);
        return true;
    }
    // "PK11": the version string runs to its zero byte, however long it is.
    char c = 0;
    while (ReadByte(file, c)) {
        if (c == '\0') return true;
        if (version.size() < keep) version.push_back(c);
    }
    return false;
}

NameRead ReadEntryName(fw::CFile& file, std::string& name) {
    name.clear();
    char c = 0;
    while (ReadByte(file, c)) {
        if (c == '\0') return name.empty() ? NameRead::end : NameRead::name;
        if (name.size() == kMaxEntryName) return NameRead::tooLong;
        name.push_back(c);
    }
    return NameRead::truncated;
}

bool ReadLength32(fw::CFile& file, std::uint32_t& value) {
    unsigned char b[4];
    if (file.Read(b, sizeof b) != static_cast<long long>(sizeof b)) return false;
    value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
            static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
}
