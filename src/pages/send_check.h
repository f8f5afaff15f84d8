// The check a page runs on a file it is about to have sent whole (an "Other File" row, a
// file of the download files page), so that a file that cannot be sent is refused before
// anything reaches the modem.
#pragma once

#include <string>

// Empty when the file at `path` opens and is smaller than `size_limit` bytes; otherwise the
// text of the refusal, in the system's two-line style.
std::string CheckFileToSend(const std::string& path, long long size_limit,
                            const char* too_large_text);
