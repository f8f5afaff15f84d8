#include "frontends/cli/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framework/printable.h"
#include "frontends/cli/time_stamp.h"

namespace cli {

LogFile::~LogFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool LogFile::Open(const std::string& path, std::string& error) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) error = std::strerror(errno);
    return fd_ >= 0;
}

std::string LogFileEntry(std::string_view address, std::string_view line) {
    return fw::EscapeControls(address) + '\t' + fw::EscapeControls(line);
}

void LogFile::Append(std::string_view address, std::string_view line) {
    if (fd_ < 0) return;
    std::string entry = IsoTimeNow() + '\t' + LogFileEntry(address, line) + '\n';
    // One write: with O_APPEND the kernel puts it whole at the file's end. A log that cannot
    // be written does not stop the run.
    while (::write(fd_, entry.data(), entry.size()) < 0 && errno == EINTR) {
    }
}

}  // namespace cli
