// What the application's tests share: the main window on an in-memory network with a manual
// clock, a simulated modem beside it, a scripted desktop, a fresh current directory, and the
// few things a person does (type, click, choose a tab).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/scripted_desktop.h"
#include "framework/ui/tab_ctrl.h"
#include "modem/simulated_modem.h"
#include "resources/resource.h"
#include "sequencer/step_ring.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

class WindowTest : public ::testing::Test {
protected:
    // Addresses on the in-memory segment (loopback addresses there stay on their host).
    static constexpr std::uint32_t kHostAddr = 0x0A000001;   // 10.0.0.1
    static constexpr std::uint32_t kModemAddr = 0x0A000002;  // 10.0.0.2
    static constexpr unsigned kModemPort = 6969;
    static constexpr const char* kPassword = "secret";

    WindowTest() {
        fw::SetMainLoop(&loop);
        namespace fs = std::filesystem;
        char tmpl[] = "/tmp/sperrow-app-XXXXXX";
        dir = mkdtemp(tmpl);
        oldCwd = fs::current_path();
        fs::current_path(dir);
        fs::create_directory(dir + "/modem");
        ResetStepRings();
        TheRunObserver().Reset();
        g_bUnicast = 0;
        g_nTargetOs = 0;
        g_bUpdateComplete = 0;
    }

    ~WindowTest() override {
        window.reset();
        modem.reset();
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
        fw::SetMainLoop(nullptr);
    }

    // A file in the current directory (or anywhere below `dir`); returns its full path.
    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string path = name.front() == '/' ? name : dir + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string WriteFile(const std::string& name, const std::string& text) {
        return WriteFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void StartModem(modem::ModemConfig config = {}) {
        config.listen_addr = kModemAddr;
        config.listen_port = kModemPort;
        config.data_dir = dir + "/modem";
        config.password = kPassword;
        modem = std::make_unique<modem::SimulatedModem>(modemHost, config);
        ASSERT_TRUE(modem->Start());
    }

    // The window as a driver opens it: modem port and stack given, server off unless asked.
    void OpenWindow(StartOptions options = {}) {
        options.netStack = &host;
        options.modemPort = kModemPort;
        window = std::make_unique<CMainDlg>(options);
        ASSERT_TRUE(window->Create());
        window->ShowWindow(fw::SW_SHOW);
    }

    // The window aimed at the modem with the right password.
    void OpenWindowOnModem(StartOptions options = {}) {
        OpenWindow(options);
        Type(IDC_PASSWORD, kPassword);
        ASSERT_TRUE(window->ModemAddress()->EnterAddress("10.0.0.2"));
    }

    fw::CControl* Find(int id) const { return window->ControlById(id); }
    std::string Text(int id) const { return Find(id)->GetWindowText(); }

    // Typing into a box replaces its text, as far as the box lets a person type.
    bool Type(int id, const std::string& text) {
        auto* edit = dynamic_cast<fw::CEdit*>(Find(id));
        return edit && edit->EnterText(text);
    }
    bool Click(int id) { return window->ClickById(id); }
    bool ClickTab(int index) { return window->TabControl()->ClickItem(index); }

    // Lets the run go on until it has ended or stopped and nothing is pending any more.
    bool RunUntilOver(fw::Millis limit = 600000) {
        return loop.RunUntil(
            [] {
                const RunObserver& o = TheRunObserver();
                return o.Phase() != RunPhase::kRunning && !o.IsPending();
            },
            limit);
    }

    // Names of the files the modem took in whole, in arrival order.
    std::vector<std::string> Received() const {
        std::vector<std::string> names;
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
    std::string dir;
    std::string oldCwd;
    std::unique_ptr<modem::SimulatedModem> modem;
    std::unique_ptr<CMainDlg> window;
};
