// Terminals send Alt+letter as Esc followed by the letter, and a user without a working Alt
// key types the same two keys one after the other. An Esc is therefore held back for a
// moment: a letter that follows makes an accelerator, anything else (or the moment running
// out) lets the Esc through. Esc twice cancels at once.
#pragma once

#include <vector>

#include "frontends/tui/keys.h"

namespace tui {

class EscapeJoiner {
public:
    // How long an Esc waits for its letter.
    static constexpr int kWindowMs = 600;

    // The keys ready to be acted on after this one.
    std::vector<Key> Feed(const Key& key);
    // The window ran out: the held Esc, if any.
    std::vector<Key> Expire();
    bool pending() const { return pending_; }

private:
    bool pending_ = false;
};

}  // namespace tui
