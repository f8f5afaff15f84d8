// How each kind of control looks, shared by the template dialogs and the dialogs the
// terminal draws itself (message boxes, the open-file dialog, the system menu), so that
// every window of the program reads the same way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frontends/tui/grid.h"

namespace tui {

enum class Look { Normal, Focused, Disabled, Default };

// A window: title bar with the system menu box "[-]" and the caption, a frame, the face.
// `active` is false while a modal window sits on top of it. Returns the client area.
CellRect DrawWindow(Grid& grid, const CellRect& outer, std::string_view caption, bool active,
                    bool shadow);
// Where the system menu box of a window drawn at `outer` is (for mouse clicks).
CellRect SystemMenuBox(const CellRect& outer);

// "[ Caption ]" filling one row of the rectangle; narrow buttons show the caption alone.
void DrawButton(Grid& grid, const CellRect& rect, std::string_view caption, Look look);
// "[x] Caption" and "(*) Caption".
// `room` is how many cells the whole control may use (its width, or more where the cells to
// its right are free).
void DrawCheckBox(Grid& grid, const CellRect& rect, std::string_view caption, bool checked,
                  Look look, int room = -1);
void DrawRadioButton(Grid& grid, const CellRect& rect, std::string_view caption, bool selected,
                     Look look, int room = -1);
// "[text    ]": the brackets at the rectangle's edges, `visible` inside. Returns the column
// of the first text cell.
int DrawEditBox(Grid& grid, const CellRect& rect, std::string_view visible, Look look);
inline int EditBoxTextWidth(const CellRect& rect) {
    return rect.width > 2 ? rect.width - 2 : 1;
}
// A frame with the caption in its top line.
void DrawGroupBox(Grid& grid, const CellRect& rect, std::string_view caption, Look look);
// Lines of a list, the newest kept in view by `first`, `selected` highlighted (-1: none), a
// scroll mark in the last column when not everything fits.
void DrawList(Grid& grid, const CellRect& rect, const std::vector<std::string>& lines, int first,
              int selected, Look look);
// A bar filled in proportion of pos within [lower, upper].
void DrawProgress(Grid& grid, const CellRect& rect, int lower, int upper, int pos);

// A caption cut to `room` cells the way a reader forgives: at the last blank that fits,
// or without its closing colon, and only failing those in the middle of a word. "&"
// markers are kept and not counted.
std::string FitLabel(std::string_view caption, int room);

// Text broken into the lines a rectangle of this width shows: at "\n", then at blanks.
std::vector<std::string> WrapText(std::string_view text, int width);

// The role of a focusable control's face for a look.
Role FieldRole(Look look);

}  // namespace tui
