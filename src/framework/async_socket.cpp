#include "framework/async_socket.h"

#include <cerrno>

#include "framework/socket_tap.h"

namespace fw {

namespace {

SocketTap* g_socketTap = nullptr;

}  // namespace

void SetSocketTap(SocketTap* tap) {
    g_socketTap = tap;
}

SocketTap* InstalledSocketTap() {
    return g_socketTap;
}

CAsyncSocket::CAsyncSocket() = default;

CAsyncSocket::~CAsyncSocket() {
    Close();
}

void CAsyncSocket::SetStack(NetStack* stack) {
    stack_ = stack;
}

bool CAsyncSocket::Create(unsigned port, const char* address) {
    Close();
    Endpoint local{kAnyAddr, 0};
    if (port > 65535) {
        last_error_ = EINVAL;
        return false;
    }
    local.port = static_cast<std::uint16_t>(port);
    if (address && *address) {
        auto parsed = ParseIp(address);
        if (!parsed) {
            last_error_ = EINVAL;
            return false;
        }
        local.addr = *parsed;
    }
    NetStack& stack = stack_ ? *stack_ : DefaultStack();
    int err = 0;
    std::unique_ptr<DatagramSocket> socket = stack.OpenUdp(&err);
    if (!socket) {
        last_error_ = err ? err : ENOBUFS;
        return false;
    }
    if (int bind_err = socket->Bind(local)) {
        last_error_ = bind_err;
        return false;
    }
    socket_ = std::move(socket);
    // The notification may outlive a Close() done inside OnReceive: it only reaches this
    // object through the socket, which Close() has unhooked by then.
    socket_->SetReadableCallback([this] { OnReceive(0); });
    return true;
}

void CAsyncSocket::Close() {
    if (!socket_) return;
    socket_->SetReadableCallback(nullptr);
    socket_.reset();
}

bool CAsyncSocket::IsOpen() const {
    return socket_ != nullptr;
}

bool CAsyncSocket::SetSockOpt(SocketOption option, int value) {
    if (!socket_) {
        last_error_ = ENOTSOCK;
        return false;
    }
    int err = option == SO_BROADCAST_OPT ? socket_->SetBroadcast(value != 0)
                                         : socket_->SetReuseAddr(value != 0);
    if (err) last_error_ = err;
    return err == 0;
}

bool CAsyncSocket::BindToDevice(const std::string& ifname) {
    if (!socket_) {
        last_error_ = ENOTSOCK;
        return false;
    }
    int err = socket_->BindToDevice(ifname);
    if (err) last_error_ = err;
    return err == 0;
}

int CAsyncSocket::SendTo(const void* buf, int len, unsigned port, const char* address) {
    if (!socket_) {
        last_error_ = ENOTSOCK;
        return SOCKET_ERROR;
    }
    auto addr = address ? ParseIp(address) : std::nullopt;
    if (!addr || port > 65535) {
        last_error_ = EINVAL;
        return SOCKET_ERROR;
    }
    return SendTo(buf, len, Endpoint{*addr, static_cast<std::uint16_t>(port)});
}

// An open socket and a length that is not negative; else the reason is the last error.
bool CAsyncSocket::Usable(int len) {
    if (socket_ && len >= 0) return true;
    last_error_ = !socket_ ? ENOTSOCK : EINVAL;
    return false;
}

int CAsyncSocket::SendTo(const void* buf, int len, Endpoint to) {
    if (!Usable(len)) return SOCKET_ERROR;
    long n = socket_->SendTo(buf, static_cast<std::size_t>(len), to);
    if (n < 0) {
        last_error_ = static_cast<int>(-n);
        return SOCKET_ERROR;
    }
    if (g_socketTap) {
        g_socketTap->OnDatagram(TappedLocal(), to, static_cast<const std::uint8_t*>(buf),
                                static_cast<std::size_t>(n));
    }
    return static_cast<int>(n);
}

int CAsyncSocket::ReceiveFrom(void* buf, int len, std::string& address, unsigned& port) {
    Endpoint from;
    int n = ReceiveFrom(buf, len, from);
    if (n == SOCKET_ERROR) return n;
    address = FormatIp(from.addr);
    port = from.port;
    return n;
}

int CAsyncSocket::ReceiveFrom(void* buf, int len, Endpoint& from) {
    if (!Usable(len)) return SOCKET_ERROR;
    long n = socket_->RecvFrom(buf, static_cast<std::size_t>(len), &from);
    if (n < 0) {
        last_error_ = static_cast<int>(-n);
        return SOCKET_ERROR;
    }
    if (g_socketTap) {
        g_socketTap->OnDatagram(from, TappedLocal(), static_cast<const std::uint8_t*>(buf),
                                static_cast<std::size_t>(n));
    }
    return static_cast<int>(n);
}

Endpoint CAsyncSocket::TappedLocal() const {
    Endpoint local = socket_->Local();
    if (local.addr == kAnyAddr) local.addr = (stack_ ? *stack_ : DefaultStack()).HostAddress();
    return local;
}

unsigned CAsyncSocket::LocalPort() const {
    return socket_ ? socket_->Local().port : 0;
}

void CAsyncSocket::OnReceive(int) {}

}  // namespace fw
