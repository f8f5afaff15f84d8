// Writes the firmware file layouts: packs of either version, compressed-image headers and
// the compatible-list trailer. Used to make the bundled sample files and test files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using ByteVector = std::vector<std::uint8_t>;

struct PackItem {
    std::string name;
    ByteVector data;
};

// "PACK" takes exactly 8 version characters (padded with zeros or cut); "PK11" takes a
// zero-ended version string of any length.
ByteVector BuildPack(std::string_view magic, std::string_view version,
                     const std::vector<PackItem>& items);

// "LZ01", the 8-character version field (padded with zeros or cut), then the payload.
ByteVector BuildImage(std::string_view version_field, const ByteVector& payload);

// Appends the zero-ended identifiers and their total length (2 bytes, most significant
// first).
void AppendCompatibleList(ByteVector& file, const std::vector<std::string>& boards);

ByteVector ToBytes(std::string_view text);
