// The one place that talks to curses: set-up and tear-down, the mapping of colour roles to
// attributes (with a monochrome scheme when the terminal has no colours or NO_COLOR is
// set), copying a Grid to the screen, and turning terminal input into Keys.
#pragma once

#include <vector>

#include "frontends/tui/grid.h"
#include "frontends/tui/keys.h"

namespace tui {

class Terminal {
public:
    Terminal() = default;
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Takes over the terminal on stdin/stdout. False when there is none to take.
    bool Open();
    // Gives the terminal back as it was. Safe to call twice.
    void Close();
    bool IsOpen() const { return open_; }

    int Width() const;
    int Height() const;
    bool HasColour() const { return colour_; }

    // Shows the grid: characters, roles and the cursor.
    void Present(const Grid& grid);

    // The descriptor that becomes readable when keys wait, and the one that becomes
    // readable when a signal arrived (a resize, or a request to stop).
    int InputFd() const { return 0; }
    int SignalFd() const { return signal_pipe_[0]; }

    // Everything the terminal has sent so far, without waiting.
    std::vector<Key> ReadKeys();
    // True once the terminal has gone away: its descriptor keeps waking the loop with
    // nothing to read (a closed pseudo-terminal does that instead of sending a hang-up).
    bool HungUp() const { return empty_wakes_ >= kEmptyWakesForHangUp; }
    // The signals that arrived since the last call (SIGWINCH, SIGTERM, SIGHUP, SIGINT).
    // After a SIGWINCH the terminal already knows its new size.
    std::vector<int> TakeSignals();

private:
    void SetUpColours();
    static bool WantColour();

    bool open_ = false;
    bool colour_ = false;
    bool utf8_ = false;  // the locale can show the box-drawing characters themselves
    int signal_pipe_[2] = {-1, -1};
    static constexpr int kEmptyWakesForHangUp = 200;
    int empty_wakes_ = 0;
};

}  // namespace tui
