// The program's message boxes: an icon, the text as given (line feeds kept), and the buttons
// the flags ask for, centred over the main window.
#pragma once

#include <string>
#include <vector>

#include "frontends/tui/layer.h"

namespace tui {

class MessageBoxLayer : public Layer {
public:
    MessageBoxLayer(std::string text, std::string caption, unsigned flags, int max_width = 72);

    void Draw(Grid& grid, const CellRect& owner, bool active) override;
    void HandleKey(const Key& key) override;
    bool Done() const override { return answer_ != 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    CellRect Drawn() const override { return outer_; }
    CellRect FocusArea() const override { return buttons_[static_cast<std::size_t>(focus_)].rect; }

    // IDOK, IDCANCEL, IDRETRY, IDYES or IDNO; 0 while open.
    int answer() const { return answer_; }

private:
    struct Button {
        std::string caption;
        int answer;
        CellRect rect;
    };
    void Press(int index) { answer_ = buttons_[static_cast<std::size_t>(index)].answer; }

    std::string caption_;
    std::vector<std::string> lines_;
    std::vector<Button> buttons_;
    int icon_ = 0;  // 0, or the stop, question or information flag
    int cancel_answer_;
    int focus_ = 0;
    int answer_ = 0;
    int width_ = 0;
    int height_ = 0;
    CellRect outer_;
};

}  // namespace tui
