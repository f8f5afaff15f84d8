#include "frontends/tui/message_box_layer.h"

#include <algorithm>
#include <cctype>

#include "framework/desktop.h"
#include "frontends/tui/layout.h"
#include "frontends/tui/widgets.h"

namespace tui {
namespace {

constexpr int kButtonWidth = 12;
constexpr int kIconWidth = 6;

}  // namespace

MessageBoxLayer::MessageBoxLayer(std::string text, std::string caption, unsigned flags,
                                 int max_width)
    : caption_(std::move(caption)) {
    unsigned buttons = flags & 0xF;
    if (buttons == fw::MB_RETRYCANCEL) {
        buttons_ = {{"&Retry", fw::IDRETRY, {}}, {"Cancel", fw::IDCANCEL, {}}};
        cancel_answer_ = fw::IDCANCEL;
    } else if (buttons == fw::MB_OKCANCEL) {
        buttons_ = {{"OK", fw::IDOK, {}}, {"Cancel", fw::IDCANCEL, {}}};
        cancel_answer_ = fw::IDCANCEL;
    } else if (buttons == fw::MB_YESNO) {
        buttons_ = {{"&Yes", fw::IDYES, {}}, {"&No", fw::IDNO, {}}};
        cancel_answer_ = fw::IDNO;  // Esc never says yes
    } else {
        buttons_ = {{"OK", fw::IDOK, {}}};
        cancel_answer_ = fw::IDOK;  // a box with only OK answers OK to Esc, as it always did
    }
    if (flags & fw::MB_ICONSTOP)
        icon_ = fw::MB_ICONSTOP;
    else if (flags & fw::MB_ICONQUESTION)
        icon_ = fw::MB_ICONQUESTION;
    else if (flags & fw::MB_ICONINFORMATION)
        icon_ = fw::MB_ICONINFORMATION;
    // The default button has the focus first, so that Enter presses it.
    if ((flags & fw::MB_DEFBUTTON2) && buttons_.size() > 1) focus_ = 1;

    // A final line feed ends the last line; it does not add an empty one.
    if (!text.empty() && text.back() == '\n') text.pop_back();
    int text_width = std::max(20, max_width - 4 - (icon_ ? kIconWidth : 0));
    lines_ = WrapText(text, text_width);
    int widest = 0;
    for (const std::string& l : lines_)
        widest = std::max(widest, static_cast<int>(DecodeUtf8(l).size()));
    int button_row = static_cast<int>(buttons_.size()) * (kButtonWidth + 2);
    width_ = std::max({widest + 4 + (icon_ ? kIconWidth : 0), button_row + 2,
                       static_cast<int>(caption_.size()) + 9, 24});
    height_ = std::max(static_cast<int>(lines_.size()), icon_ ? 3 : 1) + 5;
}

void MessageBoxLayer::Draw(Grid& grid, const CellRect& owner, bool active) {
    outer_ = CentreIn(owner, width_, height_);
    CellRect in = DrawWindow(grid, outer_, caption_, active, true);
    int text_left = in.left + 1;
    if (icon_) {
        bool stop = icon_ == fw::MB_ICONSTOP;
        const char* mark = icon_ == fw::MB_ICONQUESTION ? " |? |" : " |i |";
        const char* art[] = {stop ? " /~~\\" : " .--.", stop ? " |><|" : mark,
                             stop ? " \\__/" : " '--'"};
        for (int i = 0; i < 3; ++i) grid.Text(in.top + 1 + i, in.left + 1, art[i], Role::Art);
        text_left += kIconWidth;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i)
        grid.Text(in.top + 1 + static_cast<int>(i), text_left, lines_[i], Role::Text,
                  in.right() - text_left);
    int count = static_cast<int>(buttons_.size());
    int total = count * kButtonWidth + (count - 1) * 2;
    int left = in.left + (in.width - total) / 2;
    for (int i = 0; i < count; ++i) {
        Button& b = buttons_[static_cast<std::size_t>(i)];
        b.rect = {left + i * (kButtonWidth + 2), in.bottom() - 2, kButtonWidth, 1};
        DrawButton(grid, b.rect, b.caption, i == focus_ ? Look::Focused : Look::Normal);
    }
}

void MessageBoxLayer::HandleKey(const Key& key) {
    int count = static_cast<int>(buttons_.size());
    switch (key.kind) {
        case Key::Tab:
        case Key::Right:
        case Key::Down:
            focus_ = (focus_ + 1) % count;
            break;
        case Key::BackTab:
        case Key::Left:
        case Key::Up:
            focus_ = (focus_ + count - 1) % count;
            break;
        case Key::Enter:
            Press(focus_);
            break;
        case Key::Char:
            if (key.ch == U' ')
                Press(focus_);
            else if (key.ch < 0x80)
                for (int i = 0; i < count; ++i)
                    if (AcceleratorOf(buttons_[static_cast<std::size_t>(i)].caption) ==
                        static_cast<char>(std::tolower(static_cast<int>(key.ch))))
                        Press(i);
            break;
        case Key::Alt:
            for (int i = 0; i < count; ++i)
                if (AcceleratorOf(buttons_[static_cast<std::size_t>(i)].caption) ==
                    static_cast<char>(key.ch))
                    Press(i);
            break;
        case Key::Escape:
        case Key::Interrupt:
            answer_ = cancel_answer_;
            break;
        case Key::Click:
            for (int i = 0; i < count; ++i)
                if (buttons_[static_cast<std::size_t>(i)].rect.Contains(key.row, key.col)) Press(i);
            break;
        default:
            break;
    }
}

}  // namespace tui
