// Input as the window sees it, whatever the terminal sent: keys, accelerators and clicks.
#pragma once

namespace tui {

struct Key {
    enum Kind {
        None,
        Char,  // a printable character in `ch`
        Enter,
        Escape,
        Tab,
        BackTab,
        Left,
        Right,
        Up,
        Down,
        Home,
        End,
        PageUp,
        PageDown,
        Backspace,
        Delete,
        Alt,    // Alt+letter or Esc then letter: the letter in `ch`, lower case
        Click,  // a mouse click at `row`, `col`
        Help,   // F1
        Menu,   // F10 or Alt+Space: the system menu
        Resize,
        Interrupt,  // Ctrl-C: the user wants out at once
    };
    Kind kind = None;
    char32_t ch = 0;
    int row = -1;
    int col = -1;

    static Key Of(Kind k) { return Key{k}; }
    static Key Character(char32_t c) { return Key{Char, c}; }
    static Key Accel(char32_t c) { return Key{Alt, c}; }
    static Key ClickAt(int r, int c) { return Key{Click, 0, r, c}; }
    bool operator==(const Key&) const = default;
};

}  // namespace tui
