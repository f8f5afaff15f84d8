#include "framework/ui/ui_events.h"

#include <map>

namespace fw {

namespace {

struct Listener {
    UiListener call;
    bool removed = false;  // removed while an event was being told: it goes afterwards
};

struct Listeners {
    std::map<int, Listener> by_token;  // tokens grow, so map order is adding order
    int next_token = 1;
    int telling = 0;  // events being told (a listener's change may tell another)
    bool removals = false;
};

Listeners& TheListeners() {
    static Listeners listeners;
    return listeners;
}

}  // namespace

int AddUiListener(UiListener listener) {
    Listeners& all = TheListeners();
    int token = all.next_token++;
    all.by_token.emplace(token, Listener{std::move(listener)});
    return token;
}

void RemoveUiListener(int token) {
    Listeners& all = TheListeners();
    auto it = all.by_token.find(token);
    if (it == all.by_token.end()) return;
    if (all.telling == 0) {
        all.by_token.erase(it);
        return;
    }
    // It may be the one running: it is no longer called, and goes when the telling ends.
    it->second.removed = true;
    all.removals = true;
}

void EmitUiEvent(const UiEvent& event) {
    Listeners& all = TheListeners();
    // Listeners added while the event is told are not called for it: their tokens are past
    // `end`. Nothing leaves the map meanwhile, so the walk stays valid.
    const int end = all.next_token;
    ++all.telling;
    for (auto it = all.by_token.begin(); it != all.by_token.end() && it->first < end; ++it) {
        if (!it->second.removed) it->second.call(event);
    }
    if (--all.telling == 0 && all.removals) {
        all.removals = false;
        std::erase_if(all.by_token, [](const auto& entry) { return entry.second.removed; });
    }
}

void NotifyMessageBoxBegin(const std::string& text, const std::string& caption, unsigned flags) {
    UiEvent event;
    event.kind = UiEvent::Kind::MessageBoxBegin;
    event.text = text;
    event.caption = caption;
    event.flags = flags;
    EmitUiEvent(event);
}

void NotifyMessageBoxEnd(int answer) {
    UiEvent event;
    event.kind = UiEvent::Kind::MessageBoxEnd;
    event.code = answer;
    EmitUiEvent(event);
}

}  // namespace fw
