// The modem's files on disk: the directory it serves reads from, and the directory where
// it keeps a copy of every file written to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace modem {

// Names a host may read: not empty, not absolute, and no "." or ".." component, so that
// nothing outside the served directory can be reached.
bool IsServableName(std::string_view name);

// A requested name turned into one plain file name for the store: characters other than
// letters, digits, '.', '-' and '_' become '_', and "", "." and ".." become "_".
std::string StoredFileName(std::string_view name);

// The bytes of dir/name when it is a readable regular file.
std::optional<std::vector<std::uint8_t>> ReadServedFile(const std::string& dir,
                                                        const std::string& name);

// Writes dir/StoredFileName(name) through a temporary file renamed into place, so that
// whoever watches the store never sees half a file. False with *error set on failure.
bool SaveStoredFile(const std::string& dir, const std::string& name,
                    const std::vector<std::uint8_t>& bytes, std::string* error);

}  // namespace modem
