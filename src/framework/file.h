// CFile: a file handle with the open modes the program uses. Errors are returned as
// values, never thrown. Sharing flags are accepted for fidelity and have no effect here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace fw {

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,      // create, truncating an existing file
        modeNoTruncate = 0x2000,  // with modeCreate: keep an existing file's contents
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const std::string& path, unsigned flags);
    void Close();
    bool IsOpen() const { return fp_ != nullptr; }
    const std::string& GetFilePath() const { return path_; }

    // Bytes read (0 at the end), or -1 on error.
    long long Read(void* buf, std::size_t count);
    bool Write(const void* buf, std::size_t count);
    // New position, or -1 on error.
    long long Seek(long long offset, SeekPosition from);
    long long GetLength();
    long long GetPosition();
    bool Flush();
    // Text mode line reading with fgets semantics: at most max_chars characters, the line
    // end kept; false at the end of the file. Opened with typeText, a CR LF pair reads as
    // one LF, as text mode did on the original platform.
    bool ReadLine(std::string& line, std::size_t max_chars);

    int LastError() const { return last_error_; }  // errno of the last failure

private:
    enum class LastOp { kNone, kRead, kWrite };
    // A stdio stream needs a seek between a read and a write in either order.
    void SwitchTo(LastOp op);
    bool Fail(int err);

    std::FILE* fp_ = nullptr;
    // The stream's buffer when the file is only read: larger than stdio's own.
    std::unique_ptr<char[]> readBuffer_;
    std::string path_;
    int last_error_ = 0;
    bool text_ = false;
    LastOp last_op_ = LastOp::kNone;
};

}  // namespace fw
