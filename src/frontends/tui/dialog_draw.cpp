// DialogLayer's drawing half: where each visible control of the dialog and its pages goes
// on the grid, and how each kind looks there.
#include <algorithm>
#include <functional>

#include "framework/ui/button.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/list_box.h"
#include "framework/ui/progress_ctrl.h"
#include "framework/ui/static_ctrl.h"
#include "framework/ui/tab_ctrl.h"
#include "frontends/tui/dialog_layer.h"
#include "frontends/tui/dialog_parts.h"
#include "frontends/tui/layout.h"
#include "frontends/tui/text_art.h"
#include "frontends/tui/widgets.h"

namespace tui {

using namespace dialog_parts;

std::vector<DialogLayer::Place> DialogLayer::Layout() const {
    std::vector<Place> out;
    std::function<void(const fw::CDialog&)> add = [&](const fw::CDialog& d) {
        std::size_t first = out.size();
        for (fw::CControl* c : d.Controls()) {
            if (!c->IsWindowVisible()) continue;
            fw::Rect r = c->ScreenRect();
            CellRect cells = UnitsToCells(r.x, r.y, r.w, r.h);
            cells.left += client_.left;
            cells.top += client_.top;
            out.push_back({c, cells});
        }
        AlignLines(out, first);
        // Pages lie over their parent's controls, as child windows did.
        for (const fw::CDialog* child : d.ChildDialogs())
            if (child->IsWindowVisible()) add(*child);
    };
    add(dialog_);
    return out;
}

void DialogLayer::AlignLines(std::vector<Place>& places, std::size_t first) const {
    // One-line controls (labels, boxes, buttons) whose text lines lie within half a row of
    // each other in the template share a row on screen: the templates put a label a few
    // units below its box, which rounding alone would sometimes split onto two rows.
    struct Line {
        int centre;  // dialog units, doubled to stay whole
        bool label;
        std::size_t index;
    };
    std::vector<Line> lines;
    for (std::size_t i = first; i < places.size(); ++i) {
        const fw::CControl* c = places[i].control;
        fw::Rect r = c->ScreenRect();
        if (!IsOneLine(c, r)) continue;
        bool label = c->Kind() == ControlKind::Static;
        // A label's text stands at the top of its rectangle, a box's in its middle.
        int height = label ? std::min(r.h, kUnitsPerRow) : r.h;
        lines.push_back({2 * r.y + height, label, i});
    }
    std::sort(lines.begin(), lines.end(),
              [](const Line& a, const Line& b) { return a.centre < b.centre; });
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = start + 1;
        while (end < lines.size() && lines[end].centre - lines[end - 1].centre <= kUnitsPerRow)
            ++end;
        // The boxes decide the row; labels follow them.
        int centre = lines[start].centre;
        for (std::size_t k = start; k < end; ++k)
            if (!lines[k].label) {
                centre = lines[k].centre;
                break;
            }
        int row = client_.top + centre / (2 * kUnitsPerRow);
        for (std::size_t k = start; k < end; ++k) {
            places[lines[k].index].rect.top = row;
            places[lines[k].index].rect.height = 1;
        }
        start = end;
    }
}

void DialogLayer::Draw(Grid& grid, const CellRect& owner, bool active) {
    int w = Width(), h = Height();
    outer_ = main_ ? CellRect{owner.left, owner.top, w, h} : CentreIn(owner, w, h);
    if (dialog_.IsIconic()) {
        // Minimized: the icon in a small window at the foot of the area, as on a desktop.
        outer_ = {owner.left, owner.bottom() - 5, 16, 5};
        CellRect in = DrawWindow(grid, outer_, dialog_.GetWindowText(), active, false);
        DrawArt(grid, in, kIconApplication);
        return;
    }
    client_ = DrawWindow(grid, outer_, dialog_.GetWindowText(), active, !main_);
    places_ = Layout();
    if (active) {
        EnsureFocus();
        FocusChanged(dialog_.GetFocusedControl());
    }
    grid.SetClip(client_);
    for (const Place& p : places_) DrawControl(grid, p, active);
    grid.ResetClip();
}

