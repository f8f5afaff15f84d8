// The editing behaviour of a one-line edit box: cursor movement, insertion and deletion,
// the digits-only filter, a length limit, and horizontal scrolling so that the cursor is
// always inside the visible part.
#pragma once

#include <cstddef>
#include <string>

#include "frontends/tui/keys.h"

namespace tui {

struct EditRules {
    bool digits_only = false;
    std::size_t limit = 0;  // characters; 0: none
};

struct EditState {
    std::size_t cursor = 0;  // in code points, 0..length
    std::size_t scroll = 0;  // first visible code point
};

// Applies an editing key to `text` (UTF-8). Returns true if the key was an editing key
// (handled), whether or not the text changed; `changed` tells the latter.
bool ApplyEditKey(std::string& text, EditState& state, const Key& key, const EditRules& rules,
                  bool* changed = nullptr);

// Keeps the cursor in the visible window of `width` cells; a cursor at the very end needs
// one cell of its own.
void ScrollToCursor(EditState& state, std::size_t length, std::size_t width);

// The view of a box without the focus: as much of the end of the text as fits, with no cell
// kept for a cursor.
EditState TailState(std::size_t length, std::size_t width);

// What the box shows: the visible slice, every character replaced by `mask` unless it is 0.
std::string VisibleText(const std::string& text, const EditState& state, std::size_t width,
                        char32_t mask = 0);

// After the text was changed from outside (the program set it), the cursor stays in range.
void ClampEditState(EditState& state, std::size_t length);

}  // namespace tui
