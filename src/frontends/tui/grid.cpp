#include "frontends/tui/grid.h"

#include <cctype>

namespace tui {

void Grid::Resize(int width, int height) {
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    cells_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), Cell{});
    ResetClip();
    cursor_row_ = cursor_col_ = -1;
}

bool Grid::Visible(int row, int col) const {
    return row >= 0 && row < height_ && col >= 0 && col < width_ && clip_.Contains(row, col);
}

void Grid::Put(int row, int col, char32_t ch, Role role, bool underline) {
    if (!Visible(row, col)) return;
    // Control characters would move the terminal's cursor behind curses' back.
    if (ch < 0x20 || ch == 0x7F) ch = U' ';
    cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(col)] = Cell{ch, role, underline};
}

void Grid::Fill(const CellRect& rect, char32_t ch, Role role) {
    for (int r = rect.top; r < rect.bottom(); ++r)
        for (int c = rect.left; c < rect.right(); ++c) Put(r, c, ch, role);
}

int Grid::Text(int row, int col, std::string_view utf8, Role role, int max_cells) {
    int n = 0;
    for (char32_t ch : DecodeUtf8(utf8)) {
        if (max_cells >= 0 && n >= max_cells) break;
        Put(row, col + n, ch, role);
        ++n;
    }
    return n;
}

int Grid::Label(int row, int col, std::string_view caption, Role role, int max_cells) {
    std::u32string text = DecodeUtf8(caption);
    int n = 0;
    bool marked = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (max_cells >= 0 && n >= max_cells) break;
        char32_t ch = text[i];
        if (ch == U'&' && !marked && i + 1 < text.size()) {
            if (text[i + 1] == U'&') {
                ++i;  // "&&" is a literal ampersand
            } else {
                marked = true;
                Put(row, col + n, text[i + 1], role, true);
                ++n;
                ++i;
                continue;
            }
        }
        Put(row, col + n, ch, role);
        ++n;
    }
    return n;
}

void Grid::Box(const CellRect& r, Role role) {
    if (r.width < 2 || r.height < 2) return;
    int last_row = r.bottom() - 1, last_col = r.right() - 1;
    for (int c = r.left + 1; c < last_col; ++c) {
        Put(r.top, c, glyph::kHLine, role);
        Put(last_row, c, glyph::kHLine, role);
    }
    for (int row = r.top + 1; row < last_row; ++row) {
        Put(row, r.left, glyph::kVLine, role);
        Put(row, last_col, glyph::kVLine, role);
    }
    Put(r.top, r.left, glyph::kTopLeft, role);
    Put(r.top, last_col, glyph::kTopRight, role);
    Put(last_row, r.left, glyph::kBottomLeft, role);
    Put(last_row, last_col, glyph::kBottomRight, role);
}

void Grid::Recolour(const CellRect& rect, Role role) {
    for (int r = rect.top; r < rect.bottom(); ++r)
        for (int c = rect.left; c < rect.right(); ++c)
            if (Visible(r, c))
                cells_[static_cast<std::size_t>(r) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(c)]
                    .role = role;
}

const Cell& Grid::At(int row, int col) const {
    static const Cell kOutside{};
    if (row < 0 || row >= height_ || col < 0 || col >= width_) return kOutside;
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) +
                  static_cast<std::size_t>(col)];
}

std::string Grid::RowText(int row) const {
    std::string out;
    for (int c = 0; c < width_; ++c) AppendUtf8(out, At(row, c).ch);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string Grid::ToText() const {
    std::string out;
    for (int r = 0; r < height_; ++r) {
        out += RowText(r);
        out += '\n';
    }
    return out;
}

std::u32string DecodeUtf8(std::string_view s) {
    std::u32string out;
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
            out += U'?';  // a stray byte: shown, never trusted
            ++i;
            continue;
        }
        char32_t ch = extra == 0 ? b : b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) ok = false;
            ch = (ch << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += U'?';
            ++i;
            continue;
        }
        out += ch;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t ch : text) AppendUtf8(out, ch);
    return out;
}

std::string StripAccelerator(std::string_view caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

char AcceleratorOf(std::string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

}  // namespace tui