int DialogLayer::StaticRoom(const Place& place) const {
    // A label may run on into cells that no other control claims: the dialog font was
    // narrower than a cell, so captions often outgrow their rectangles by a letter or two.
    int row = place.rect.top;
    int room = place.rect.width;
    for (int col = place.rect.right(); col < client_.right(); ++col) {
        for (const Place& other : places_) {
            if (other.control == place.control) continue;
            const CellRect& r = other.rect;
            bool taken = IsContainer(other.control)
                             ? r.Contains(row, col) && (col == r.left || col == r.right() - 1 ||
                                                        row == r.top || row == r.bottom() - 1)
                             : r.Contains(row, col);
            if (taken) return room;
        }
        ++room;
    }
    return room;
}

void DialogLayer::DrawStatic(Grid& grid, const Place& p, Role role) {
    const fw::ControlTemplate& t = p.control->Template();
    std::string text = p.control->GetWindowText();
    bool sunken = (t.style & fw::STYLE_SUNKEN) != 0;
    if (sunken) grid.Fill(p.rect, U' ', role == Role::Disabled ? Role::Disabled : Role::Field);
    Role text_role = sunken && role != Role::Disabled ? Role::Field : role;
    int width = p.rect.height == 1 && !sunken ? StaticRoom(p) : p.rect.width;
    // A one-row label is cut, not wrapped: its second line would have nowhere to go.
    std::vector<std::string> lines = p.rect.height == 1
                                         ? std::vector<std::string>{FitLabel(text, width)}
                                         : WrapText(text, width);
    for (int i = 0; i < p.rect.height && i < static_cast<int>(lines.size()); ++i) {
        const std::string& line = lines[static_cast<std::size_t>(i)];
        int len = Cells(StripAccelerator(line)), col = p.rect.left;
        if (t.style & fw::STYLE_CENTER)
            col += std::max(0, (p.rect.width - len) / 2);
        else if (t.style & fw::STYLE_RIGHT)
            col += std::max(0, p.rect.width - len);
        grid.Label(p.rect.top + i, col, line, text_role, width);
    }
}

void DialogLayer::DrawEdit(Grid& grid, const Place& p, bool active) {
    auto* edit = static_cast<fw::CEdit*>(p.control);
    std::string text = edit->GetWindowText();
    auto width = static_cast<std::size_t>(EditBoxTextWidth(p.rect));
    std::size_t length = DecodeUtf8(text).size();
    bool focused = active && edit->HasFocus();
    // A box without the focus shows the end of its text: the file name of a long path.
    EditState tail = TailState(length, width);
    EditState& st = focused ? edits_[edit] : tail;
    if (focused) ScrollToCursor(st, length, width);
    Look look = !edit->AcceptsInput() && !edit->IsWindowEnabled() ? Look::Disabled
                : focused                                         ? Look::Focused
                                                                  : Look::Normal;
    char32_t mask = edit->IsPassword() ? static_cast<unsigned char>(edit->GetPasswordChar()) : 0;
    std::string shown = VisibleText(text, st, width, mask);
    // Right-aligned boxes (Retry, Timeout, Delay) keep short numbers at the right edge.
    if ((edit->Template().style & fw::STYLE_RIGHT) && length < width)
        shown = std::string(width - length, ' ') + shown;
    int text_col = DrawEditBox(grid, p.rect, shown, look);
    if (focused) {
        int offset = static_cast<int>(st.cursor - st.scroll);
        if ((edit->Template().style & fw::STYLE_RIGHT) && length < width)
            offset += static_cast<int>(width - length);
        grid.SetCursor(p.rect.top + (p.rect.height - 1) / 2,
                       std::min(text_col + offset, p.rect.right() - 1));
    }
}

void DialogLayer::DrawIp(Grid& grid, const Place& p, bool active) {
    auto* ip = static_cast<fw::CIPAddressCtrl*>(p.control);
    IpFields fields;
    for (int i = 0; i < 4; ++i) fields[static_cast<std::size_t>(i)] = ip->GetFieldText(i);
    bool focused = active && ip->HasFocus();
    Look look = !ip->IsWindowEnabled() ? Look::Disabled : focused ? Look::Focused : Look::Normal;
    int inner = EditBoxTextWidth(p.rect);
    int pad = std::max(0, (inner - kIpTextCells) / 2);
    int text_col =
        DrawEditBox(grid, p.rect,
                    std::string(static_cast<std::size_t>(pad), ' ') + IpDisplayText(fields), look);
    if (!focused) return;
    const IpEditState& st = ips_[ip];
    int row = p.rect.top + (p.rect.height - 1) / 2;
    int field_col = text_col + pad + st.field * 4;
    if (st.selected && !fields[static_cast<std::size_t>(st.field)].empty())
        grid.Recolour({field_col, row, 3, 1}, Role::Selection);
    grid.SetCursor(row, std::min(text_col + pad + IpCursorColumn(fields, st), p.rect.right() - 1));
}

