// What the terminal UI's window tests share: the real main window, run by CMainApp as the
// program runs it, on the terminal desktop with an in-memory screen, an in-memory network
// with a simulated modem, a manual clock, and a fresh current directory. A test hands over
// a script of steps; the steps run one per tick of a window timer inside the window's own
// loop (and inside the loops of the modal dialogs it opens), as a person at the keyboard.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_app.h"
#include "app/main_dlg.h"
#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/memnet.h"
#include "framework/ui/dialog.h"
#include "frontends/tui/screen.h"
#include "frontends/tui/snapshot.h"
#include "frontends/tui/terminal_desktop.h"
#include "modem/simulated_modem.h"
#include "sequencer/engine_state.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace tui {

class WindowFixture : public ::testing::Test {
protected:
    // The modem shares the host's in-memory stack, on loopback, as sperrow-modem does in
    // the process tests.
    static constexpr std::uint32_t kHostAddr = 0x7F000001;  // 127.0.0.1
    static constexpr const char* kModemText = "127.0.0.1";
    static constexpr unsigned kModemPort = 6969;
    static constexpr const char* kPassword = "secret";
    static constexpr fw::Millis kTick = 50;
    static constexpr int kMaxTicks = 4000;  // 200 s of loop time: no script needs more

    // true: the step is done; false: it is tried again on the next tick.
    using Step = std::function<bool()>;

    WindowFixture() {
        fw::SetMainLoop(&loop);
        char tmpl[] = "/tmp/sperrow-tui-XXXXXX";
        dir = mkdtemp(tmpl);
        old_cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        std::filesystem::create_directory(dir + "/modem");
        ResetEngineState();
        screen.SetSize(93, 33);
        fw::SetDesktop(&desktop);
    }

    ~WindowFixture() override {
        fw::SetDesktop(nullptr);
        modem.reset();
        std::filesystem::current_path(old_cwd);
        std::filesystem::remove_all(dir);
        fw::SetMainLoop(nullptr);
    }

    void WriteFile(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    void StartModem(modem::ModemConfig config = {}) {
        config.listen_addr = kHostAddr;
        config.listen_port = kModemPort;
        config.data_dir = dir + "/modem";
        config.password = kPassword;
        WriteFile(dir + "/modem/info", "Sperrow Sim;2024/05/17;HW 1.2/FW 3.0.8");
        WriteFile(dir + "/modem/ProductInfo", "SIM-ADSL2-4P;00:0A:5E:1C:33:7B;TFTP Server 2.4");
        WriteFile(dir + "/modem/hw.prof", "Board: SIM-BOARD-1\r\n\r\nFlash: 4 MB\r\n");
        modem = std::make_unique<modem::SimulatedModem>(host, config);
        ASSERT_TRUE(modem->Start());
    }

    // Runs the main window until it ends and returns what DoModal returned.
    int RunWindow(std::vector<Step> steps, StartOptions options = {}) {
        options.netStack = &host;
        options.modemPort = kModemPort;
        steps_ = std::move(steps);
        next_ = 0;
        ticks_ = 0;
        loop.SetTimer(this, 1, kTick, [this] { Tick(); });
        int code = CMainApp(options).Run();
        loop.KillTimer(this, 1);
        EXPECT_EQ(next_, steps_.size()) << "the window ended before its script did";
        return code;
    }

    // --- Steps ---------------------------------------------------------------------------
    Step Press(Key key) {
        return [this, key] {
            screen.Dispatch(key);
            return true;
        };
    }
    Step Press(Key::Kind kind) { return Press(Key::Of(kind)); }
    // Raw terminal input: Esc waits for a letter, as it does on a terminal.
    Step Feed(Key key) {
        return [this, key] {
            screen.Feed(key);
            return true;
        };
    }
    Step Type(const std::string& text) {
        return [this, text] {
            for (char c : text) screen.Dispatch(Key::Character(static_cast<unsigned char>(c)));
            return true;
        };
    }
    Step Do(std::function<void()> action) {
        return [action] {
            action();
            return true;
        };
    }
    Step WaitFor(const std::string& text) {
        return [this, text] { return Contains(text); };
    }
    // The scratch folder's random part is shown as XXXXXX, so pictures stay the same.
    Step Snapshot(const std::string& name) {
        return [this, name] {
            screen.Redraw();
            std::string text = screen.grid().ToText();
            std::string random = dir.substr(dir.size() - 6);
            for (std::size_t at; (at = text.find(random)) != std::string::npos;)
                text.replace(at, random.size(), "XXXXXX");
            EXPECT_EQ(CompareWithSnapshot(text, name), "");
            return true;
        };
    }
    // A mouse click on the first place the text appears on screen.
    Step ClickOn(const std::string& text) {
        return [this, text] {
            screen.Redraw();
            const Grid& g = screen.grid();
            for (int r = 0; r < g.height(); ++r) {
                std::size_t at = DecodeUtf8(g.RowText(r)).find(DecodeUtf8(text));
                if (at == std::u32string::npos) continue;
                screen.Dispatch(Key::ClickAt(r, static_cast<int>(at)));
                return true;
            }
            ADD_FAILURE() << "nothing on screen reads " << text;
            return true;
        };
    }

    // --- Looking at the screen ------------------------------------------------------------
    bool Contains(const std::string& text) {
        screen.Redraw();
        return screen.grid().ToText().find(text) != std::string::npos;
    }
    // The cell at the first place the text appears on screen, or nothing.
    const Cell* CellOf(const std::string& text, int offset = 0) {
        screen.Redraw();
        const Grid& g = screen.grid();
        for (int r = 0; r < g.height(); ++r) {
            std::u32string row = DecodeUtf8(g.RowText(r));
            std::size_t at = row.find(DecodeUtf8(text));
            if (at != std::u32string::npos) return &g.At(r, static_cast<int>(at) + offset);
        }
        return nullptr;
    }
    fw::CControl* Control(int id) const {
        return g_pMainDlg ? g_pMainDlg->FindControl(id) : nullptr;
    }
    fw::CControl* Focused() const {
        fw::CDialog* top = fw::ActiveModalDialog();
        return top ? top->GetFocusedControl() : nullptr;
    }

    fw::ManualClock clock;
    fw::EventLoop loop{clock};
    fw::InMemoryNetwork net{loop};
    fw::NetStack& host = net.AddHost(kHostAddr);
    Screen screen;
    TerminalDesktop desktop{screen};
    std::unique_ptr<modem::SimulatedModem> modem;
    std::string dir;
    std::filesystem::path old_cwd;

    std::string TraceText() const {
        std::string out = "datagrams:\n";
        if (modem)
            for (const std::string& line : modem->LogLines()) out += "  modem: " + line + "\n";
        for (const fw::Datagram& d : net.Trace())
            out += "  " + fw::FormatIp(d.from.addr) + ":" + std::to_string(d.from.port) + " -> " +
                   fw::FormatIp(d.to.addr) + ":" + std::to_string(d.to.port) + " " +
                   std::to_string(d.bytes.size()) + " bytes\n";
        return out;
    }

private:
    void Tick() {
        if (++ticks_ > kMaxTicks) {
            screen.Redraw();
            ADD_FAILURE() << "script stuck at step " << next_ << "; the screen:\n"
                          << screen.grid().ToText() << TraceText();
            loop.KillTimer(this, 1);
            screen.Quit(1);
            return;
        }
        if (next_ >= steps_.size()) return;
        // The step may open a modal loop in which this timer ticks again: move on first.
        std::size_t at = next_++;
        if (!steps_[at]()) next_ = at;
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int ticks_ = 0;
};

}  // namespace tui
