// Dialog units to character cells. A cell is 4 horizontal and 8 vertical dialog units, the
// average character of the dialog font, and every position goes through the same rounding
// (half up), so that controls that touch in the template touch on screen.
#pragma once

#include "frontends/tui/grid.h"

namespace tui {

inline constexpr int kUnitsPerColumn = 4;
inline constexpr int kUnitsPerRow = 8;

constexpr int UnitsToColumns(int units) {
    return (units + kUnitsPerColumn / 2) / kUnitsPerColumn;
}
constexpr int UnitsToRows(int units) {
    return (units + kUnitsPerRow / 2) / kUnitsPerRow;
}

// A rectangle in dialog units (x, y, width, height) as cells relative to the dialog's
// client origin. Edges are rounded, not sizes, and nothing shrinks below one cell.
CellRect UnitsToCells(int x, int y, int width, int height);

// Cells needed for a dialog of this size in dialog units: the client area plus the frame.
int DialogColumns(int width_units);
int DialogRows(int height_units);

// Where a window of the given size sits centred in an area (never above or left of it).
CellRect CentreIn(const CellRect& area, int width, int height);

// A stretch of cells along one axis of the screen.
struct Span {
    int start = 0;
    int length = 0;
    int end() const { return start + length; }
};

// The first cell a view of `view` cells shows of a picture of `total` cells: the focus in
// view (its start, when it is longer than the view), then as much of the area as fits (the
// window the focus belongs to; all of it when it fits), never past either end of the
// picture. `centre` puts the focus in the middle of the view, as far as that allows;
// otherwise the view stays as near the picture's start as it can. An empty focus stands
// for the whole area.
int ViewOffset(int view, int total, Span area, Span focus, bool centre);

}  // namespace tui
