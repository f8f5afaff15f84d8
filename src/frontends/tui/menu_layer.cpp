#include "frontends/tui/menu_layer.h"

#include <algorithm>
#include <cctype>

namespace tui {

MenuLayer::MenuLayer(std::vector<fw::MenuItem> items, CellRect anchor)
    : items_(std::move(items)), anchor_(anchor) {
    int widest = 0;
    for (const fw::MenuItem& item : items_)
        widest = std::max(widest, static_cast<int>(DecodeUtf8(StripAccelerator(item.text)).size()));
    width_ = widest + 4;
    Move(1);
}

void MenuLayer::Move(int step) {
    int n = static_cast<int>(items_.size());
    for (int k = 1; k <= n; ++k) {
        int i = ((current_ < 0 ? (step > 0 ? -1 : 0) : current_) + step * k % n + n) % n;
        if (items_[static_cast<std::size_t>(i)].IsChoosable()) {
            current_ = i;
            return;
        }
    }
}

void MenuLayer::Choose(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    const fw::MenuItem& item = items_[static_cast<std::size_t>(index)];
    if (!item.IsChoosable()) return;
    chosen_ = item.id;
    done_ = true;
}

CellRect MenuLayer::Frame() const {
    return {anchor_.left + 1, anchor_.top + 1, width_, Height()};
}

CellRect MenuLayer::FocusArea() const {
    CellRect f = Frame();
    return current_ < 0 ? CellRect{} : CellRect{f.left, f.top + 1 + current_, f.width, 1};
}

void MenuLayer::Draw(Grid& grid, const CellRect&, bool) {
    CellRect f = Frame();
    grid.Recolour({f.right(), f.top + 1, 1, f.height}, Role::Shadow);
    grid.Recolour({f.left + 1, f.bottom(), f.width, 1}, Role::Shadow);
    grid.Fill(f, U' ', Role::Window);
    grid.Box(f, Role::Frame);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        const fw::MenuItem& item = items_[static_cast<std::size_t>(i)];
        int row = f.top + 1 + i;
        if (item.IsSeparator()) {
            grid.Put(row, f.left, glyph::kTeeLeft, Role::Frame);
            for (int c = f.left + 1; c < f.right() - 1; ++c)
                grid.Put(row, c, glyph::kHLine, Role::Frame);
            grid.Put(row, f.right() - 1, glyph::kTeeRight, Role::Frame);
            continue;
        }
        Role role = !item.IsChoosable() ? Role::Disabled : i == current_ ? Role::Focus : Role::Text;
        grid.Fill({f.left + 1, row, f.width - 2, 1}, U' ', role);
        grid.Label(row, f.left + 2, item.text, role, f.width - 4);
    }
}

void MenuLayer::HandleKey(const Key& key) {
    switch (key.kind) {
        case Key::Up:
            Move(-1);
            break;
        case Key::Down:
        case Key::Tab:
            Move(1);
            break;
        case Key::BackTab:
            Move(-1);
            break;
        case Key::Enter:
            Choose(current_);
            break;
        case Key::Escape:
        case Key::Menu:
        case Key::Interrupt:
            done_ = true;
            break;
        case Key::Char:
        case Key::Alt:
            if (key.ch == U' ' && key.kind == Key::Char) {
                Choose(current_);
                break;
            }
            for (int i = 0; i < static_cast<int>(items_.size()); ++i)
                if (key.ch < 0x80 && AcceleratorOf(items_[static_cast<std::size_t>(i)].text) ==
                                         static_cast<char>(std::tolower(static_cast<int>(key.ch))))
                    Choose(i);
            break;
        case Key::Click: {
            CellRect f = Frame();
            if (f.Contains(key.row, key.col))
                Choose(key.row - f.top - 1);
            else
                done_ = true;
            break;
        }
        default:
            break;
    }
}

}  // namespace tui
