// The settings file "setting.cfg": a site's preset password and image or pack file. Read
// once at start-up, never written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kSettingsFileName = "setting.cfg";
// Lines are read in pieces of at most this many characters, each piece taken as a line.
inline constexpr std::size_t kSettingsPiece = 199;
// No more of the file is read: two short settings need far less, and a file that never
// ends (a link to a device) must not keep the program from starting.
inline constexpr std::size_t kSettingsMaxBytes = 4096;

struct SavedSettings {
    std::string password;  // "Password"
    std::string packFile;  // "PackFile"
};

// The position of the value when `line` begins, after blanks and tabs, with `key` (letter
// case ignored); the blanks, tabs and colons after the key are skipped. Nothing when the
// line does not begin with the key.
std::optional<std::size_t> MatchSettingKey(std::string_view line, std::string_view key);

// Reads the settings file at `path` into `out` (the last occurrence of a key wins; values
// lose their trailing line end). Only a regular file is read, at most kSettingsMaxBytes of
// it, and a UTF-8 byte-order mark at its start is skipped. False when the file is not a
// regular file or cannot be opened; `out` is then untouched.
bool ReadSettingsFile(const std::string& path, SavedSettings& out);

// Takes one piece of a line: stores its value when it holds one of the two keys.
void ApplySettingLine(std::string_view piece, SavedSettings& out);
