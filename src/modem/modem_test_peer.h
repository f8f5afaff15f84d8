// For the modem's engine tests only: a host-side socket on the in-memory network and a
// plain lock-step TFTP client and server over it, so that tests speak to the modem the
// way any host would. Every wait is bounded in loop time.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "framework/async_socket.h"
#include "framework/event_loop.h"
#include "framework/net.h"
#include "tftp/packet.h"

namespace modem::testing {

inline tftp::Bytes BytesOf(const std::string& text) {
    return tftp::Bytes(text.begin(), text.end());
}

inline tftp::Bytes Pattern(std::size_t n, unsigned seed = 7) {
    tftp::Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((i * 31 + seed) & 0xFF);
    return out;
}

struct Got {
    tftp::Bytes bytes;
    fw::Endpoint from;
    std::uint16_t opcode() const { return tftp::ParseHeader(bytes.data(), bytes.size()).opcode; }
    std::uint16_t field() const { return tftp::ParseHeader(bytes.data(), bytes.size()).field; }
    std::string text() const { return tftp::TrailingText(bytes.data(), bytes.size()); }
};

class TestPeer : public fw::CAsyncSocket {
public:
    TestPeer(fw::NetStack& stack, std::uint16_t port = 0) {
        SetStack(&stack);
        Create(port);
        SetSockOpt(fw::SO_BROADCAST_OPT, 1);
    }

    void Send(const tftp::Bytes& datagram, fw::Endpoint to) {
        std::string addr = fw::FormatIp(to.addr);
        SendTo(datagram.data(), static_cast<int>(datagram.size()), to.port, addr.c_str());
    }

    // The next datagram, waiting at most `timeout` ms of loop time.
    std::optional<Got> Next(fw::Millis timeout = 3000) {
        fw::MainLoop().RunUntil([this] { return !inbox.empty(); }, timeout);
        if (inbox.empty()) return std::nullopt;
        Got g = std::move(inbox.front());
        inbox.pop_front();
        return g;
    }

    void OnReceive(int) override {
        std::uint8_t buf[tftp::kReceiveBuffer];
        std::string addr;
        unsigned port = 0;
        int n = ReceiveFrom(buf, sizeof buf, addr, port);
        if (n < 0) return;
        inbox.push_back(
            Got{tftp::Bytes(buf, buf + n),
                fw::Endpoint{fw::ParseIp(addr).value_or(0), static_cast<std::uint16_t>(port)}});
    }

    std::deque<Got> inbox;
};

struct Outcome {
    bool done = false;
    std::string error;      // text of an ERROR answer
    std::string ack0_text;  // trailing text of ACK 0 (writes)
    tftp::Bytes bytes;      // what a read returned
    fw::Endpoint answered_from;
};

// A write as a plain client: WRQ, then every block once, each waiting for its ACK.
inline Outcome WriteFile(TestPeer& peer, fw::Endpoint modem, const std::string& name,
                         const tftp::Bytes& content) {
    Outcome out;
    peer.Send(tftp::BuildRequest(tftp::WRQ, name), modem);
    std::uint16_t block = 0;
    std::size_t blocks = content.size() / tftp::kBlockSize + 1;
    for (int guard = 0; guard < 200000; ++guard) {
        auto got = peer.Next();
        if (!got) return out;
        if (got->opcode() == tftp::ERROR) {
            out.error = got->text();
            return out;
        }
        if (got->opcode() != tftp::ACK || got->field() != block) continue;
        if (block == 0) {
            out.ack0_text = got->text();
            out.answered_from = got->from;
        }
        if (block == blocks) {
            out.done = true;
            return out;
        }
        ++block;
        std::size_t offset = (block - 1) * tftp::kBlockSize;
        std::size_t len = std::min(tftp::kBlockSize, content.size() - offset);
        peer.Send(tftp::BuildData(block, content.data() + offset, len), got->from);
    }
    return out;
}

// A read as a plain client: RRQ, then an ACK for every block from the answering port.
inline Outcome ReadFile(TestPeer& peer, fw::Endpoint modem, const std::string& name) {
    Outcome out;
    peer.Send(tftp::BuildRequest(tftp::RRQ, name), modem);
    std::uint16_t expected = 1;
    for (int guard = 0; guard < 200000; ++guard) {
        auto got = peer.Next();
        if (!got) return out;
        if (got->opcode() == tftp::ERROR) {
            out.error = got->text();
            return out;
        }
        if (got->opcode() != tftp::DATA) continue;
        if (expected == 1) out.answered_from = got->from;
        if (got->field() == expected) {
            out.bytes.insert(out.bytes.end(), got->bytes.begin() + 4, got->bytes.end());
            ++expected;
        }
        peer.Send(tftp::BuildAck(got->field()), got->from);
        if (got->bytes.size() < 4 + tftp::kBlockSize && got->field() == expected - 1) {
            out.done = true;
            return out;
        }
    }
    return out;
}

// Answers one read request arriving at `server` with `content` (or with an ERROR when
// `content` is empty and `error` is set), from the server's own port as a small host server
// would. Returns the name that was asked for.
inline std::optional<std::string> ServeOneRead(TestPeer& server, const tftp::Bytes& content,
                                               const std::string& error = {}) {
    auto request = server.Next(10000);
    if (!request || request->opcode() != tftp::RRQ) return std::nullopt;
    auto parsed = tftp::ParseRequest(request->bytes.data(), request->bytes.size());
    if (!parsed) return std::nullopt;
    fw::Endpoint client = request->from;
    if (!error.empty()) {
        server.Send(tftp::BuildError(1, error), client);
        return parsed->name;
    }
    std::size_t blocks = content.size() / tftp::kBlockSize + 1;
    for (std::size_t block = 1; block <= blocks; ++block) {
        std::size_t offset = (block - 1) * tftp::kBlockSize;
        std::size_t len = std::min(tftp::kBlockSize, content.size() - offset);
        server.Send(
            tftp::BuildData(static_cast<std::uint16_t>(block), content.data() + offset, len),
            client);
        auto ack = server.Next();
        if (!ack || ack->opcode() != tftp::ACK || ack->field() != block) return std::nullopt;
    }
    return parsed->name;
}

}  // namespace modem::testing
