// The real main window, run by CMainApp on the terminal desktop with an in-memory screen,
// network, simulated modem and manual clock, in a fresh current directory. A test's script
// of steps runs one step per tick of a window timer inside whichever loop is running (the
// window's or a modal dialog's), as a person at the keyboard.
#pragma once

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/main_app.h"
#include "app/window_test_support.h"
#include "framework/ui/dialog.h"
#include "frontends/tui/screen.h"
#include "frontends/tui/terminal_desktop.h"

namespace tui {

class WindowFixture : public ScratchSegment {
protected:
    // The modem shares the host's in-memory stack, on loopback, as sperrow-modem does in
    // the process tests.
    static constexpr std::uint32_t kHostAddr = 0x7F000001;  // 127.0.0.1
    static constexpr const char* kModemText = "127.0.0.1";
    static constexpr const char* kPassword = "secret";
    static constexpr fw::Millis kTick = 50;
    static constexpr int kMaxTicks = 4000;  // 200 s of loop time: no script needs more

    // true: the step is done; false: it is tried again on the next tick.
    using Step = std::function<bool()>;

    WindowFixture() : ScratchSegment("/tmp/sperrow-tui-") {
        screen.SetSize(93, 33);
        fw::SetDesktop(&desktop);
    }
    ~WindowFixture() override { fw::SetDesktop(nullptr); }

    void StartModem(modem::ModemConfig config = {}) {
        WriteModemIdentity();
        ScratchSegment::StartModem(host, kHostAddr, config);
    }

    // Runs the main window until it ends and returns what DoModal returned.
    int RunWindow(std::vector<Step> steps, StartOptions options = {}) {
        options.netStack = &host;
        options.modemPort = modem::ModemConfig{}.listen_port;
        steps_ = std::move(steps);
        next_ = 0;
        ticks_ = 0;
        loop.SetTimer(this, 1, kTick, [this] { Tick(); });
        int code = CMainApp(options).Run();
        loop.KillTimer(this, 1);
        EXPECT_EQ(next_, steps_.size()) << "the window ended before its script did";
        return code;
    }

    Step Do(std::function<void()> action) {
        return [action] {
            action();
            return true;
        };
    }
    Step Press(Key key) {
        return Do([this, key] { screen.Dispatch(key); });
    }
    Step Press(Key::Kind kind) { return Press(Key::Of(kind)); }
    Step Type(const std::string& text) {
        return Do([this, text] {
            for (char c : text) screen.Dispatch(Key::Character(static_cast<unsigned char>(c)));
        });
    }
    Step Tabs(int n) {
        return Do([this, n] {
            for (int i = 0; i < n; ++i) screen.Dispatch(Key::Of(Key::Tab));
        });
    }
    Step WaitFor(const std::string& text) {
        return [this, text] { return Contains(text); };
    }
    // The screen against its picture under tests/tui/snapshots/ (SPERROW_UPDATE_SNAPSHOTS=1
    // writes the pictures afresh: read the diff before committing). The scratch folder's
    // random part is shown as XXXXXX, so pictures stay the same.
    Step Snapshot(const std::string& name) {
        return [this, name] {
            screen.Redraw();
            std::string text = screen.grid().ToText();
            std::string random = dir.substr(dir.size() - 6);
            for (std::size_t at; (at = text.find(random)) != std::string::npos;)
                text.replace(at, random.size(), "XXXXXX");
            std::string path = std::string(SPERROW_SOURCE_DIR) + "/tests/tui/snapshots/" + name +
                               ".txt";
            const char* update = std::getenv("SPERROW_UPDATE_SNAPSHOTS");
            if (update && *update == '1') std::ofstream(path) << text;
            EXPECT_EQ(text, ReadFile(path)) << "the screen against " << path;
            return true;
        };
    }
    // A mouse click on the first place the text appears on screen.
    Step ClickOn(const std::string& text) {
        return [this, text] {
            auto at = Locate(text);
            if (at) screen.Dispatch(Key::ClickAt(at->first, at->second));
            EXPECT_TRUE(at) << "nothing on screen reads " << text;
            return true;
        };
    }

    bool Contains(const std::string& text) {
        screen.Redraw();
        return screen.grid().ToText().find(text) != std::string::npos;
    }
    // Row and column of the first place the text appears on screen.
    std::optional<std::pair<int, int>> Locate(const std::string& text) {
        screen.Redraw();
        const Grid& g = screen.grid();
        for (int r = 0; r < g.height(); ++r) {
            std::size_t at = DecodeUtf8(g.RowText(r)).find(DecodeUtf8(text));
            if (at != std::u32string::npos) return std::pair{r, static_cast<int>(at)};
        }
        return std::nullopt;
    }
    const Cell* CellOf(const std::string& text, int offset = 0) {
        auto at = Locate(text);
        return at ? &screen.grid().At(at->first, at->second + offset) : nullptr;
    }
    fw::CControl* Control(int id) const {
        return g_pMainDlg ? g_pMainDlg->FindControl(id) : nullptr;
    }
    fw::CControl* Focused() const {
        fw::CDialog* top = fw::ActiveModalDialog();
        return top ? top->GetFocusedControl() : nullptr;
    }

    fw::NetStack& host = net.AddHost(kHostAddr);
    Screen screen;
    TerminalDesktop desktop{screen};

private:
    void Tick() {
        if (++ticks_ > kMaxTicks) {
            screen.Redraw();
            ADD_FAILURE() << "script stuck at step " << next_ << "; the screen:\n"
                          << screen.grid().ToText();
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
