#include "formats/file_checksum.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "formats/file_digest.h"
#include "framework/file.h"

namespace {

namespace fs = std::filesystem;

// How much of a checksum file is read: enough for any list a mirror keeps beside its files.
constexpr std::size_t kMaxBesideFile = 64 * 1024;
constexpr std::size_t kMaxFolderList = 1024 * 1024;

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// At most `max` bytes of a regular file; nothing when there is no such file.
std::optional<std::string> ReadSmallFile(const fs::path& path, std::size_t max) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return std::nullopt;
    fw::CFile file;
    if (!file.Open(path.string(), fw::CFile::modeRead | fw::CFile::shareDenyWrite))
        return std::nullopt;
    std::string text(max, '\0');
    long long got = file.Read(text.data(), max);
    if (got < 0) return std::nullopt;
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::vector<ChecksumLine> ParseLines(std::string_view text) {
    std::vector<ChecksumLine> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        if (auto line = ParseChecksumLine(text.substr(0, end))) lines.push_back(*line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// sha256sum's escaping of a name holding a backslash or a line feed.
std::string Unescape(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 1 < name.size()) {
            ++i;
            out += name[i] == 'n' ? '\n' : name[i];
        } else {
            out += name[i];
        }
    }
    return out;
}

bool Names(const ChecksumLine& line, const std::string& bare) {
    return line.name == bare || line.name == "./" + bare;
}

}  // namespace

bool IsSha256Hex(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

std::optional<ChecksumLine> ParseChecksumLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    bool escaped = !line.empty() && line.front() == '\\';
    if (escaped) line.remove_prefix(1);
    if (line.size() < 64 || !IsSha256Hex(line.substr(0, 64))) return std::nullopt;
    ChecksumLine parsed{Lower(line.substr(0, 64)), {}};
    std::string_view rest = line.substr(64);
    if (rest.find_first_not_of(" \t") == std::string_view::npos) return parsed;
    // "HEX  NAME" (text mode) or "HEX *NAME" (binary mode).
    if (rest.size() < 3 || rest[0] != ' ' || (rest[1] != ' ' && rest[1] != '*'))
        return std::nullopt;
    rest.remove_prefix(2);
    parsed.name = escaped ? Unescape(rest) : std::string(rest);
    return parsed;
}

ExpectedChecksum FindExpectedChecksum(const std::string& path, const std::string& given) {
    using Origin = ExpectedChecksum::Origin;
    if (!given.empty()) {
        return {Origin::kGiven, IsSha256Hex(given) ? Lower(given) : std::string(),
                "the command line"};
    }
    fs::path file(path);
    std::string bare = file.filename().string();
    fs::path beside = path + kChecksumSuffix;
    if (auto text = ReadSmallFile(beside, kMaxBesideFile)) {
        std::vector<ChecksumLine> lines = ParseLines(*text);
        auto named = std::find_if(lines.begin(), lines.end(),
                                  [&](const ChecksumLine& l) { return Names(l, bare); });
        std::string hex = named != lines.end() ? named->hex
                          : lines.empty()      ? std::string()
                                               : lines.front().hex;
        return {Origin::kBeside, hex, beside.string()};
    }
    fs::path list = file.parent_path() / kChecksumListName;
    if (auto text = ReadSmallFile(list, kMaxFolderList)) {
        for (const ChecksumLine& line : ParseLines(*text)) {
            if (Names(line, bare)) return {Origin::kFolderList, line.hex, list.string()};
        }
    }
    return {};
}

ChecksumCheck CheckFileChecksum(const std::string& path, const std::string& given) {
    using Verdict = ChecksumCheck::Verdict;
    ExpectedChecksum expected = FindExpectedChecksum(path, given);
    if (expected.origin == ExpectedChecksum::Origin::kNone) return {Verdict::kNoneAtHand, {}};
    std::optional<std::string> actual = Sha256OfFile(path);
    bool matches = !expected.hex.empty() && actual && *actual == expected.hex;
    return {matches ? Verdict::kMatches : Verdict::kDiffers, expected.where};
}