void DialogLayer::DrawTab(Grid& grid, const Place& p) {
    auto* tab = static_cast<fw::CTabCtrl*>(p.control);
    bool focused = tab->HasFocus();
    int left = p.rect.left;
    int label_row = p.rect.height > 1 ? p.rect.top + 1 : p.rect.top;
    for (int i = 0; i < tab->GetItemCount(); ++i) {
        std::string text = tab->GetItemText(i);
        int width = Cells(StripAccelerator(text)) + 3;
        bool current = i == tab->GetCurSel();
        Role role = !tab->IsWindowEnabled() ? Role::Disabled
                    : current               ? (focused ? Role::Focus : Role::Selection)
                                            : Role::Text;
        if (p.rect.height > 1) {
            grid.Put(p.rect.top, left, i == 0 ? glyph::kTopLeft : glyph::kHLine, Role::Frame);
            for (int c = 1; c < width; ++c)
                grid.Put(p.rect.top, left + c, glyph::kHLine, Role::Frame);
            grid.Put(p.rect.top, left + width, glyph::kTopRight, Role::Frame);
        }
        grid.Put(label_row, left, glyph::kVLine, Role::Frame);
        grid.Fill({left + 1, label_row, width - 1, 1}, U' ', role);
        grid.Label(label_row, left + 2, text, role, width - 2);
        grid.Put(label_row, left + width, glyph::kVLine, Role::Frame);
        left += width;
    }
}

void DialogLayer::DrawControl(Grid& grid, const Place& p, bool active) {
    fw::CControl* c = p.control;
    bool enabled = c->IsWindowEnabled();
    bool focused = active && c->HasFocus();
    Look look = !enabled ? Look::Disabled : focused ? Look::Focused : Look::Normal;
    std::string caption = c->GetWindowText();
    switch (c->Kind()) {
        case ControlKind::Static:
            DrawStatic(grid, p, enabled ? Role::Text : Role::Disabled);
            break;
        case ControlKind::GroupBox:
            DrawGroupBox(grid, p.rect, caption, look == Look::Disabled ? look : Look::Normal);
            break;
        case ControlKind::Frame:
            grid.Box(p.rect, Role::Frame);
            break;
        case ControlKind::Edit:
            DrawEdit(grid, p, active);
            break;
        case ControlKind::IpAddress:
            DrawIp(grid, p, active);
            break;
        case ControlKind::CheckBox:
            DrawCheckBox(grid, p.rect, caption,
                         static_cast<fw::CButton*>(c)->GetCheck() == fw::BST_CHECKED, look,
                         StaticRoom(p));
            break;
        case ControlKind::RadioButton:
            DrawRadioButton(grid, p.rect, caption,
                            static_cast<fw::CButton*>(c)->GetCheck() == fw::BST_CHECKED, look,
                            StaticRoom(p));
            break;
        case ControlKind::PushButton: {
            // The default button looks it unless another push button has the focus.
            fw::CControl* focus = dialog_.GetFocusedControl();
            bool other_button = focus && focus != c && focus->Kind() == ControlKind::PushButton;
            if (look == Look::Normal && !other_button && dialog_.GetDefID() == c->GetDlgCtrlID())
                look = Look::Default;
            DrawButton(grid, p.rect, caption, look);
            break;
        }
        case ControlKind::ListBox: {
            auto* list = static_cast<fw::CListBox*>(c);
            if (list->VisibleRows() != p.rect.height) list->SetVisibleRows(p.rect.height);
            DrawList(grid, p.rect, list->Lines(), list->GetTopIndex(), list->GetCurSel(), look);
            break;
        }
        case ControlKind::Progress: {
            auto* bar = static_cast<fw::CProgressCtrl*>(c);
            DrawProgress(grid, p.rect, bar->GetLower(), bar->GetUpper(), bar->GetPos());
            break;
        }
        case ControlKind::Tab:
            DrawTab(grid, p);
            break;
        case ControlKind::Icon:
        case ControlKind::Picture: {
            auto* st = static_cast<fw::CStatic*>(c);
            DrawArt(grid, p.rect, st->GetIcon() ? st->GetIcon() : c->Template().image);
            break;
        }
    }
}

}  // namespace tui
