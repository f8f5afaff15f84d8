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

int ViewOffset(int view, int total, Span area, Span focus, bool centre) {
    if (focus.length <= 0) focus = area;
    int offset = centre ? focus.start + focus.length / 2 - view / 2 : 0;
    if (area.length > 0) {
        offset = area.length <= view ? std::clamp(offset, area.end() - view, area.start)
                                     : std::clamp(offset, area.start, area.end() - view);
    }
    if (focus.length > 0) {
        offset = focus.length <= view ? std::clamp(offset, focus.end() - view, focus.start)
                                      : focus.start;
    }
    return std::clamp(offset, 0, std::max(0, total - view));
}

}  // namespace tui
