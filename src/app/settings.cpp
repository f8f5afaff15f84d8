#include "app/settings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "framework/file.h"

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// The line reader keeps the line end; a value is the text before it (a file written on
// another system may end its lines with CR LF).
std::string_view WithoutLineEnd(std::string_view value) {
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.remove_suffix(1);
    return value;
}

}  // namespace

std::optional<std::size_t> MatchSettingKey(std::string_view line, std::string_view key) {
    std::size_t pos = 0;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    for (char k : key) {
        if (pos == line.size() || Upper(line[pos]) != Upper(k)) return std::nullopt;
        ++pos;
    }
    while (pos < line.size() && (IsBlank(line[pos]) || line[pos] == ':')) ++pos;
    return pos;
}

void ApplySettingLine(std::string_view piece, SavedSettings& out) {
    if (auto at = MatchSettingKey(piece, "Password"))
        out.password = WithoutLineEnd(piece.substr(*at));
    else if (auto at2 = MatchSettingKey(piece, "PackFile"))
        out.packFile = WithoutLineEnd(piece.substr(*at2));
}

bool ReadSettingsFile(const std::string& path, SavedSettings& out) {
    std::error_code error;
    // A device or a pipe would not open, or would never end.
    if (!std::filesystem::is_regular_file(path, error)) return false;
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::typeText)) return false;
    SavedSettings read;
    std::string piece;
    std::size_t taken = 0;
    bool first = true;
    while (taken < kSettingsMaxBytes &&
           file.ReadLine(piece, std::min(kSettingsPiece, kSettingsMaxBytes - taken))) {
        taken += piece.size();
        std::string_view text = piece;
        // An editor's byte-order mark is no part of the first key.
        if (first && text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(3);
        first = false;
        ApplySettingLine(text, read);
    }
    out = std::move(read);
    return true;
}
