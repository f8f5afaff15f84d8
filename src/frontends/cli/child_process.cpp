#include "frontends/cli/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace cli {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
    CloseFd(out_);
    CloseFd(err_);
}

bool ChildProcess::Start(const std::string& program, const std::string& name,
                         const std::vector<std::string>& args,
                         const std::optional<std::string>& input, std::string& error) {
    int out[2] = {-1, -1}, err[2] = {-1, -1}, in[2] = {-1, -1};
    auto close_all = [&] {
        for (int* pair : {out, err, in}) {
            CloseFd(pair[0]);
            CloseFd(pair[1]);
        }
    };
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        (input && ::pipe2(in, O_CLOEXEC) != 0)) {
        error = std::strerror(errno);
        close_all();
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // The child starts with the default handling of every signal the parent catches.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int number : {SIGINT, SIGTERM, SIGPIPE}) sigaddset(&defaults, number);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(name.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int result = ::posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        pid_ = -1;
        error = std::strerror(result);
        close_all();
        return false;
    }
    CloseFd(out[1]);
    CloseFd(err[1]);
    CloseFd(in[0]);
    if (input) {
        // A line of a password fits the pipe's buffer: the write does not wait for the child.
        std::string line = *input + "\n";
        ssize_t written = ::write(in[1], line.data(), line.size());
        (void)written;  // a child that is already gone reads nothing either way
        CloseFd(in[1]);
    }
    out_ = out[0];
    err_ = err[0];
    return true;
}

bool ChildProcess::ReadInto(int& fd, std::string& text) {
    if (fd < 0) return false;
    char buffer[4096];
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (got <= 0) {
        CloseFd(fd);
        return false;
    }
    text.append(buffer, static_cast<std::size_t>(got));
    return true;
}

void ChildProcess::Signal(int signal_number) const {
    if (pid_ > 0) ::kill(pid_, signal_number);
}

int ChildProcess::Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &status, 0);
    } while (got < 0 && errno == EINTR);
    pid_ = -1;
    if (got < 0) return 1;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace cli
