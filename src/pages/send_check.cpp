#include "pages/send_check.h"

#include <filesystem>

#include "framework/file.h"

std::string CheckFileToSend(const std::string& path, long long size_limit,
                            const char* too_large_text) {
    std::error_code ec;
    fw::CFile file;
    // A folder opens for reading on this platform, but holds nothing to send.
    if (std::filesystem::is_directory(path, ec) ||
        !file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) {
        return "Warning:\nCannot open file.";
    }
    long long size = file.GetLength();
    if (size < 0) return "Warning:\nCannot open file.";
    if (size >= size_limit) return too_large_text;
    return {};
}
