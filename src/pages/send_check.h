// The checks a page runs on a file it is about to have sent (the image or pack, an "Other
// File" row, a file of the download files page), so that a file that cannot be sent, or is
// not the file its checksum says, is refused before anything reaches the modem.
#pragma once

#include <map>
#include <string>

// Empty when the file at `path` opens, is smaller than `size_limit` bytes and matches its
// checksum (CheckChecksumOf); otherwise the text of the refusal, in the system's two-line
// style.
std::string CheckFileToSend(const std::string& path, long long size_limit,
                            const char* too_large_text);

// The same for a file sent as the modem's image: its format and pack table are checked
// (CheckImageFile), then its checksum.
std::string CheckImageToSend(const std::string& path);

// Empty when no checksum is at hand for the file or it matches; the log says which. Else
// "Warning:\nThe file does not match its checksum.".
std::string CheckChecksumOf(const std::string& path);

// Checksums given by whoever drives the window (the command line's --sha256), each for the
// file at its path. They win over the checksum files beside a file.
void SetGivenChecksums(std::map<std::string, std::string> checksums_by_path);
