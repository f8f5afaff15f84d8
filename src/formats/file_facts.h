// What the command line's description tells beside the window's: the file's size, its
// SHA-256 and the boards of its compatible list, so that a user can tell the file they
// hold from the one they meant.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct FileFacts {
    long long size = 0;
    std::string sha256;
    std::vector<std::string> boards;  // as the file names them, in order
};

// Nothing when the file is not a regular file that can be read whole.
std::optional<FileFacts> ReadFileFacts(const std::string& path);

// "Size: N bytes", "SHA-256: HEX" and "Compatible boards: A, B" ("none" without a list), one
// line each; board names are shown with their control characters escaped.
std::string FileFactsText(const FileFacts& facts);
