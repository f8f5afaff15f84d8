// The operating system's UDP sockets, watched by the process's event loop. Every read and
// send is non-blocking; only the loop's wait may block, in a read with a time-out.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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
        ssize_t n =
            ::sendto(fd_, data, len, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
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
        if (watch_->kept.has) return TakeKept(buf, cap, from);
        ssize_t n = ::recvfrom(fd_, buf, cap, MSG_TRUNC | MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&sa), &salen);
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

    // A datagram (or a read's error) the loop's wait read, kept for the handler's read.
    struct Kept {
        bool has = false;
        long result = 0;  // its length, or -errno
        Endpoint from;
        std::vector<std::uint8_t> bytes;
    };

    long TakeKept(void* buf, std::size_t cap, Endpoint* from) {
        Kept& kept = watch_->kept;
        kept.has = false;
        if (kept.result < 0) return kept.result;
        std::size_t n = static_cast<std::size_t>(kept.result);
        if (n > cap) return -EMSGSIZE;
        std::memcpy(buf, kept.bytes.data(), n);
        if (from) *from = kept.from;
        return kept.result;
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
        Kept kept;
        Millis timeout = 0;  // the read time-out set on the descriptor (0: none yet)
    };
    static constexpr Millis kLongestWait = 3600 * 1000;

    // The loop's wait: a read that blocks up to `wait` ms, its datagram kept for the handler.
    // The time-out is set only when it changes (a busy loop waits alike round after round).
    // It is never unlimited: a read with a time-out ends at a signal, as poll() does, even
    // where the handler asked for system calls to be restarted.
    static int WaitByReading(Watch& w, int fd, Millis wait) {
        if (w.kept.has) return 1;
        if (wait < 0) wait = kLongestWait;
        if (wait > 0 && w.timeout != wait) {
            timeval tv{static_cast<time_t>(wait / 1000),
                       static_cast<suseconds_t>(wait % 1000 * 1000)};
            if (::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) return -1;
            w.timeout = wait;
        }
        // The largest datagram UDP carries, so that a long one is reported, not cut.
        if (w.kept.bytes.empty()) w.kept.bytes.resize(65536);
        sockaddr_in sa{};
        socklen_t salen = sizeof sa;
        ssize_t n = ::recvfrom(fd, w.kept.bytes.data(), w.kept.bytes.size(),
                               MSG_TRUNC | (wait == 0 ? MSG_DONTWAIT : 0),
                               reinterpret_cast<sockaddr*>(&sa), &salen);
        if (n < 0 && errno == EINTR) return -1;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        w.kept.has = true;
        w.kept.result = n < 0 ? -errno : static_cast<long>(n);
        w.kept.from = FromSockaddr(sa);
        return 1;
    }

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
        }, [w = watch_, fd](Millis wait) { return WaitByReading(*w, fd, wait); });
    }

    int fd_;
    std::shared_ptr<Watch> watch_;
};

class RealStack : public NetStack {
public:
    std::unique_ptr<DatagramSocket> OpenUdp(int* err) override {
        // Blocking, so that the loop can wait in a read; every other call says MSG_DONTWAIT.
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
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
