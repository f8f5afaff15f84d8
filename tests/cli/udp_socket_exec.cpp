// Starts a program the way inetd does for a UDP service: with a socket already bound to
// the service's address as its standard input. tftpd-hpa started this way needs no address
// lookup of its own, which a namespace that holds only loopback cannot answer.
//   usage: cli_udp_socket_exec ADDRESS PORT PROGRAM [ARGS...]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: cli_udp_socket_exec ADDRESS PORT PROGRAM [ARGS...]\n");
        return 2;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[2])));
    if (::inet_pton(AF_INET, argv[1], &address.sin_addr) != 1) {
        std::fprintf(stderr, "cli_udp_socket_exec: not an IPv4 address: %s\n", argv[1]);
        return 2;
    }
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("cli_udp_socket_exec");
        return 1;
    }
    if (fd != STDIN_FILENO && (::dup2(fd, STDIN_FILENO) < 0 || ::close(fd) != 0)) {
        std::perror("cli_udp_socket_exec");
        return 1;
    }
    ::execvp(argv[3], argv + 3);
    std::perror("cli_udp_socket_exec");
    return 127;
}
