// The network seam: a host's UDP/IPv4 stack. RealNet() is the operating system's; the
// in-memory network (memnet.h) gives each simulated host a stack of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

struct Endpoint {
    std::uint32_t addr = 0;  // host byte order: 127.0.0.1 is 0x7F000001
    std::uint16_t port = 0;
    bool operator==(const Endpoint&) const = default;
};

constexpr std::uint32_t kBroadcastAddr = 0xFFFFFFFFu;
constexpr std::uint32_t kAnyAddr = 0;

std::string FormatIp(std::uint32_t addr);                     // "%d.%d.%d.%d"
std::optional<std::uint32_t> ParseIp(std::string_view text);  // dotted quad only, no DNS

// One open UDP socket. Errors are errno values, returned and never thrown.
class DatagramSocket {
public:
    virtual ~DatagramSocket() = default;
    virtual int Bind(Endpoint local) = 0;  // 0 or an errno value
    virtual int SetBroadcast(bool on) = 0;
    virtual int SetReuseAddr(bool on) = 0;
    virtual int BindToDevice(const std::string& ifname) = 0;
    // Bytes sent, or -errno.
    virtual long SendTo(const void* data, std::size_t len, Endpoint to) = 0;
    // Bytes received, or -errno (-EAGAIN when nothing waits). A datagram longer than
    // `cap` is consumed and reported as -EMSGSIZE, a failed read.
    virtual long RecvFrom(void* buf, std::size_t cap, Endpoint* from) = 0;
    virtual Endpoint Local() const = 0;
    // Called on the event loop whenever a datagram is waiting to be read.
    virtual void SetReadableCallback(std::function<void()> on_readable) = 0;
};

class NetStack {
public:
    virtual ~NetStack() = default;
    // A new unbound UDP socket, or null with *err set to an errno value.
    virtual std::unique_ptr<DatagramSocket> OpenUdp(int* err) = 0;
    // The stack's own primary address (the in-memory host's address; 0 for the real one).
    virtual std::uint32_t HostAddress() const { return 0; }
};

// The operating system's UDP sockets, notified through MainLoop() (the loop installed when
// the socket is created; set a test's loop before creating its sockets).
NetStack& RealNet();

// The stack new CAsyncSockets use unless told otherwise: RealNet().
NetStack& DefaultStack();

}  // namespace fw
