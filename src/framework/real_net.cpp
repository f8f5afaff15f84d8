// The operating system's UDP sockets: non-blocking, watched by the process's event loop.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framework/event_loop.h"
#include "framework/net.h"

namespace fw {

namespace {

sockaddr_in ToSockaddr(Endpoint ep) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(ep.addr);
    sa.sin_port = htons(ep.port);
    return sa;
}

Endpoint FromSockaddr(const sockaddr_in& sa) {
    return Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
}

class RealSocket : public DatagramSocket {
public:
    explicit RealSocket(int fd) : fd_(fd), watch_(std::make_shared<Watch>()) {}
    ~RealSocket() override {
        watch_->alive = false;
        if (watch_->loop) watch_->loop->UnwatchFd(fd_);
        ::close(fd_);
    }

    int Bind(Endpoint local) override {
        sockaddr_in sa = ToSockaddr(local);
        return ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ? 0 : errno;
    }
    int SetBroadcast(bool on) override { return SetFlag(SO_BROADCAST, on); }
    int SetReuseAddr(bool on) override { return SetFlag(SO_REUSEADDR, on); }

    int BindToDevice(const std::string& ifname) override {
        // An empty name removes the binding; an unknown one is ENODEV whatever the kernel
        // would have said, so callers can tell a typo from a permission problem.
        if (!ifname.empty() && ::if_nametoindex(ifname.c_str()) == 0) return ENODEV;
        return ::setsockopt(fd_, SOL_SOCKET, SO_BINDTODEVICE, ifname.c_str(),
                            static_cast<socklen_t>(ifname.size())) == 0
                   ? 0
                   : errno;
    }

    long SendTo(const void* data, std::size_t len, Endpoint to) override {
        sockaddr_in sa = ToSockaddr(to);
        ssize_t n = ::sendto(fd_, data, len, 0, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        return n < 0 ? -errno : static_cast<long>(n);
    }

    long RecvFrom(void* buf, std::size_t cap, Endpoint* from) override {
        sockaddr_in sa{};
        socklen_t salen = sizeof sa;
        // MSG_TRUNC makes the kernel report the datagram's real length, so that a datagram
        // longer than the buffer is a failed read as on the original platform, not a
        // silently shortened one.
        ++watch_->reads;
        if (watch_->suspended) Rewatch();
        ssize_t n = ::recvfrom(fd_, buf, cap, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &salen);
        if (n < 0) return -errno;
        if (static_cast<std::size_t>(n) > cap) return -EMSGSIZE;
        if (from) *from = FromSockaddr(sa);
        return static_cast<long>(n);
    }

    Endpoint Local() const override {
        sockaddr_in sa{};
        socklen_t salen = sizeof sa;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &salen) != 0) return {};
        return FromSockaddr(sa);
    }

    void SetReadableCallback(std::function<void()> on_readable) override {
        if (watch_->loop) watch_->loop->UnwatchFd(fd_);
        watch_->loop = nullptr;
        watch_->suspended = false;
        ++watch_->generation;
        watch_->callback = std::move(on_readable);
        if (!watch_->callback) return;
        watch_->loop = &MainLoop();
        Rewatch();
    }

private:
    int SetFlag(int option, bool on) {
        int value = on ? 1 : 0;
        return ::setsockopt(fd_, SOL_SOCKET, option, &value, sizeof value) == 0 ? 0 : errno;
    }

    // Shared with the loop's callback, which may outlive the socket when a handler closes
    // it. A handler that returns without reading is not called again until the socket is
    // read, as the original platform re-enabled its read notification only on a read; a
    // level-triggered poll would otherwise call an idle handler for ever.
    struct Watch {
        EventLoop* loop = nullptr;  // the loop the descriptor is watched by, if any
        std::function<void()> callback;
        std::uint64_t reads = 0;
        std::uint64_t generation = 0;
        bool suspended = false;
        bool alive = true;
    };

    void Rewatch() {
        watch_->suspended = false;
        int fd = fd_;
        // The loop drops this callback when the socket goes; till then it shares the watch.
        watch_->loop->WatchFd(fd, [w = watch_, fd] {
            if (!w->alive || !w->callback) return;
            // A copy: the handler may close the socket, or hook another one, while it runs.
            std::function<void()> callback = w->callback;
            std::uint64_t reads = w->reads;
            std::uint64_t generation = w->generation;
            callback();
            if (w->alive && w->loop && w->reads == reads && w->generation == generation) {
                w->loop->UnwatchFd(fd);
                w->suspended = true;
            }
        });
    }

    int fd_;
    std::shared_ptr<Watch> watch_;
};

class RealStack : public NetStack {
public:
    std::unique_ptr<DatagramSocket> OpenUdp(int* err) override {
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            if (err) *err = errno;
            return nullptr;
        }
        if (err) *err = 0;
        return std::make_unique<RealSocket>(fd);
    }
};

}  // namespace

NetStack& RealNet() {
    static RealStack stack;
    return stack;
}

}  // namespace fw
