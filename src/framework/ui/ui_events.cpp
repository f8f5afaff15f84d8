#include "framework/ui/ui_events.h"

#include <map>
#include <vector>

namespace fw {

namespace {

struct Listeners {
    std::map<int, UiListener> by_token;  // tokens grow, so map order is adding order
    int next_token = 1;
};

Listeners& TheListeners() {
    static Listeners listeners;
    return listeners;
}

}  // namespace

int AddUiListener(UiListener listener) {
    Listeners& all = TheListeners();
    int token = all.next_token++;
    all.by_token.emplace(token, std::move(listener));
    return token;
}

void RemoveUiListener(int token) {
    TheListeners().by_token.erase(token);
}

void EmitUiEvent(const UiEvent& event) {
    Listeners& all = TheListeners();
    if (all.by_token.empty()) return;
    // Walk a snapshot of the tokens: a listener may add or remove listeners while it runs.
    std::vector<int> tokens;
    tokens.reserve(all.by_token.size());
    for (const auto& [token, listener] : all.by_token) tokens.push_back(token);
    for (int token : tokens) {
        auto it = all.by_token.find(token);
        if (it == all.by_token.end()) continue;
        UiListener copy = it->second;  // the listener may remove itself while running
        copy(event);
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
