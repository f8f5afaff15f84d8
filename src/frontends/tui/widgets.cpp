#include "frontends/tui/widgets.h"

#include <algorithm>

namespace tui {
namespace {

int CellsOf(std::string_view utf8) {
    return static_cast<int>(DecodeUtf8(utf8).size());
}

Role TextRole(Look look, Role normal) {
    switch (look) {
        case Look::Disabled:
            return Role::Disabled;
        case Look::Focused:
            return Role::Focus;
        default:
            return normal;
    }
}

}  // namespace

Role FieldRole(Look look) {
    switch (look) {
        case Look::Focused:
            return Role::FieldFocus;
        case Look::Disabled:
            return Role::Disabled;
        default:
            return Role::Field;
    }
}

CellRect DrawWindow(Grid& grid, const CellRect& o, std::string_view caption, bool active,
                    bool shadow) {
    if (shadow) {
        grid.Recolour({o.right(), o.top + 1, 2, o.height}, Role::Shadow);
        grid.Recolour({o.left + 2, o.bottom(), o.width, 1}, Role::Shadow);
    }
    grid.Fill(o, U' ', Role::Window);
    grid.Box(o, Role::Frame);
    Role bar = active ? Role::Caption : Role::CaptionIdle;
    CellRect title{o.left + 1, o.top, o.width - 2, 1};
    grid.Fill(title, U' ', bar);
    grid.Text(o.top, o.left + 1, "[-]", bar);
    grid.Text(o.top, o.left + 5, caption, bar, std::max(0, o.width - 7));
    return {o.left + 1, o.top + 1, o.width - 2, o.height - 2};
}

CellRect SystemMenuBox(const CellRect& o) {
    return {o.left + 1, o.top, 3, 1};
}

void DrawButton(Grid& grid, const CellRect& r, std::string_view caption, Look look) {
    Role role = look == Look::Focused    ? Role::ButtonFocus
                : look == Look::Default  ? Role::ButtonDefault
                : look == Look::Disabled ? Role::Disabled
                                         : Role::Button;
    CellRect row{r.left, r.top + (r.height - 1) / 2, r.width, 1};
    grid.Fill(row, U' ', role);
    int text = CellsOf(StripAccelerator(caption));
    if (r.width >= text + 2) {
        grid.Put(row.top, row.left, U'[', role);
        grid.Put(row.top, row.right() - 1, U']', role);
        grid.Label(row.top, row.left + (r.width - text) / 2, caption, role, r.width - 2);
    } else {
        grid.Label(row.top, row.left, caption, role, r.width);
    }
}

static void DrawMarked(Grid& grid, const CellRect& r, std::string_view mark,
                       std::string_view caption, Look look, int room) {
    int row = r.top + (r.height - 1) / 2;
    if (room < 0) room = r.width;
    Role role = TextRole(look, Role::Text);
    grid.Text(row, r.left, mark, look == Look::Disabled ? Role::Disabled : role, room);
    if (room > 4) grid.Label(row, r.left + 4, FitLabel(caption, room - 4), role, room - 4);
}

void DrawCheckBox(Grid& grid, const CellRect& r, std::string_view caption, bool checked, Look look,
                  int room) {
    DrawMarked(grid, r, checked ? "[x]" : "[ ]", caption, look, room);
}

void DrawRadioButton(Grid& grid, const CellRect& r, std::string_view caption, bool selected,
                     Look look, int room) {
    DrawMarked(grid, r, selected ? "(*)" : "( )", caption, look, room);
}

std::string FitLabel(std::string_view caption, int room) {
    std::u32string text = DecodeUtf8(caption);
    // Displayed length, and the caption index after each displayed character.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'&' && i + 1 < text.size()) ++i;
        ends.push_back(i + 1);
    }
    int shown = static_cast<int>(ends.size());
    if (shown <= room || room <= 0) return room <= 0 ? std::string() : std::string(caption);
    auto cut = [&](int cells) {
        return EncodeUtf8(text.substr(0, ends[static_cast<std::size_t>(cells) - 1]));
    };
    std::u32string plain = DecodeUtf8(StripAccelerator(caption));
    if (shown - 1 == room && plain.back() == U':') return cut(room);
    for (int cells = room; cells > room / 2; --cells)
        if (plain[static_cast<std::size_t>(cells)] == U' ') {
            int keep = cells;
            while (keep > 0 && plain[static_cast<std::size_t>(keep) - 1] == U' ') --keep;
            if (keep > 0) return cut(keep);
        }
    return cut(room);
}

