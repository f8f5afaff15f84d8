// --log-file: a log that outlasts the run. Every log line is appended as one line, "TIME
// <TAB> ADDRESS <TAB> LINE" (local time in ISO 8601 with milliseconds), in a single write to
// a file opened for appending, so that the children of a fleet run can share one file
// without their lines ever running into each other.
#pragma once

#include <string>
#include <string_view>

namespace cli {

class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens (creating it when missing) for appending; the reason when it cannot.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return fd_ >= 0; }

    // Control characters in the line are shown escaped, so that one entry stays one line.
    void Append(std::string_view address, std::string_view line);

private:
    int fd_ = -1;
};

// The line written for an entry, without the time: "ADDRESS <TAB> LINE" escaped.
std::string LogFileEntry(std::string_view address, std::string_view line);

}  // namespace cli
