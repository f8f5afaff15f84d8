// A modem that falls silent after a stray answer: it takes every write, answers the first
// read request with a block out of order (which the client drops, leaving the request's
// timer running) and then says nothing more.
//   usage: cli_stray_peer   (listens on a free port of 127.0.0.1 and prints it)
// Ends after 60 seconds without a datagram, or on SIGTERM.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr int kIdleLimitMs = 60000;

void Put16(std::uint8_t* at, unsigned value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

int main() {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        std::perror("cli_stray_peer");
        return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", ntohs(local.sin_port));
    std::fflush(stdout);

    bool strayed = false;
    pollfd watch{fd, POLLIN, 0};
    while (::poll(&watch, 1, kIdleLimitMs) > 0) {
        std::uint8_t in[1024];
        sockaddr_in from{};
        socklen_t from_length = sizeof from;
        ssize_t got = ::recvfrom(fd, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from),
                                 &from_length);
        if (got < 4) continue;
        unsigned opcode = (in[0] << 8) | in[1];
        std::uint8_t out[8];
        std::size_t out_length = 4;
        if (opcode == 2) {  // a write request: ACK 0
            Put16(out, 4);
            Put16(out + 2, 0);
        } else if (opcode == 3) {  // a data block: its ACK
            Put16(out, 4);
            out[2] = in[2];
            out[3] = in[3];
        } else if (opcode == 1 && !strayed) {  // the first read: block 7 of "late"
            Put16(out, 3);
            Put16(out + 2, 7);
            out[4] = 'l', out[5] = 'a', out[6] = 't', out[7] = 'e';
            out_length = 8;
            strayed = true;
        } else {
            continue;
        }
        ::sendto(fd, out, out_length, 0, reinterpret_cast<sockaddr*>(&from), from_length);
    }
    ::close(fd);
    return 0;
}
