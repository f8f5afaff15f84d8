// A child process of the command line with its standard output and error on pipes, and its
// standard input either a pipe holding a few bytes given at the start (then closed) or
// /dev/null. The pipes are closed on exec, so a child never holds another's.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace cli {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `args` (after argv[0], which is `name`). False, with the
    // system's reason, when it could not be started.
    bool Start(const std::string& program, const std::string& name,
               const std::vector<std::string>& args, const std::optional<std::string>& input,
               std::string& error);

    pid_t Pid() const { return pid_; }
    // The read ends, -1 once at their end and closed.
    int OutFd() const { return out_; }
    int ErrFd() const { return err_; }

    // Reads what one pipe holds now into `text`; false at its end (the pipe is then closed).
    bool ReadOut(std::string& text) { return ReadInto(out_, text); }
    bool ReadErr(std::string& text) { return ReadInto(err_, text); }

    // Sends a signal while the child has not been waited for.
    void Signal(int signal_number) const;
    // Waits for the child's end: its exit status, or 128 + the signal that ended it.
    int Wait();
    bool Waited() const { return pid_ <= 0; }

private:
    static bool ReadInto(int& fd, std::string& text);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

}  // namespace cli
