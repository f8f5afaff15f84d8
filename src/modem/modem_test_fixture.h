// For the modem's tests only: a manual-clock loop, an in-memory segment with the host at
// 10.0.0.1 and a modem at 10.0.0.2, a data directory of identification files, and a host
// socket with a plain lock-step TFTP client over it, so that tests speak to the modem the
// way any host would. Every wait is bounded in loop time.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/async_socket.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "modem/simulated_modem.h"
#include "tftp/packet.h"

namespace modem::testing {

constexpr std::uint32_t kHostAddr = 0x0A000001;   // 10.0.0.1
constexpr std::uint32_t kModemAddr = 0x0A000002;  // 10.0.0.2
constexpr std::uint16_t kModemPort = 6969;
inline const std::string kPassword = "secret";
inline const std::string kInfoText = "Sperrow Sim;2024/05/17;HW 1.2/FW 3.0.8";

inline tftp::Bytes BytesOf(const std::string& text) { return tftp::Bytes(text.begin(), text.end()); }

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
    explicit TestPeer(fw::NetStack& stack) {
        SetStack(&stack);
        Create(0);
    }
    void Send(const tftp::Bytes& datagram, fw::Endpoint to) {
        SendTo(datagram.data(), static_cast<int>(datagram.size()), to.port, fw::FormatIp(to.addr).c_str());
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
        if (n >= 0)
            inbox.push_back({tftp::Bytes(buf, buf + n), {fw::ParseIp(addr).value_or(0), static_cast<std::uint16_t>(port)}});
    }
    std::deque<Got> inbox;
};

struct Outcome {
    bool done = false;
    std::string error;      // text of an ERROR answer
    tftp::Bytes bytes;      // what a read returned
    fw::Endpoint answered_from;
};

// A plain client's write (WRQ, then every block once, each waiting for its ACK) or read (RRQ,
// then an ACK for every block to the answering port).
inline Outcome Transfer(TestPeer& peer, fw::Endpoint modem, const std::string& name,
                        const tftp::Bytes* content) {
    Outcome out;
    peer.Send(tftp::BuildRequest(content ? tftp::WRQ : tftp::RRQ, name), modem);
    const std::size_t blocks = content ? content->size() / tftp::kBlockSize + 1 : 0;
    std::uint16_t block = content ? 0 : 1;  // the ACK, or the DATA, awaited
    for (int guard = 0; guard < 200000; ++guard) {
        auto got = peer.Next();
        if (!got) return out;
        if (got->opcode() == tftp::ERROR) {
            out.error = got->text();
            return out;
        }
        if (got->opcode() != (content ? tftp::ACK : tftp::DATA)) continue;
        if (out.answered_from.port == 0) out.answered_from = got->from;
        if (!content) {
            if (got->field() == block) {
                out.bytes.insert(out.bytes.end(), got->bytes.begin() + 4, got->bytes.end());
                ++block;
            }
            peer.Send(tftp::BuildAck(got->field()), got->from);
            out.done = got->bytes.size() < 4 + tftp::kBlockSize && got->field() == block - 1;
        } else if (got->field() == block) {
            out.done = block == blocks;
            std::size_t offset = block++ * tftp::kBlockSize;
            if (!out.done)
                peer.Send(tftp::BuildData(block, content->data() + offset,
                                          std::min(tftp::kBlockSize, content->size() - offset)),
                          got->from);
        }
        if (out.done) return out;
    }
    return out;
}
inline Outcome WriteFile(TestPeer& peer, fw::Endpoint modem, const std::string& name, const tftp::Bytes& content) {
    return Transfer(peer, modem, name, &content);
}
inline Outcome ReadFile(TestPeer& peer, fw::Endpoint modem, const std::string& name) {
    return Transfer(peer, modem, name, nullptr);
}

class ModemTest : public ::testing::Test {
protected:
    ModemTest() {
        fw::SetMainLoop(&loop);
        char tmpl[] = "/tmp/sperrow-modem-test-XXXXXX";
        dir = mkdtemp(tmpl);
        data_dir = dir + "/data";
        std::filesystem::create_directories(data_dir);
        std::ofstream(data_dir + "/info") << kInfoText;
        tftp::Bytes conf = Pattern(731);
        std::ofstream(data_dir + "/dhcpd.conf").write(reinterpret_cast<const char*>(conf.data()), 731);
    }
    ~ModemTest() override {
        modems.clear();
        fw::SetMainLoop(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    ModemConfig Config() const {
        return {.listen_addr = kModemAddr, .listen_port = kModemPort, .data_dir = data_dir, .password = kPassword};
    }
    SimulatedModem& StartModem(ModemConfig config) {
        modems.push_back(std::make_unique<SimulatedModem>(net.AddHost(kModemAddr), config));
        EXPECT_TRUE(modems.back()->Start());
        return *modems.back();
    }
    SimulatedModem& StartModem() { return StartModem(Config()); }
    fw::Endpoint ModemAt() const { return {kModemAddr, kModemPort}; }
    Outcome Unlock(TestPeer& peer) { return WriteFile(peer, ModemAt(), "tftplock.key", BytesOf(kPassword + "\r\n")); }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& host = net.AddHost(kHostAddr);
    std::string dir;
    std::string data_dir;
    std::vector<std::unique_ptr<SimulatedModem>> modems;
};

}  // namespace modem::testing
