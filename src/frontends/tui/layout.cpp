#include "frontends/tui/layout.h"

#include <algorithm>

namespace tui {

CellRect UnitsToCells(int x, int y, int width, int height) {
    int left = UnitsToColumns(x), right = UnitsToColumns(x + width);
    int top = UnitsToRows(y), bottom = UnitsToRows(y + height);
    return {left, top, std::max(1, right - left), std::max(1, bottom - top)};
}

int DialogColumns(int width_units) {
    return UnitsToColumns(width_units) + 2;
}
int DialogRows(int height_units) {
    return UnitsToRows(height_units) + 2;
}

CellRect CentreIn(const CellRect& area, int width, int height) {
    int left = area.left + std::max(0, (area.width - width) / 2);
    int top = area.top + std::max(0, (area.height - height) / 2);
    return {left, top, width, height};
}

}  // namespace tui
