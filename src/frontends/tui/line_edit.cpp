#include "frontends/tui/line_edit.h"

#include "frontends/tui/grid.h"

namespace tui {
namespace {

bool Insert(std::u32string& text, EditState& state, char32_t ch, const EditRules& rules) {
    if (rules.digits_only && (ch < U'0' || ch > U'9')) return false;
    if (rules.limit && text.size() >= rules.limit) return false;
    text.insert(text.begin() + static_cast<std::ptrdiff_t>(state.cursor), ch);
    ++state.cursor;
    return true;
}

}  // namespace

bool ApplyEditKey(std::string& utf8, EditState& state, const Key& key, const EditRules& rules,
                  bool* changed) {
    std::u32string text = DecodeUtf8(utf8);
    ClampEditState(state, text.size());
    bool edited = false;
    switch (key.kind) {
        case Key::Char:
            edited = Insert(text, state, key.ch, rules);
            break;
        case Key::Left:
            if (state.cursor > 0) --state.cursor;
            break;
        case Key::Right:
            if (state.cursor < text.size()) ++state.cursor;
            break;
        case Key::Home:
            state.cursor = 0;
            break;
        case Key::End:
            state.cursor = text.size();
            break;
        case Key::Backspace:
            if (state.cursor > 0) {
                text.erase(--state.cursor, 1);
                edited = true;
            }
            break;
        case Key::Delete:
            if (state.cursor < text.size()) {
                text.erase(state.cursor, 1);
                edited = true;
            }
            break;
        default:
            return false;
    }
    if (edited) utf8 = EncodeUtf8(text);
    if (changed) *changed = edited;
    return true;
}

void ScrollToCursor(EditState& state, std::size_t length, std::size_t width) {
    ClampEditState(state, length);
    if (width == 0) {
        state.scroll = state.cursor;
        return;
    }
    if (state.cursor < state.scroll) state.scroll = state.cursor;
    if (state.cursor >= state.scroll + width) state.scroll = state.cursor - width + 1;
    // Deleting near the end should pull text back into view rather than leave a gap.
    std::size_t needed = length + 1;
    if (state.scroll > 0 && needed - state.scroll < width)
        state.scroll = needed > width ? needed - width : 0;
    if (state.cursor < state.scroll) state.scroll = state.cursor;
}

EditState TailState(std::size_t length, std::size_t width) {
    return {length, length > width ? length - width : 0};
}

std::string VisibleText(const std::string& utf8, const EditState& state, std::size_t width,
                        char32_t mask) {
    std::u32string text = DecodeUtf8(utf8);
    std::u32string slice =
        state.scroll < text.size() ? text.substr(state.scroll, width) : std::u32string();
    if (mask) slice.assign(slice.size(), mask);
    return EncodeUtf8(slice);
}

void ClampEditState(EditState& state, std::size_t length) {
    if (state.cursor > length) state.cursor = length;
    if (state.scroll > length) state.scroll = length;
}

}  // namespace tui
