// The pictures of the resources as small text art: the application icon, the idle and busy
// activity icons, the upgrade status picture and the main window's logo.
#pragma once

#include <string>
#include <vector>

#include "frontends/tui/grid.h"

namespace tui {

// Resource numbers as the templates use them.
inline constexpr int kIconApplication = 128;
inline constexpr int kIconIdle = 134;
inline constexpr int kIconBusy = 135;
inline constexpr int kBitmapStatus = 141;
inline constexpr int kBitmapLogo = 143;

// The lines of a picture; empty for a resource that has none.
const std::vector<std::string>& ArtFor(int resource);

// Draws the picture centred in the rectangle, clipped to it.
void DrawArt(Grid& grid, const CellRect& rect, int resource);

}  // namespace tui
