// The checksum a file to be sent is expected to have, where one is at hand: given on the
// command line, in a FILE.sha256 beside the file, or in a SHA256SUMS of its folder that
// names it (both as sha256sum writes them: "HEX  NAME", or "HEX *NAME" in binary mode).
// A mismatch refuses the file before anything is sent.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kChecksumMismatchText =
    "Warning:\nThe file does not match its checksum.";
inline constexpr const char* kChecksumSuffix = ".sha256";
inline constexpr const char* kChecksumListName = "SHA256SUMS";

// 64 hexadecimal digits, either case.
bool IsSha256Hex(std::string_view text);

// One line of sha256sum's output: the checksum (lower case) and the name it is for (empty
// for a line that holds the checksum alone). Nothing for a line of another shape.
struct ChecksumLine {
    std::string hex;
    std::string name;
};
std::optional<ChecksumLine> ParseChecksumLine(std::string_view line);

struct ExpectedChecksum {
    enum class Origin { kNone, kGiven, kBeside, kFolderList };
    Origin origin = Origin::kNone;
    std::string hex;    // lower case; empty when the origin holds no usable checksum
    std::string where;  // the file it was read from ("the command line" when given)
};

// `given` (when not empty) wins over FILE.sha256, which wins over SHA256SUMS. A FILE.sha256
// that holds no checksum counts as present but unusable (its hex is empty).
ExpectedChecksum FindExpectedChecksum(const std::string& path, const std::string& given);

struct ChecksumCheck {
    enum class Verdict { kNoneAtHand, kMatches, kDiffers };
    Verdict verdict = Verdict::kNoneAtHand;
    std::string where;  // where the expected checksum came from
};

// Hashes the file only when a checksum is at hand. A file that cannot be hashed differs.
ChecksumCheck CheckFileChecksum(const std::string& path, const std::string& given);
