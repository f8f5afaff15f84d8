#include "frontends/tui/terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <iterator>

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <ncursesw/curses.h>

namespace tui {
namespace {

int g_signal_write_fd = -1;
constexpr int kSignals[] = {SIGWINCH, SIGTERM, SIGHUP, SIGINT};

// Signals only leave a note; the event loop reads it and acts on the window's thread.
void OnSignal(int sig) {
    if (g_signal_write_fd >= 0) {
        auto byte = static_cast<unsigned char>(sig);
        ssize_t ignored = write(g_signal_write_fd, &byte, 1);
        (void)ignored;
    }
}

// Each role gets a colour pair of its own (pair number = role + 1) and attributes.
struct RoleLook {
    short fg;
    short bg;
    attr_t colour_attr;  // added to the pair when colours are on
    attr_t mono_attr;    // the whole look when they are off
};

constexpr short kGrey = 8;  // the bright black of 16-colour terminals

// Indexed by Role; the order must follow roles.h.
constexpr RoleLook kLooks[] = {
    {COLOR_WHITE, COLOR_BLUE, A_NORMAL, A_NORMAL},          // Desktop
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},         // Window
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},         // Frame
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE | A_BOLD},  // Caption
    {COLOR_WHITE, COLOR_BLACK, A_NORMAL, A_REVERSE},        // CaptionIdle
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},         // Text
    {kGrey, COLOR_WHITE, A_NORMAL, A_DIM},                  // Disabled
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_UNDERLINE},       // Field
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE},           // FieldFocus
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_NORMAL},          // Button
    {COLOR_BLUE, COLOR_CYAN, A_BOLD, A_BOLD},               // ButtonDefault
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE | A_BOLD},  // ButtonFocus
    {COLOR_WHITE, COLOR_BLUE, A_BOLD, A_REVERSE},           // Focus
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_BOLD},            // Selection
    {COLOR_BLUE, COLOR_WHITE, A_NORMAL, A_NORMAL},          // ProgressDone
    {COLOR_BLACK, COLOR_WHITE, A_NORMAL, A_NORMAL},         // ProgressLeft
    {COLOR_BLUE, COLOR_WHITE, A_BOLD, A_BOLD},              // Art
    {kGrey, COLOR_BLACK, A_NORMAL, A_DIM},                  // Shadow
    {COLOR_BLACK, COLOR_CYAN, A_NORMAL, A_REVERSE},         // Help
    {COLOR_WHITE, COLOR_RED, A_BOLD, A_BOLD},               // Alert
};

static_assert(std::size(kLooks) == kRoleCount, "a look for every role");

const RoleLook& LookOf(Role role) {
    return kLooks[static_cast<int>(role) % kRoleCount];
}

// The line-drawing set, which every terminal can show whatever the locale.
bool LineGlyph(char32_t ch, chtype* out) {
    switch (ch) {
        case glyph::kHLine:
            *out = ACS_HLINE;
            return true;
        case glyph::kVLine:
            *out = ACS_VLINE;
            return true;
        case glyph::kTopLeft:
            *out = ACS_ULCORNER;
            return true;
        case glyph::kTopRight:
            *out = ACS_URCORNER;
            return true;
        case glyph::kBottomLeft:
            *out = ACS_LLCORNER;
            return true;
        case glyph::kBottomRight:
            *out = ACS_LRCORNER;
            return true;
        case glyph::kTeeLeft:
            *out = ACS_LTEE;
            return true;
        case glyph::kTeeRight:
            *out = ACS_RTEE;
            return true;
        case glyph::kShade:
            *out = ACS_CKBOARD;
            return true;
        case glyph::kBlock:
            *out = ACS_BLOCK;
            return true;
        case glyph::kArrowUp:
            *out = ACS_UARROW;
            return true;
        case glyph::kArrowDown:
            *out = ACS_DARROW;
            return true;
        default:
            return false;
    }
}

Key FromFunctionKey(int code) {
    switch (code) {
        case KEY_ENTER:
            return Key::Of(Key::Enter);
        case KEY_LEFT:
            return Key::Of(Key::Left);
        case KEY_RIGHT:
            return Key::Of(Key::Right);
        case KEY_UP:
            return Key::Of(Key::Up);
        case KEY_DOWN:
            return Key::Of(Key::Down);
        case KEY_HOME:
            return Key::Of(Key::Home);
        case KEY_END:
            return Key::Of(Key::End);
        case KEY_PPAGE:
            return Key::Of(Key::PageUp);
        case KEY_NPAGE:
            return Key::Of(Key::PageDown);
        case KEY_BACKSPACE:
            return Key::Of(Key::Backspace);
        case KEY_DC:
            return Key::Of(Key::Delete);
        case KEY_BTAB:
            return Key::Of(Key::BackTab);
        case KEY_F(1):
            return Key::Of(Key::Help);
        case KEY_F(10):
            return Key::Of(Key::Menu);
        case KEY_RESIZE:
            return Key::Of(Key::Resize);
        default:
            return Key::Of(Key::None);
    }
}

