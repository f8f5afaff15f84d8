#include "formats/file_description.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "formats/formats.h"
#include "formats/pack_reading.h"
#include "framework/desktop.h"
#include "framework/file.h"
#include "framework/printable.h"

namespace {

constexpr std::size_t kInfoBytes = 100;
constexpr std::size_t kNameColumn = 30;
constexpr std::size_t kSplitVersionFrom = 20;  // shorter version strings are a hardware version

// Reads up to `max` bytes at `offset` as a zero-ended text.
std::string ReadTextAt(fw::CFile& file, long long offset, std::size_t max) {
    std::vector<char> bytes(max);
    if (max == 0 || file.Seek(offset, fw::CFile::begin) < 0) return {};
    long long n = file.Read(bytes.data(), max);
    if (n <= 0) return {};
    std::string text(bytes.data(), static_cast<std::size_t>(n));
    return text.substr(0, text.find('\0'));
}

std::string Printf(const char* format, long long a) {
    char text[64];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

std::string Printf(const char* format, long long a, long long b) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

FileDescription Info(std::string text) {
    return {std::move(text), fw::MB_ICONINFORMATION};
}

FileDescription DescribeImage(fw::CFile& file) {
    char field[8];
    long long n = file.Read(field, sizeof field);
    std::string version(field, n > 0 ? static_cast<std::size_t>(n) : 0);
    version = version.substr(0, version.find('\0'));
    if (version.starts_with("104"))
        return Info("Compressed image: using lzssm v2.0\nVersion:" + fw::EscapeControls(version) +
                    "\n\n");
    return Info("Compressed image: using lzssm v1.0 or vendor comp\nNo version info.\n");
}

struct EntrySpan {
    bool present = false;
    unsigned long long offset = 0;  // relative to the end of the table, until resolved
    std::uint32_t length = 0;
};

struct PackContents {
    std::string listing;
    long long files = 0;
    long long bytes = 0;
    EntrySpan info;
    EntrySpan criteria;
};

void AppendCapped(std::string& text, std::string_view more) {
    if (text.size() < kMaxContentsText) text.append(more.substr(0, kMaxContentsText - text.size()));
}

// Names come from the file: shown escaped, so that a name cannot forge lines.
std::string EntryLine(const std::string& name, std::uint32_t length) {
    std::string line = fw::EscapeControls(name);
    if (line.size() < kNameColumn) line.append(kNameColumn - line.size(), ' ');
    return line + Printf("\t%8lld\tbytes\n", length);
}

// Lists the table. False when an entry name is too long (the description is abandoned).
// A file that ends inside the table ends the list there.
bool ReadContents(fw::CFile& file, PackContents& c) {
    unsigned long long next = 0;
    std::string name;
    for (;;) {
        AppendCapped(c.listing, "    ");
        NameRead r = ReadEntryName(file, name);
        if (r == NameRead::tooLong) return false;
        if (r != NameRead::name) return true;
        std::uint32_t length = 0;
        ReadLength32(file, length);
        AppendCapped(c.listing, EntryLine(name, length));
        ++c.files;
        c.bytes += length;
        if (name == "info") c.info = {true, next, length};
        if (name == "hw.cond") c.criteria = {true, next, length};
        next += length;
    }
}

void SplitVersion(const std::string& version, VersionText& hardware, VersionText& firmware) {
    std::size_t slash = version.find('/');
    if (version.size() >= kSplitVersionFrom && slash != std::string::npos) {
        hardware = std::string_view(version).substr(0, slash);
        firmware = std::string_view(version).substr(slash + 1);
    } else {
        hardware = version;
    }
}

// The versions and the table of a pack, read as the description reads them.
struct PackFacts {
    VersionText hardware;
    VersionText firmware;
    PackContents contents;
    long long tableEnd = 0;
};

// False when an entry name is too long.
bool ReadPackFacts(fw::CFile& file, const std::string& magic, PackFacts& p) {
    std::string version;
    ReadPackVersion(file, magic, version);
    if (magic == kMagicPack)
        p.hardware = version.substr(0, version.find('\0'));
    else
        SplitVersion(version, p.hardware, p.firmware);
    if (!ReadContents(file, p.contents)) return false;
    p.tableEnd = std::max(file.GetPosition(), 0LL);
    const EntrySpan& info = p.contents.info;
    if (info.present && p.firmware.empty())
        ReadEmbeddedInfo(file, p.tableEnd + static_cast<long long>(info.offset), info.length,
                         p.hardware, p.firmware);
    return true;
}

// Later lines of a text shown indented under a heading keep its indentation, so that they
// cannot pass for lines of their own.
std::string IndentFollowingLines(std::string_view text, std::string_view indent) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size()) out += indent;
    }
    return out;
}

