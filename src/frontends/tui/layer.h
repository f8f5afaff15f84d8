// A window on the terminal's stack: the main window, a modal template dialog, or one the
// terminal draws itself (message box, open-file dialog, system menu). The top layer gets
// the keys; the ones below are drawn inactive.
#pragma once

#include "frontends/tui/grid.h"
#include "frontends/tui/keys.h"

namespace tui {

class Layer {
public:
    virtual ~Layer() = default;
    // Draws the layer centred over `owner` (the main window's rectangle) on the grid.
    virtual void Draw(Grid& grid, const CellRect& owner, bool active) = 0;
    // Keys and clicks while this layer is on top.
    virtual void HandleKey(const Key& key) = 0;
    // True once the layer has its answer and may be taken off the stack.
    virtual bool Done() const = 0;
    // Cells the layer needs, frame included.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Where the layer was last drawn, frame included (empty before it was drawn), and the
    // part of it that has the focus (empty: no part in particular). A terminal smaller than
    // the picture shows the focus and as much of the layer as fits.
    virtual CellRect Drawn() const { return {}; }
    virtual CellRect FocusArea() const { return {}; }
};

}  // namespace tui
