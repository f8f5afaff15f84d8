#include "frontends/tui/keys.h"

#include "frontends/tui/grid.h"

namespace tui {

std::string KeyName(const Key& key) {
    static const char* const kNames[] = {
        "None", "Char",  "Enter", "Escape", "Tab",    "BackTab",  "Left",      "Right",
        "Up",   "Down",  "Home",  "End",    "PageUp", "PageDown", "Backspace", "Delete",
        "Alt",  "Click", "Help",  "Menu",   "Resize", "Interrupt"};
    std::string name = kNames[key.kind];
    if (key.kind == Key::Char || key.kind == Key::Alt) {
        name += '(';
        AppendUtf8(name, key.ch);
        name += ')';
    }
    if (key.kind == Key::Click)
        name += "(" + std::to_string(key.row) + "," + std::to_string(key.col) + ")";
    return name;
}

}  // namespace tui