Key FromCharacter(wint_t ch) {
    switch (ch) {
        case L'\r':
        case L'\n':
            return Key::Of(Key::Enter);
        case L'\t':
            return Key::Of(Key::Tab);
        case 27:
            return Key::Of(Key::Escape);
        case 127:
        case 8:
            return Key::Of(Key::Backspace);
        case 3:
            return Key::Of(Key::Interrupt);
        default:
            break;
    }
    if (ch < 0x20) return Key::Of(Key::None);
    return Key::Character(static_cast<char32_t>(ch));
}

}  // namespace

Terminal::~Terminal() {
    Close();
}

bool Terminal::WantColour() {
    const char* no_colour = std::getenv("NO_COLOR");
    return !(no_colour && *no_colour) && has_colors();
}

bool Terminal::Open() {
    if (open_) return true;
    if (!isatty(0) || !isatty(1)) return false;
    std::setlocale(LC_ALL, "");
    utf8_ = MB_CUR_MAX > 1;
    // Only the terminal's own key sequences should wait; Esc then a letter is timed by us.
    set_escdelay(25);
    if (!initscr()) return false;
    open_ = true;
    raw();  // Ctrl-C and Ctrl-Z reach the window as keys, the way a dialog program gets them
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    meta(stdscr, TRUE);
    mousemask(BUTTON1_PRESSED, nullptr);
    mouseinterval(0);
    colour_ = WantColour();
    SetUpColours();

    if (pipe(signal_pipe_) == 0) {
        for (int fd : signal_pipe_) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        g_signal_write_fd = signal_pipe_[1];
        struct sigaction sa = {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : kSignals) sigaction(sig, &sa, nullptr);
    }
    return true;
}

void Terminal::Close() {
    if (!open_) return;
    for (int sig : kSignals) signal(sig, SIG_DFL);
    g_signal_write_fd = -1;
    for (int& fd : signal_pipe_) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    curs_set(1);
    endwin();
    open_ = false;
}

void Terminal::SetUpColours() {
    if (!colour_) return;
    start_color();
    for (int r = 0; r < kRoleCount; ++r) {
        const RoleLook& look = LookOf(static_cast<Role>(r));
        short fg = look.fg >= COLORS ? COLOR_BLACK : look.fg;
        short bg = look.bg >= COLORS ? COLOR_BLACK : look.bg;
        init_pair(static_cast<short>(r + 1), fg, bg);
    }
}

int Terminal::Width() const {
    return open_ ? COLS : 0;
}
int Terminal::Height() const {
    return open_ ? LINES : 0;
}

void Terminal::Present(const Grid& grid) {
    if (!open_) return;
    int rows = std::min(grid.height(), LINES), cols = std::min(grid.width(), COLS);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const Cell& cell = grid.At(r, c);
            const RoleLook& look = LookOf(cell.role);
            attr_t attr = colour_ ? look.colour_attr : look.mono_attr;
            if (cell.role == Role::Disabled && colour_ && COLORS < 16) attr |= A_DIM;
            if (cell.underline) attr |= A_UNDERLINE;
            short pair = colour_ ? static_cast<short>(static_cast<int>(cell.role) + 1) : 0;
            chtype line;
            if (!utf8_ && LineGlyph(cell.ch, &line)) {
                mvaddch(r, c, line | attr | COLOR_PAIR(pair));
                continue;
            }
            wchar_t text[2] = {static_cast<wchar_t>(cell.ch), 0};
            cchar_t cc;
            setcchar(&cc, text, attr, pair, nullptr);
            mvadd_wch(r, c, &cc);
        }
    }
    if (grid.cursor_row() >= 0 && grid.cursor_row() < LINES && grid.cursor_col() < COLS) {
        curs_set(1);
        move(grid.cursor_row(), grid.cursor_col());
    } else {
        curs_set(0);
    }
    refresh();
}

std::vector<Key> Terminal::ReadKeys() {
    std::vector<Key> keys;
    if (!open_) return keys;
    bool read_any = false;
    for (int guard = 0; guard < 4096; ++guard) {
        wint_t ch = 0;
        int kind = get_wch(&ch);
        if (kind == ERR) break;
        read_any = true;
        Key key;
        if (kind == KEY_CODE_YES && ch == KEY_MOUSE) {
            MEVENT ev;
            if (getmouse(&ev) == OK && (ev.bstate & BUTTON1_PRESSED))
                key = Key::ClickAt(ev.y, ev.x);
        } else if (kind == KEY_CODE_YES) {
            key = FromFunctionKey(static_cast<int>(ch));
        } else {
            key = FromCharacter(ch);
        }
        if (key.kind != Key::None) keys.push_back(key);
    }
    empty_wakes_ = read_any ? 0 : empty_wakes_ + 1;
    return keys;
}

std::vector<int> Terminal::TakeSignals() {
    std::vector<int> signals;
    if (!open_ || signal_pipe_[0] < 0) return signals;
    unsigned char buf[64];
    ssize_t n;
    while ((n = read(signal_pipe_[0], buf, sizeof buf)) > 0)
        for (ssize_t i = 0; i < n; ++i) signals.push_back(buf[i]);
    for (int sig : signals) {
        if (sig != SIGWINCH) continue;
        struct winsize ws = {};
        if (ioctl(1, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0)
            resizeterm(ws.ws_row, ws.ws_col);
        clearok(curscr, TRUE);
        break;
    }
    return signals;
}

}  // namespace tui
