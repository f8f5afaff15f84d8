// A peer that says whatever a test or a fuzz input tells it to: sockets on one address of
// an in-memory stack, on the ports it is asked for. On the in-memory network a datagram to
// a loopback address stays on the sender's own stack, so peers on 127.x addresses share
// the stack of the engine they talk to, each bound to its own address. It answers nothing by
// itself; it reads and keeps every datagram sent to it, so that its socket queues never grow behind
// a test's back.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "framework/memnet.h"
#include "framework/net.h"
#include "tftp/packet.h"

namespace testhost {

class HostilePeer {
public:
    HostilePeer(fw::NetStack& stack, std::uint32_t address) : stack_(stack), address_(address) {}
    HostilePeer(const HostilePeer&) = delete;
    HostilePeer& operator=(const HostilePeer&) = delete;

    std::uint32_t Address() const { return address_; }

    // A socket bound to `port` on this host; false when the port cannot be had.
    bool Open(std::uint16_t port) {
        if (sockets_.count(port)) return true;
        int err = 0;
        std::unique_ptr<fw::DatagramSocket> s = stack_.OpenUdp(&err);
        if (!s || s->Bind(fw::Endpoint{Address(), port}) != 0) return false;
        fw::DatagramSocket* raw = s.get();
        raw->SetReadableCallback([this, raw] { Drain(*raw); });
        sockets_[port] = std::move(s);
        return true;
    }

    // Sends from `from_port` (opened on demand); false when it could not be sent.
    bool Send(std::uint16_t from_port, const tftp::Bytes& bytes, fw::Endpoint to) {
        if (!Open(from_port)) return false;
        return sockets_[from_port]->SendTo(bytes.data(), bytes.size(), to) >= 0;
    }

    // Everything that reached this host, oldest first.
    const std::vector<fw::Datagram>& Received() const { return received_; }

private:
    void Drain(fw::DatagramSocket& s) {
        // A datagram larger than the buffer is consumed as a failed read, as on a real host.
        std::uint8_t buf[2048];
        for (int i = 0; i < 64; ++i) {
            fw::Endpoint from;
            long n = s.RecvFrom(buf, sizeof buf, &from);
            if (n < 0) return;
            received_.push_back({from, s.Local(), {buf, buf + n}, 0});
        }
    }

    fw::NetStack& stack_;
    std::uint32_t address_;
    std::map<std::uint16_t, std::unique_ptr<fw::DatagramSocket>> sockets_;
    std::vector<fw::Datagram> received_;
};

}  // namespace testhost
