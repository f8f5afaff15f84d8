#include "framework/ui/ui_events.h"

#include <map>
#include <memory>

namespace fw {

namespace {

struct Listeners {
    // Tokens grow, so map order is adding order. Shared, so that a listener that removes
    // itself while it runs lives on until it returns, without a copy for every event.
    std::map<int, std::shared_ptr<const UiListener>> by_token;
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
    all.by_token.emplace(token, std::make_shared<const UiListener>(std::move(listener)));
    return token;
}

void RemoveUiListener(int token) {
    TheListeners().by_token.erase(token);
}

void EmitUiEvent(const UiEvent& event) {
    Listeners& all = TheListeners();
    // A listener may add or remove listeners while it runs: those added now are not called
    // for this event (their tokens are past `end`), those removed are not found any more.
    const int end = all.next_token;
    for (auto it = all.by_token.begin(); it != all.by_token.end() && it->first < end;) {
        int token = it->first;
        std::shared_ptr<const UiListener> listener = it->second;
        (*listener)(event);
        it = all.by_token.upper_bound(token);
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
