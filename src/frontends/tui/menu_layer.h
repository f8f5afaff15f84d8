// The system menu, dropped down from the "[-]" box of a window's title bar: its items with
// their accelerators, separators as lines, greyed items skipped.
#pragma once

#include <string>
#include <vector>

#include "framework/ui/menu.h"
#include "frontends/tui/layer.h"

namespace tui {

class MenuLayer : public Layer {
public:
    // `anchor` is the window the menu belongs to: the menu opens under its menu box.
    MenuLayer(std::vector<fw::MenuItem> items, CellRect anchor);

    void Draw(Grid& grid, const CellRect& owner, bool active) override;
    void HandleKey(const Key& key) override;
    bool Done() const override { return done_; }
    int Width() const override { return width_; }
    int Height() const override { return static_cast<int>(items_.size()) + 2; }
    CellRect Drawn() const override { return Frame(); }
    CellRect FocusArea() const override;

    // The chosen item's id, 0 when the menu was closed without a choice.
    unsigned chosen() const { return chosen_; }

private:
    void Move(int step);
    void Choose(int index);
    CellRect Frame() const;

    std::vector<fw::MenuItem> items_;
    CellRect anchor_;
    int current_ = -1;
    int width_ = 0;
    bool done_ = false;
    unsigned chosen_ = 0;
};

}  // namespace tui
