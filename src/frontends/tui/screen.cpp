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
    CellRect free{0, 0, std::max(grid_.width(), NeededWidth()),
                  std::max({0, grid_.height() - 1, NeededHeight() - 1})};
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

std::string Screen::PartialViewHint() {
    return " The window is larger than the terminal: the view follows the focus.  F1: keys";
}

void Screen::Redraw() {
    if (terminal_ && (terminal_->Width() != grid_.width() || terminal_->Height() != grid_.height()))
        SetSize(terminal_->Width(), terminal_->Height());
    CellRect owner = OwnerRect();
    CellRect whole{0, 0, std::max(owner.right(), grid_.width()),
                   std::max({0, owner.bottom(), grid_.height() - 1})};
    if (picture_.width() != whole.width || picture_.height() != whole.height)
        picture_.Resize(whole.width, whole.height);
    picture_.ResetClip();
    picture_.SetCursor(-1, -1);
    picture_.Fill(whole, U' ', Role::Desktop);
    for (std::size_t i = 0; i < layers_.size(); ++i) {
        bool top = i + 1 == layers_.size();
        // Only the top layer keeps its cursor: the one below may have set one.
        if (top) picture_.SetCursor(-1, -1);
        layers_[i]->Draw(picture_, owner, top);
        picture_.ResetClip();
    }
    PlaceView();
    ShowView();
    if (terminal_) terminal_->Present(grid_);
}

void Screen::PlaceView() {
    int rows = std::max(0, grid_.height() - 1);
    partial_ = picture_.width() > grid_.width() || picture_.height() > rows;
    view_top_ = view_left_ = 0;
    if (!partial_ || layers_.empty()) return;
    const Layer& top = *layers_.back();
    CellRect area = top.Drawn(), focus = top.FocusArea();
    // The bottom layer is the whole picture: only its focus matters.
    if (layers_.size() == 1) area = {};
    view_left_ = ViewOffset(grid_.width(), picture_.width(), {area.left, area.width},
                            {focus.left, focus.width}, false);
    view_top_ = ViewOffset(rows, picture_.height(), {area.top, area.height},
                           {focus.top, focus.height}, true);
}

void Screen::ShowView() {
    grid_.ResetClip();
    grid_.SetCursor(-1, -1);
    int rows = std::max(0, grid_.height() - 1);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < grid_.width(); ++c) {
            const Cell& cell = picture_.At(r + view_top_, c + view_left_);
            grid_.Put(r, c, cell.ch, cell.role, cell.underline);
        }
    }
    int cursor_row = picture_.cursor_row() - view_top_,
        cursor_col = picture_.cursor_col() - view_left_;
    if (picture_.cursor_row() >= 0 && cursor_row >= 0 && cursor_row < rows && cursor_col >= 0 &&
        cursor_col < grid_.width())
        grid_.SetCursor(cursor_row, cursor_col);
    if (grid_.height() > 0) {
        int row = grid_.height() - 1;
        Role role = partial_ ? Role::Alert : Role::Help;
        grid_.Fill({0, row, grid_.width(), 1}, U' ', role);
        grid_.Text(row, 0, partial_ ? PartialViewHint() : help_, role, grid_.width());
    }
}

void Screen::Dispatch(const Key& given) {
    Key key = given;
    if (key.kind == Key::Click) {
        // Clicks land on the picture where the view shows it; the last row is the hint's.
        if (key.row >= grid_.height() - 1) return;
        key.row += view_top_;
        key.col += view_left_;
    }
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
    if (quitting_) return;
    exit_status_ = status;
    quitting_ = true;
    if (onQuit) onQuit(status);
    // Every modal dialog, the main window included, ends as if cancelled; the layers
    // that are not dialogs see quitting() and give up.
    for (fw::CDialog* d : fw::LiveDialogs())
        if (d->IsModal() && !d->IsEnded()) d->EndDialog(fw::IDCANCEL);
}

}  // namespace tui
