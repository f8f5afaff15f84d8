#include "framework/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace fw {

namespace {

constexpr std::size_t kReadBuffer = 64 * 1024;

}  // namespace

CFile::~CFile() {
    Close();
}

bool CFile::Fail(int err) {
    last_error_ = err;
    return false;
}

bool CFile::Open(const std::string& path, unsigned flags) {
    Close();
    int access = O_RDONLY;
    const char* stdio_mode = "rb";
    if (flags & modeReadWrite) {
        access = O_RDWR;
        stdio_mode = "r+b";
    } else if (flags & modeWrite) {
        access = O_WRONLY;
        stdio_mode = "wb";  // fdopen never truncates; the open flags decide that
    }
    // Non-blocking, so that a named pipe cannot hold the open up; it is refused below.
    int oflags = access | O_CLOEXEC | O_NONBLOCK;
    if (flags & modeCreate) {
        oflags |= O_CREAT;
        if (!(flags & modeNoTruncate)) oflags |= O_TRUNC;
    }
    int fd = ::open(path.c_str(), oflags, 0666);
    if (fd < 0) return Fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A folder, a pipe or a device opens on Linux but is no file to the program: it
        // has no length to send and may never end.
        int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return Fail(err);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fp_ = ::fdopen(fd, stdio_mode);
    if (!fp_) {
        int err = errno;
        ::close(fd);
        return Fail(err);
    }
    // A file only read is mostly read from start to end, a block of 512 bytes at a time
    // while it is sent: a read from the system per 128 blocks instead of per 8.
    if (access == O_RDONLY) {
        if (!readBuffer_) readBuffer_ = std::make_unique<char[]>(kReadBuffer);
        std::setvbuf(fp_, readBuffer_.get(), _IOFBF, kReadBuffer);
    }
    path_ = path;
    text_ = (flags & typeText) != 0;
    last_op_ = LastOp::kNone;
    last_error_ = 0;
    return true;
}

void CFile::Close() {
    if (fp_) std::fclose(fp_);
    fp_ = nullptr;
    path_.clear();
    last_op_ = LastOp::kNone;
}

void CFile::SwitchTo(LastOp op) {
    if (last_op_ != LastOp::kNone && last_op_ != op) std::fseek(fp_, 0, SEEK_CUR);
    last_op_ = op;
}

long long CFile::Read(void* buf, std::size_t count) {
    if (!fp_) {
        last_error_ = EBADF;
        return -1;
    }
    SwitchTo(LastOp::kRead);
    std::size_t n = std::fread(buf, 1, count, fp_);
    if (n < count && std::ferror(fp_)) {
        last_error_ = errno ? errno : EIO;
        std::clearerr(fp_);
        return -1;
    }
    return static_cast<long long>(n);
}

bool CFile::Write(const void* buf, std::size_t count) {
    if (!fp_) return Fail(EBADF);
    SwitchTo(LastOp::kWrite);
    if (std::fwrite(buf, 1, count, fp_) != count) {
        int err = errno ? errno : EIO;
        std::clearerr(fp_);
        return Fail(err);
    }
    return true;
}

long long CFile::Seek(long long offset, SeekPosition from) {
    if (!fp_) {
        last_error_ = EBADF;
        return -1;
    }
    int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    if (::fseeko(fp_, static_cast<off_t>(offset), whence) != 0) {
        last_error_ = errno;
        return -1;
    }
    last_op_ = LastOp::kNone;
    return GetPosition();
}

long long CFile::GetLength() {
    if (!fp_) {
        last_error_ = EBADF;
        return -1;
    }
    if (std::fflush(fp_) != 0 && last_op_ == LastOp::kWrite) {
        last_error_ = errno;
        return -1;
    }
    struct stat st {};
    if (::fstat(::fileno(fp_), &st) != 0) {
        last_error_ = errno;
        return -1;
    }
    return static_cast<long long>(st.st_size);
}

long long CFile::GetPosition() {
    if (!fp_) {
        last_error_ = EBADF;
        return -1;
    }
    off_t pos = ::ftello(fp_);
    if (pos < 0) {
        last_error_ = errno;
        return -1;
    }
    return static_cast<long long>(pos);
}

bool CFile::Flush() {
    if (!fp_) return Fail(EBADF);
    if (std::fflush(fp_) != 0) return Fail(errno);
    return true;
}

bool CFile::ReadLine(std::string& line, std::size_t max_chars) {
    line.clear();
    if (!fp_) return Fail(EBADF);
    if (max_chars == 0) return false;
    SwitchTo(LastOp::kRead);
    while (line.size() < max_chars) {
        int c = std::getc(fp_);
        if (c == EOF) break;
        if (c == '\r' && text_) {
            int next = std::getc(fp_);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, fp_);
            }
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (std::ferror(fp_)) {
        last_error_ = errno ? errno : EIO;
        std::clearerr(fp_);
    }
    return !line.empty();
}

}  // namespace fw
