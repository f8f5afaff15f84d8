#include "frontends/tui/text_art.h"

#include <algorithm>
#include <map>

namespace tui {

const std::vector<std::string>& ArtFor(int resource) {
    static const std::map<int, std::vector<std::string>> kArt = {
        {kIconApplication, {" (o>", "//\\\\", " ^^ "}},
        {kIconIdle, {" .-. ", " '-' "}},
        {kIconBusy, {" \\|/ ", " /|\\ "}},
        {kBitmapStatus,
         {".------.                                                       .-------.",
          "| HOST |  ==== image ====>  flash  ====>  verify  ====>  boot  | MODEM |",
          "'------'                                                       '-------'"}},
        {kBitmapLogo,
         {"  (o>  S P E R R O W", " //\\\\  ~~~~~~~~~~~~~~~~", " _^^_  ADSL maintenance"}},
    };
    static const std::vector<std::string> kNone;
    auto it = kArt.find(resource);
    return it == kArt.end() ? kNone : it->second;
}

void DrawArt(Grid& grid, const CellRect& rect, int resource) {
    const std::vector<std::string>& art = ArtFor(resource);
    int height = static_cast<int>(art.size()), width = 0;
    for (const std::string& line : art) width = std::max(width, static_cast<int>(line.size()));
    int top = rect.top + std::max(0, (rect.height - height) / 2);
    int left = rect.left + std::max(0, (rect.width - width) / 2);
    for (int i = 0; i < height && top + i < rect.bottom(); ++i)
        grid.Text(top + i, left, art[static_cast<std::size_t>(i)], Role::Art,
                  std::max(0, rect.right() - left));
}

}  // namespace tui
