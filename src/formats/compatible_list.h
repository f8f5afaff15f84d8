// The compatible list: an optional trailer of any firmware file naming the boards the file
// suits. The file's last 2 bytes hold its length L (most significant byte first); the L
// bytes before them are zero-ended board identifiers.
#pragma once

#include <cstddef>
#include <string>

#include "formats/formats.h"

inline constexpr std::size_t kMaxCompatibleList = 500;

// Copies the list of the file at `path` into `buffer` and returns the number of
// identifiers (the zero bytes among the L bytes), 0 on any failure. A file that cannot be
// opened and a list longer than 500 bytes are shown as stop-icon boxes; a length larger
// than the file means the file carries no list. When `box` is empty the boxes go to
// fw::AfxMessageBox. The byte after the list is set to zero when the buffer has room.
int ReadCompatibleList(const std::string& path, char* buffer, std::size_t size,
                       const LogSink& log = {}, const BoxSink& box = {});
