// The screen the drawing code writes to: a grid of cells, each a character, a role and an
// underline flag. The program copies it to the terminal (terminal.h); snapshot tests read
// it back as text, so one drawing path serves both.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frontends/tui/roles.h"

namespace tui {

struct Cell {
    char32_t ch = U' ';
    Role role = Role::Desktop;
    bool underline = false;
    bool operator==(const Cell&) const = default;
};

struct CellRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }   // one past the last column
    int bottom() const { return top + height; }  // one past the last row
    bool Contains(int row, int col) const {
        return row >= top && row < bottom() && col >= left && col < right();
    }
    bool operator==(const CellRect&) const = default;
};

// Box-drawing characters, named so the terminal can map them to its line-drawing set.
namespace glyph {
inline constexpr char32_t kHLine = U'\u2500';
inline constexpr char32_t kVLine = U'\u2502';
inline constexpr char32_t kTopLeft = U'\u250C';
inline constexpr char32_t kTopRight = U'\u2510';
inline constexpr char32_t kBottomLeft = U'\u2514';
inline constexpr char32_t kBottomRight = U'\u2518';
inline constexpr char32_t kTeeLeft = U'\u251C';   // ├
inline constexpr char32_t kTeeRight = U'\u2524';  // ┤
inline constexpr char32_t kShade = U'\u2592';     // ▒
inline constexpr char32_t kBlock = U'\u2588';     // █
inline constexpr char32_t kArrowUp = U'\u2191';
inline constexpr char32_t kArrowDown = U'\u2193';
}  // namespace glyph

class Grid {
public:
    Grid() = default;
    Grid(int width, int height) { Resize(width, height); }

    void Resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Writes outside the grid, or outside the clip rectangle, are dropped.
    void SetClip(const CellRect& clip) { clip_ = clip; }
    void ResetClip() { clip_ = {0, 0, width_, height_}; }

    void Put(int row, int col, char32_t ch, Role role, bool underline = false);
    void Fill(const CellRect& rect, char32_t ch, Role role);
    // UTF-8 text, one cell per code point, at most max_cells (-1: no limit). Returns the
    // number of cells written.
    int Text(int row, int col, std::string_view utf8, Role role, int max_cells = -1);
    // A caption with "&" accelerators: the letter after "&" is underlined, "&&" is a
    // literal "&". Returns the number of cells written.
    int Label(int row, int col, std::string_view caption, Role role, int max_cells = -1);
    void Box(const CellRect& rect, Role role);
    // Recolours a rectangle without changing its characters (shadows, dimming).
    void Recolour(const CellRect& rect, Role role);

    const Cell& At(int row, int col) const;
    // Cursor position the terminal should show, or row -1 for none.
    void SetCursor(int row, int col) { cursor_row_ = row, cursor_col_ = col; }
    int cursor_row() const { return cursor_row_; }
    int cursor_col() const { return cursor_col_; }

    // The characters of one row or of the whole grid, UTF-8, trailing blanks removed.
    std::string RowText(int row) const;
    std::string ToText() const;

private:
    bool Visible(int row, int col) const;

    int width_ = 0;
    int height_ = 0;
    std::vector<Cell> cells_;
    CellRect clip_;
    int cursor_row_ = -1;
    int cursor_col_ = -1;
};

// UTF-8 helpers for the few places that need code points (labels, file names).
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t ch);

// The caption without "&" marks, and the accelerator letter (lower case, 0 for none).
std::string StripAccelerator(std::string_view caption);
char AcceleratorOf(std::string_view caption);

}  // namespace tui
