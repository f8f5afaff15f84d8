// What the application's tests share: the main window on an in-memory segment with a
// manual clock, a simulated modem beside it, a scripted desktop, a fresh current directory,
// and what a person does (type, click, choose a tab). The terminal UI's window fixture and
// the command tests stand on the same scratch segment.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/main_dlg.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/scripted_desktop.h"
#include "framework/ui/tab_ctrl.h"
#include "modem/simulated_modem.h"
#include "resources/resource.h"
#include "sequencer/engine_state.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

using Names = std::vector<std::string>;

// A fresh current directory with a "modem" folder for the simulated modem's data, the
// manual-clock loop as the main loop, an in-memory network and the engines' state as a
// fresh process holds it.
class ScratchSegment : public ::testing::Test {
protected:
    explicit ScratchSegment(const std::string& prefix = "/tmp/sperrow-app-") {
        fw::SetMainLoop(&loop);
        std::string tmpl = prefix + "XXXXXX";
        dir = mkdtemp(tmpl.data());
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        std::filesystem::create_directory("modem");
        ResetEngineState();
    }
    ~ScratchSegment() override {
        modem.reset();
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
        fw::SetMainLoop(nullptr);
    }

    // A file below the current directory; returns its full path.
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
        return dir + "/" + name;
    }
    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        return WriteFile(name, std::string(bytes.begin(), bytes.end()));
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // What the modem tells of itself: company and versions, product and MAC, the profile.
    void WriteModemIdentity() {
        WriteFile("modem/info", "Sperrow Sim;2024/05/17;HW 1.2/FW 3.0.8");
        WriteFile("modem/ProductInfo", "SIM-ADSL2-4P;00:0A:5E:1C:33:7B;TFTP Server 2.4");
        WriteFile("modem/hw.prof", "Board: SIM-BOARD-1\r\n\r\nFlash: 4 MB\r\n");
    }
    // The simulated modem on `stack`, password "secret", serving the "modem" folder.
    void StartModem(fw::NetStack& stack, std::uint32_t addr, modem::ModemConfig config) {
        config.listen_addr = addr;
        config.data_dir = dir + "/modem";
        config.password = "secret";
        modem = std::make_unique<modem::SimulatedModem>(stack, config);
        ASSERT_TRUE(modem->Start());
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    std::string dir, oldCwd;
    std::unique_ptr<modem::SimulatedModem> modem;
};

// The main window made directly, on a host of its own beside the modem's.
class WindowTest : public ScratchSegment {
protected:
    // Segment addresses: loopback ones would stay on their own in-memory host.
    static constexpr std::uint32_t kHostAddr = 0x0A000001;   // 10.0.0.1
    static constexpr std::uint32_t kModemAddr = 0x0A000002;  // 10.0.0.2

    ~WindowTest() override { window.reset(); }

    void StartModem(modem::ModemConfig config = {}) {
        ScratchSegment::StartModem(modemHost, kModemAddr, config);
    }
    void OpenWindow(StartOptions options = {}) {
        options.netStack = &host;
        options.modemPort = modem::ModemConfig{}.listen_port;
        window = std::make_unique<CMainDlg>(options);
        ASSERT_TRUE(window->Create());
        window->ShowWindow(fw::SW_SHOW);
    }
    // The window aimed at the modem, with the right password typed in.
    void OpenWindowOnModem(bool expert = false) {
        OpenWindow({.expertMode = expert});
        Type(IDC_PASSWORD, "secret");
        window->ModemAddress()->EnterAddress("10.0.0.2");
    }

    fw::CControl* Find(int id) const { return window->ControlById(id); }
    std::string Text(int id) const { return Find(id)->GetWindowText(); }
    bool Type(int id, const std::string& text) {
        auto* edit = dynamic_cast<fw::CEdit*>(Find(id));
        return edit && edit->EnterText(text);
    }
    bool Click(int id) { return window->ClickById(id); }
    bool ClickTab(int index) { return window->TabControl()->ClickItem(index); }

    // Until the run has ended or stopped and nothing is pending (bounded in loop time).
    bool RunUntilOver() {
        return loop.RunUntil(
            [] {
                const RunObserver& o = TheRunObserver();
                return o.Phase() != RunPhase::kRunning && !o.IsPending();
            },
            600000);
    }
    // Names of the files the modem took in whole, in arrival order.
    Names Received() const {
        Names names;
        for (const auto& file : modem->Received()) {
            if (file.complete) names.push_back(file.name);
        }
        return names;
    }
    std::string ReceivedText(const std::string& name) const {
        const modem::ReceivedFile* file = modem->LastReceived(name);
        return file ? std::string(file->bytes.begin(), file->bytes.end()) : "<none>";
    }

    fw::NetStack& host = net.AddHost(kHostAddr);
    fw::NetStack& modemHost = net.AddHost(kModemAddr);
    fw::ScriptedDesktop desktop;
    fw::ScopedDesktop scopedDesktop{desktop};
    std::unique_ptr<CMainDlg> window;
};
