// What the application's tests share: the main window on an in-memory segment with a
// manual clock, a simulated modem beside it, a scripted desktop, a fresh current directory,
// and what a person does (type, click, choose a tab).
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

class WindowTest : public ::testing::Test {
protected:
    // Segment addresses: loopback ones would stay on their own in-memory host.
    static constexpr std::uint32_t kHostAddr = 0x0A000001;   // 10.0.0.1
    static constexpr std::uint32_t kModemAddr = 0x0A000002;  // 10.0.0.2

    WindowTest() {
        fw::SetMainLoop(&loop);
        char tmpl[] = "/tmp/sperrow-app-XXXXXX";
        dir = mkdtemp(tmpl);
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        std::filesystem::create_directory("modem");
        ResetEngineState();
    }
    ~WindowTest() override {
        window.reset();
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

    void StartModem(modem::ModemConfig config = {}) {
        config.listen_addr = kModemAddr;
        config.data_dir = dir + "/modem";
        config.password = "secret";
        modem = std::make_unique<modem::SimulatedModem>(modemHost, config);
        ASSERT_TRUE(modem->Start());
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
        StartOptions options;
        options.expertMode = expert;
        OpenWindow(options);
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

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& host = net.AddHost(kHostAddr);
    fw::NetStack& modemHost = net.AddHost(kModemAddr);
    fw::ScriptedDesktop desktop;
    fw::ScopedDesktop scopedDesktop{desktop};
    std::string dir, oldCwd;
    std::unique_ptr<modem::SimulatedModem> modem;
    std::unique_ptr<CMainDlg> window;
};
