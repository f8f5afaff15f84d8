#include "formats/compatible_list.h"

#include <algorithm>
#include <cstdio>

#include "framework/desktop.h"
#include "framework/file.h"

namespace {

void Show(const BoxSink& box, const std::string& text) {
    if (box)
        box(text, fw::MB_ICONSTOP);
    else
        fw::AfxMessageBox(text, fw::MB_ICONSTOP);
}

void Log(const LogSink& log, const std::string& text) {
    if (log) log(text);
}

std::string Format(const char* format, long long value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The trailer's length field, or -1 when the file is too short to hold one.
long long ReadListLength(fw::CFile& file, long long file_length) {
    unsigned char b[2];
    if (file_length < 2 || file.Seek(file_length - 2, fw::CFile::begin) < 0) return -1;
    if (file.Read(b, 2) != 2) return -1;
    return b[0] << 8 | b[1];
}

}  // namespace

int ReadCompatibleList(const std::string& path, char* buffer, std::size_t size, const LogSink& log,
                       const BoxSink& box) {
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) {
        Show(box, "Error to open file " + path + ".");
        return 0;
    }
    long long file_length = file.GetLength();
    long long length = ReadListLength(file, file_length);
    if (length < 0) return 0;
    Log(log, Format("Compabile list length: %lld", length));
    if (length > static_cast<long long>(kMaxCompatibleList)) {
        Show(box, Format("Compabile list length: %lld", length) + "\nLength too long!");
        return 0;
    }
    // A length that reaches before the file's start is not a list but the last two bytes
    // of a file that has none.
    if (length > file_length - 2 || static_cast<std::size_t>(length) > size) return 0;
    if (file.Seek(file_length - 2 - length, fw::CFile::begin) < 0) return 0;
    if (file.Read(buffer, static_cast<std::size_t>(length)) != length) return 0;
    if (static_cast<std::size_t>(length) < size) buffer[length] = '\0';
    int count = static_cast<int>(std::count(buffer, buffer + length, '\0'));
    Log(log, Format("Get %lld compatible string", count));
    return count;
}
