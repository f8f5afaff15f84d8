#include "modem/modem_socket.h"

#include <cerrno>
#include <cstring>

namespace modem {

namespace {

// A notification may stand for several waiting datagrams; reading a bounded batch keeps
// one busy peer from starving the rest of the loop.
constexpr int kMaxReadsPerNotification = 32;

}  // namespace

ModemSocket::ModemSocket(fw::NetStack& stack, Handler handler) : handler_(std::move(handler)) {
    SetStack(&stack);
}

bool ModemSocket::Open(std::uint32_t addr, std::uint16_t port, std::string* error) {
    std::string text = addr == fw::kAnyAddr ? std::string() : fw::FormatIp(addr);
    if (Create(port, text.empty() ? nullptr : text.c_str())) return true;
    if (error) {
        *error = "cannot open UDP " + (text.empty() ? std::string("*") : text) + ":" +
                 std::to_string(port) + ": " + std::strerror(GetLastError());
    }
    return false;
}

bool ModemSocket::Send(const tftp::Bytes& datagram, fw::Endpoint to) {
    std::string addr = fw::FormatIp(to.addr);
    int sent = SendTo(datagram.data(), static_cast<int>(datagram.size()), to.port, addr.c_str());
    return sent == static_cast<int>(datagram.size());
}

void ModemSocket::OnReceive(int /*error_code*/) {
    std::uint8_t buf[tftp::kReceiveBuffer];
    for (int i = 0; i < kMaxReadsPerNotification && IsOpen(); ++i) {
        std::string address;
        unsigned port = 0;
        int n = ReceiveFrom(buf, sizeof buf, address, port);
        if (n == fw::SOCKET_ERROR) {
            // An oversized datagram is a failed read of that one datagram; anything else
            // means nothing more is waiting.
            if (GetLastError() == EMSGSIZE) continue;
            return;
        }
        auto from_addr = fw::ParseIp(address);
        if (!from_addr) continue;
        if (handler_)
            handler_(buf, static_cast<std::size_t>(n),
                     fw::Endpoint{*from_addr, static_cast<std::uint16_t>(port)});
    }
}

}  // namespace modem
