// For the modem's engine tests only: a manual-clock loop, an in-memory segment with the
// host at 10.0.0.1 and a modem at 10.0.0.2, and a data directory of identification files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "modem/modem_test_peer.h"
#include "modem/simulated_modem.h"

namespace modem::testing {

constexpr std::uint32_t kHostAddr = 0x0A000001;   // 10.0.0.1
constexpr std::uint32_t kModemAddr = 0x0A000002;  // 10.0.0.2
constexpr std::uint16_t kModemPort = 6969;
inline const std::string kPassword = "secret";
inline const std::string kInfoText = "Sperrow Sim;2024/05/17;HW 1.2/FW 3.0.8";

class ModemTest : public ::testing::Test {
protected:
    ModemTest() {
        fw::SetMainLoop(&loop);
        char tmpl[] = "/tmp/sperrow-modem-test-XXXXXX";
        dir = mkdtemp(tmpl);
        data_dir = dir + "/data";
        std::filesystem::create_directories(data_dir);
        WriteData("info", BytesOf(kInfoText));
        WriteData("dhcpd.conf", Pattern(731));
    }
    ~ModemTest() override {
        modems.clear();
        fw::SetMainLoop(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void WriteData(const std::string& name, const tftp::Bytes& bytes) {
        std::ofstream out(data_dir + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    ModemConfig Config(std::uint32_t addr = kModemAddr) const {
        ModemConfig c;
        c.listen_addr = addr;
        c.listen_port = kModemPort;
        c.data_dir = data_dir;
        c.password = kPassword;
        return c;
    }

    SimulatedModem& StartModem(ModemConfig config, std::uint32_t host_addr = kModemAddr) {
        modems.push_back(std::make_unique<SimulatedModem>(net.AddHost(host_addr), config));
        EXPECT_TRUE(modems.back()->Start());
        return *modems.back();
    }

    SimulatedModem& StartModem() { return StartModem(Config()); }

    fw::Endpoint ModemAt(std::uint32_t addr = kModemAddr) const { return {addr, kModemPort}; }

    Outcome Unlock(TestPeer& peer, std::uint32_t addr = kModemAddr) {
        return WriteFile(peer, ModemAt(addr), "tftplock.key", BytesOf(kPassword + "\r\n"));
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& host = net.AddHost(kHostAddr);
    std::string dir;
    std::string data_dir;
    std::vector<std::unique_ptr<SimulatedModem>> modems;
};

}  // namespace modem::testing