std::optional<FileDescription> DescribePack(fw::CFile& file, const std::string& magic) {
    const bool v10 = magic == kMagicPack;
    PackFacts p;
    if (!ReadPackFacts(file, magic, p)) return std::nullopt;
    const PackContents& c = p.contents;
    CriteriaText criteria("<None>");
    if (c.criteria.present)
        criteria = ReadCriteria(file, p.tableEnd + static_cast<long long>(c.criteria.offset),
                                c.criteria.length);

    // The total line is kept whole; a listing too long for the box gives way to it.
    std::string total = Printf("\nTotal: %lld file(s), %lld bytes", c.files, c.bytes);
    std::string contents = c.listing.substr(0, kMaxContentsText - total.size()) + total;
    std::string text = std::string("Pack file: using pack v") + (v10 ? "1.0" : "1.1") +
                       "\t\nHardware version: " + fw::EscapeControls(p.hardware.str()) +
                       "\t\t\nFirmware version: " + fw::EscapeControls(p.firmware.str()) +
                       "\t\t\nContain:\n" + contents + "\nCriteria:\n  " +
                       IndentFollowingLines(fw::EscapeControlsInLines(criteria.str()), "  ") + "\n";
    text = text.substr(0, kMaxDescription);
    // A cut between CR and LF would leave a bare carriage return at the end.
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return Info(text);
}

std::string Trimmed(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

void ReadEmbeddedInfo(fw::CFile& file, long long offset, std::uint32_t length,
                      VersionText& hardware, VersionText& firmware) {
    std::string text = ReadTextAt(file, offset, std::min<std::size_t>(kInfoBytes, length));
    std::string_view rest = text;
    for (int field = 0; field < 4 && !rest.empty(); ++field) {
        std::size_t end = rest.find(';');
        std::string_view value = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
        if (value.empty()) continue;
        if (field == 2) hardware = value;
        if (field == 3) firmware = value;
    }
}

CriteriaText ReadCriteria(fw::CFile& file, long long offset, std::uint32_t length) {
    std::string text =
        ReadTextAt(file, offset, std::min<std::size_t>(CriteriaText::capacity() - 1, length));
    return text.empty() ? CriteriaText("<None>") : CriteriaText(text);
}

std::optional<FileDescription> DescribeFile(const std::string& path) {
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite))
        return FileDescription{"Warning:\nCannot open file.", fw::MB_ICONSTOP};
    std::string magic = ReadMagic(file);
    if (magic == kMagicImage) return DescribeImage(file);
    if (magic == kMagicPack || magic == kMagicPk11) return DescribePack(file, magic);
    return Info("Warning: unknown file format.\n");
}

std::string FirmwareVersionOf(const std::string& path) {
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) return {};
    std::string magic = ReadMagic(file);
    if (magic == kMagicImage) {
        char field[8];
        long long n = file.Read(field, sizeof field);
        std::string version(field, n > 0 ? static_cast<std::size_t>(n) : 0);
        version = version.substr(0, version.find('\0'));
        return version.starts_with("104") ? Trimmed(version) : std::string();
    }
    if (magic != kMagicPack && magic != kMagicPk11) return {};
    PackFacts p;
    if (!ReadPackFacts(file, magic, p)) return {};
    return Trimmed(p.firmware.str());
}
