// What the command line's `describe` adds to the window's "File&Info" description: the
// file's size, SHA-256 and compatible boards, and whether an upgrade would take the file.
#pragma once

#include <map>
#include <string>

struct FileReport {
    std::string factsText;  // "Size: ...", "SHA-256: ...", "Compatible boards: ..." lines
    std::string refusal;    // why an upgrade would refuse the file; empty when it would not
};

FileReport ReportOnFile(const std::string& path);

// What sending the file as the modem's image puts on the wire, by remote name: each entry of
// a pack with its length, or "image" with the file's size. Empty when it cannot be read.
std::map<std::string, long long> SentFileSizes(const std::string& path);

inline constexpr const char* kUnknownFormatText = "Warning:\nThe file is of no known format.";