int DrawEditBox(Grid& grid, const CellRect& r, std::string_view visible, Look look) {
    Role role = FieldRole(look);
    CellRect row{r.left, r.top + (r.height - 1) / 2, r.width, 1};
    grid.Fill(row, U' ', role);
    if (r.width <= 2) {
        grid.Text(row.top, row.left, visible, role, r.width);
        return row.left;
    }
    grid.Put(row.top, row.left, U'[', role);
    grid.Put(row.top, row.right() - 1, U']', role);
    grid.Text(row.top, row.left + 1, visible, role, r.width - 2);
    return row.left + 1;
}

void DrawGroupBox(Grid& grid, const CellRect& r, std::string_view caption, Look look) {
    Role line = look == Look::Disabled ? Role::Disabled : Role::Frame;
    if (r.height >= 2) {
        grid.Box(r, line);
    } else {
        for (int c = r.left; c < r.right(); ++c) grid.Put(r.top, c, glyph::kHLine, line);
    }
    if (!caption.empty() && r.width > 4)
        grid.Label(r.top, r.left + 1, caption, look == Look::Disabled ? Role::Disabled : Role::Text,
                   r.width - 2);
}

void DrawList(Grid& grid, const CellRect& r, const std::vector<std::string>& lines, int first,
              int selected, Look look) {
    Role face = look == Look::Disabled ? Role::Disabled : Role::Field;
    grid.Fill(r, U' ', face);
    int count = static_cast<int>(lines.size());
    bool scrolls = count > r.height;
    int width = scrolls && r.width > 1 ? r.width - 1 : r.width;
    for (int i = 0; i < r.height && first + i < count; ++i) {
        int index = first + i;
        bool chosen = index == selected;
        Role role = chosen ? (look == Look::Focused ? Role::Focus : Role::Selection) : face;
        if (chosen) grid.Fill({r.left, r.top + i, width, 1}, U' ', role);
        // Engine lines end with a line feed; the list shows the text before it.
        std::string_view text = lines[static_cast<std::size_t>(index)];
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
        grid.Text(r.top + i, r.left, text, role, width);
    }
    if (scrolls) {
        int col = r.right() - 1;
        for (int i = 0; i < r.height; ++i) grid.Put(r.top + i, col, glyph::kShade, face);
        if (first > 0) grid.Put(r.top, col, glyph::kArrowUp, face);
        if (first + r.height < count) grid.Put(r.bottom() - 1, col, glyph::kArrowDown, face);
    }
}

void DrawProgress(Grid& grid, const CellRect& r, int lower, int upper, int pos) {
    int span = upper - lower;
    int done = 0;
    if (span > 0) {
        long long p = std::clamp(pos, lower, upper) - lower;
        done = static_cast<int>(p * r.width / span);
    }
    for (int row = r.top; row < r.bottom(); ++row)
        for (int c = 0; c < r.width; ++c)
            grid.Put(row, r.left + c, c < done ? glyph::kBlock : glyph::kShade,
                     c < done ? Role::ProgressDone : Role::ProgressLeft);
}

std::vector<std::string> WrapText(std::string_view text, int width) {
    std::vector<std::string> out;
    if (width < 1) width = 1;
    std::size_t start = 0;
    for (;;) {
        std::size_t nl = text.find('\n', start);
        std::u32string para = DecodeUtf8(
            text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start));
        if (!para.empty() && para.back() == U'\r') para.pop_back();
        do {
            std::size_t w = static_cast<std::size_t>(width);
            if (para.size() <= w) {
                out.push_back(EncodeUtf8(para));
                break;
            }
            std::size_t cut = para.rfind(U' ', w);
            if (cut == std::u32string::npos || cut == 0) cut = w;
            out.push_back(EncodeUtf8(para.substr(0, cut)));
            para.erase(0, cut);
            while (!para.empty() && para.front() == U' ') para.erase(0, 1);
        } while (!para.empty());
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return out;
}

}  // namespace tui
