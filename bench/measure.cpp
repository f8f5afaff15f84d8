// The bench's stopwatch and starter, so that the shell scripts need nothing beyond what the
// build already has.
//
//   sperrow-bench-measure run [--log FILE] [--limit SECONDS] -- PROGRAM [ARGS...]
//       Runs PROGRAM (its output into FILE, /dev/null by default) and prints one line:
//       "STATUS WALL_S USER_S SYS_S MAXRSS_KB". STATUS is the exit code, or 128 + the signal
//       that ended it; a program still running after the limit is killed (STATUS 137).
//       The figures come from wait4, so they are the program's own, not a shell's.
//   sperrow-bench-measure udp-exec ADDRESS PORT PROGRAM [ARGS...]
//       Starts PROGRAM as inetd would start a UDP service: with a socket already bound to
//       ADDRESS:PORT as its standard input. tftpd-hpa started this way makes no address
//       lookup of its own, which a loopback-only namespace could not answer.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile sig_atomic_t g_child = 0;

void KillChild(int) {
    if (g_child > 0) ::kill(static_cast<pid_t>(g_child), SIGKILL);
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double Now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: sperrow-bench-measure run [--log FILE] [--limit SECONDS] -- PROGRAM "
                 "[ARGS...]\n"
                 "       sperrow-bench-measure udp-exec ADDRESS PORT PROGRAM [ARGS...]\n");
    return 2;
}

[[noreturn]] void ExecChild(const char* log, char** argv) {
    int out = ::open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(out, STDERR_FILENO) < 0) {
        std::perror("sperrow-bench-measure: log");
        ::_exit(126);
    }
    if (out > STDERR_FILENO) ::close(out);
    ::execvp(argv[0], argv);
    std::perror("sperrow-bench-measure: exec");
    ::_exit(127);
}

int Run(int argc, char** argv) {
    const char* log = "/dev/null";
    long limit = 120;
    int i = 0;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            log = argv[++i];
        } else if (std::strcmp(argv[i], "--limit") == 0 && i + 1 < argc) {
            limit = std::strtol(argv[++i], nullptr, 10);
        } else {
            return Usage();
        }
    }
    if (i + 1 >= argc || limit <= 0) return Usage();
    char** program = argv + i + 1;

    struct sigaction on_alarm {};
    on_alarm.sa_handler = KillChild;
    ::sigaction(SIGALRM, &on_alarm, nullptr);

    double start = Now();
    pid_t child = ::fork();
    if (child < 0) {
        std::perror("sperrow-bench-measure: fork");
        return 1;
    }
    if (child == 0) ExecChild(log, program);
    g_child = child;
    ::alarm(static_cast<unsigned>(limit));

    // A blocking wait: a polling one would take CPU time beside the program it measures.
    int status = 0;
    rusage usage{};
    pid_t got = -1;
    for (int tries = 0; tries < 1000; ++tries) {
        got = ::wait4(child, &status, 0, &usage);
        if (got == child || errno != EINTR) break;
    }
    double wall = Now() - start;
    ::alarm(0);
    if (got != child) {
        std::perror("sperrow-bench-measure: wait4");
        return 1;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%d %.6f %.6f %.6f %ld\n", code, wall, Seconds(usage.ru_utime),
                Seconds(usage.ru_stime), usage.ru_maxrss);
    return 0;
}

int UdpExec(int argc, char** argv) {
    if (argc < 3) return Usage();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    long port = std::strtol(argv[1], nullptr, 10);
    if (port <= 0 || port > 65535 || ::inet_pton(AF_INET, argv[0], &address.sin_addr) != 1) {
        return Usage();
    }
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("sperrow-bench-measure: udp-exec");
        return 1;
    }
    if (fd != STDIN_FILENO && (::dup2(fd, STDIN_FILENO) < 0 || ::close(fd) != 0)) {
        std::perror("sperrow-bench-measure: udp-exec");
        return 1;
    }
    ::execvp(argv[2], argv + 2);
    std::perror("sperrow-bench-measure: exec");
    return 127;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string command = argv[1];
    if (command == "run") return Run(argc - 2, argv + 2);
    if (command == "udp-exec") return UdpExec(argc - 2, argv + 2);
    return Usage();
}
