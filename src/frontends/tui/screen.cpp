#include "frontends/tui/screen.h"

#include <algorithm>

#include "framework/desktop.h"
#include "framework/event_loop.h"
#include "framework/ui/dialog.h"
#include "frontends/tui/layout.h"
#include "frontends/tui/message_box_layer.h"
#include "frontends/tui/terminal.h"
#include "frontends/tui/widgets.h"

namespace tui {

Screen::Screen(Terminal* terminal)
    : terminal_(terminal),
      help_(DefaultHelpLine()),
      alive_(std::make_shared<bool>(true)),
      listener_([this](const fw::UiEvent& e) { OnUiEvent(e); }) {
    if (terminal_) SetSize(terminal_->Width(), terminal_->Height());
}

Screen::~Screen() {
    *alive_ = false;
    fw::MainLoop().KillTimer(this, 1);
}

std::string Screen::DefaultHelpLine() {
    return " Tab move  Space press  Enter OK  Esc cancel  Alt+letter  F10: menu, About Brevik  "
           "F1: keys";
}

std::string Screen::KeysHelpText() {
    return "Tab, Shift+Tab: next and previous control\n"
           "Arrows: move within a group, a list or the address\n"
           "Space: check, choose or press the control\n"
           "Enter: press the focused or the default button\n"
           "Esc: cancel the window (Esc Esc at once)\n"
           "Alt+letter, or Esc then letter: the underlined letter\n"
           "F10, Alt+Space, or a click on [-]: the system menu,\n"
           "which holds \"About Brevik...\"\n"
           "Ctrl+C: end the program";
}

void Screen::SetSize(int width, int height) {
    grid_.Resize(width, height);
}

void Screen::Push(Layer* layer) {
    layers_.push_back(layer);
    Redraw();
}

void Screen::Remove(Layer* layer) {
    layers_.erase(std::remove(layers_.begin(), layers_.end(), layer), layers_.end());
    Redraw();
}

void Screen::RunLayer(Layer& layer) {
    Push(&layer);
    fw::MainLoop().RunUntil([&] { return layer.Done() || quitting_; });
    Remove(&layer);
}

int Screen::NeededWidth() const {
    return layers_.empty() ? 0 : layers_.front()->Width();
}
int Screen::NeededHeight() const {
    return layers_.empty() ? 0 : layers_.front()->Height() + 1;
}

CellRect Screen::OwnerRect() const {
    CellRect free{0, 0, grid_.width(), std::max(0, grid_.height() - 1)};
    if (layers_.empty()) return free;
    return CentreIn(free, layers_.front()->Width(), layers_.front()->Height());
}

void Screen::OnUiEvent(const fw::UiEvent&) {
    RequestRedraw();
}

void Screen::RequestRedraw() {
    if (redraw_posted_) return;
    redraw_posted_ = true;
    std::weak_ptr<bool> alive = alive_;
    fw::MainLoop().Post([this, alive] {
        if (alive.expired()) return;
        redraw_posted_ = false;
        Redraw();
    });
}

void Screen::DrawTooSmall() {
    grid_.Fill({0, 0, grid_.width(), grid_.height()}, U' ', Role::Desktop);
    std::string text = "Sperrow needs a terminal of at least " + std::to_string(NeededWidth()) +
                       " x " + std::to_string(NeededHeight()) + " characters; this one is " +
                       std::to_string(grid_.width()) + " x " + std::to_string(grid_.height()) +
                       ".\nPlease enlarge it. (Esc Esc ends the program.)";
    std::vector<std::string> lines = WrapText(text, std::max(10, grid_.width() - 2));
    int top = std::max(0, (grid_.height() - static_cast<int>(lines.size())) / 2);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        int len = static_cast<int>(DecodeUtf8(lines[i]).size());
        grid_.Text(top + static_cast<int>(i), std::max(0, (grid_.width() - len) / 2), lines[i],
                   Role::Alert);
    }
}

void Screen::Redraw() {
    if (terminal_ && (terminal_->Width() != grid_.width() || terminal_->Height() != grid_.height()))
        SetSize(terminal_->Width(), terminal_->Height());
    grid_.ResetClip();
    grid_.SetCursor(-1, -1);
    if (!layers_.empty() && (grid_.width() < NeededWidth() || grid_.height() < NeededHeight())) {
        DrawTooSmall();
    } else {
        grid_.Fill({0, 0, grid_.width(), grid_.height()}, U' ', Role::Desktop);
        CellRect owner = OwnerRect();
        for (std::size_t i = 0; i < layers_.size(); ++i) {
            bool top = i + 1 == layers_.size();
            // Only the top layer keeps its cursor: the one below may have set one.
            if (top) grid_.SetCursor(-1, -1);
            layers_[i]->Draw(grid_, owner, top);
            grid_.ResetClip();
        }
        if (grid_.height() > 0) {
            int row = grid_.height() - 1;
            grid_.Fill({0, row, grid_.width(), 1}, U' ', Role::Help);
            grid_.Text(row, 0, help_, Role::Help, grid_.width());
        }
    }
    if (terminal_) terminal_->Present(grid_);
}

void Screen::Dispatch(const Key& key) {
    switch (key.kind) {
        case Key::Resize:
            break;
        case Key::Interrupt:
            Quit(130);
            break;
        case Key::Help: {
            MessageBoxLayer help(KeysHelpText(), "Keys", fw::MB_OK | fw::MB_ICONINFORMATION);
            RunLayer(help);
            break;
        }
        default:
            if (Layer* top = Top()) top->HandleKey(key);
            break;
    }
    Redraw();
}

void Screen::Feed(const Key& key) {
    fw::MainLoop().KillTimer(this, 1);
    for (const Key& k : joiner_.Feed(key)) Dispatch(k);
    if (joiner_.pending()) {
        std::weak_ptr<bool> alive = alive_;
        fw::MainLoop().SetTimer(this, 1, EscapeJoiner::kWindowMs, [this, alive] {
            if (alive.expired()) return;
            ExpireEscape();
        });
    }
}

void Screen::ExpireEscape() {
    fw::MainLoop().KillTimer(this, 1);
    for (const Key& k : joiner_.Expire()) Dispatch(k);
}

void Screen::Quit(int status) {
    if (!quitting_) exit_status_ = status;
    quitting_ = true;
    // Every modal dialog, the main window included, ends as if cancelled; the layers
    // that are not dialogs see quitting() and give up.
    for (fw::CDialog* d : fw::LiveDialogs())
        if (d->IsModal() && !d->IsEnded()) d->EndDialog(fw::IDCANCEL);
}

}  // namespace tui
