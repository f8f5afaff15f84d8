#include "frontends/tui/escape_joiner.h"

#include <cwctype>

namespace tui {

std::vector<Key> EscapeJoiner::Feed(const Key& key) {
    if (!pending_) {
        if (key.kind == Key::Escape) {
            pending_ = true;
            return {};
        }
        return {key};
    }
    pending_ = false;
    if (key.kind == Key::Escape) return {key};
    if (key.kind == Key::Char && key.ch == U' ') return {Key::Of(Key::Menu)};
    if (key.kind == Key::Char && key.ch < 0x80 && std::iswalnum(static_cast<wint_t>(key.ch)))
        return {Key::Accel(static_cast<char32_t>(std::towlower(static_cast<wint_t>(key.ch))))};
    return {Key::Of(Key::Escape), key};
}

std::vector<Key> EscapeJoiner::Expire() {
    if (!pending_) return {};
    pending_ = false;
    return {Key::Of(Key::Escape)};
}

}  // namespace tui
