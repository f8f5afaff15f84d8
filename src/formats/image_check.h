// Whether a file can be sent to a modem as its "image": checked before a plan starts, so
// that a bad file is refused before the modem is put into update mode.
#pragma once

#include <string>

struct ImageCheck {
    bool ok = false;
    std::string message;  // the stop-icon box text when not ok
};

// Opens the file and checks that its format is known and, for a pack, that the table is
// non-empty, holds at most 200 entries with names under 50 characters, and that every
// entry lies inside the file. Neither a compressed image nor any pack entry may need the
// modem's reserved completion block (kSendSizeLimit).
ImageCheck CheckImageFile(const std::string& path);

struct PackEntry;
// The pack-table half of the check, for a table already read (the send path runs it on
// g_aPackEntries): nullptr when every entry is sendable, else the refusal text.
const char* CheckPackEntries(const PackEntry* entries, int count, long long file_length);

// The refusal texts beside the system's own "Warning:\nCannot open file." and
// "Warning:\nYour image is not correct.".
inline constexpr const char* kPackEmptyText = "Warning:\nThe pack holds no file.";
inline constexpr const char* kPackTooManyText = "Warning:\nToo many files in the pack.";
inline constexpr const char* kPackNameText = "Warning:\nA file name in the pack is too long.";
inline constexpr const char* kPackTruncatedText = "Warning:\nThe pack is cut short.";
inline constexpr const char* kTooLargeText = "Warning:\nThe file is too large to send.";
