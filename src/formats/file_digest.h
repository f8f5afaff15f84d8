// The SHA-256 of a file, as sha256sum writes it (64 lower-case hex digits), computed with
// libcrypto's digest interface.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Nothing when `path` is not a regular file or cannot be read whole.
std::optional<std::string> Sha256OfFile(const std::string& path);

// The SHA-256 of bytes in memory.
std::string Sha256OfBytes(const void* data, std::size_t len);
