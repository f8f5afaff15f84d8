#include "framework/ui/list_box.h"

#include <algorithm>

namespace fw {

namespace {
constexpr int kUnitsPerLine = 8;  // the dialog font's line height in dialog units
constexpr int kBorderUnits = 2;
}  // namespace

CListBox::CListBox(CDialog& parent, const ControlTemplate& line) : CControl(parent, line) {}

int CListBox::AddString(std::string_view text) {
    return InsertString(-1, text);
}

int CListBox::InsertString(int index, std::string_view text) {
    if (index == -1) index = GetCount();
    if (index < 0 || index > GetCount()) return LB_ERR;
    lines_.insert(lines_.begin() + index, std::string(text));
    if (selected_ >= index) ++selected_;  // the selected line moves down with the insertion
    NotifyChange(Change::Items);
    return index;
}

int CListBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) return LB_ERR;
    lines_.erase(lines_.begin() + index);
    if (selected_ == index) {
        selected_ = -1;
    } else if (selected_ > index) {
        --selected_;
    }
    top_ = std::clamp(top_, 0, std::max(0, GetCount() - 1));
    NotifyChange(Change::Items);
    return GetCount();
}

void CListBox::ResetContent() {
    if (lines_.empty() && selected_ == -1 && top_ == 0) return;
    lines_.clear();
    selected_ = -1;
    top_ = 0;
    NotifyChange(Change::Items);
}

std::string CListBox::GetText(int index) const {
    if (index < 0 || index >= GetCount()) return {};
    return lines_[index];
}

int CListBox::SetCurSel(int index) {
    if (index == -1) {
        if (selected_ != -1) {
            selected_ = -1;
            NotifyChange(Change::Selection);
        }
        return LB_ERR;  // as the platform answered a cleared selection
    }
    if (index < 0 || index >= GetCount()) return LB_ERR;
    if (selected_ != index) {
        selected_ = index;
        NotifyChange(Change::Selection);
    }
    ScrollIntoView(index);
    return index;
}

int CListBox::VisibleRows() const {
    if (rows_override_ > 0) return rows_override_;
    return std::max(1, (rect_.h - kBorderUnits) / kUnitsPerLine);
}

void CListBox::SetVisibleRows(int rows) {
    rows_override_ = std::max(0, rows);
    if (selected_ >= 0) ScrollIntoView(selected_);
}

void CListBox::ScrollIntoView(int index) {
    int rows = VisibleRows();
    int top = top_;
    if (index < top) top = index;
    if (index >= top + rows) top = index - rows + 1;
    if (top != top_) {
        top_ = top;
        NotifyChange(Change::Selection);
    }
}

bool CListBox::ClickItem(int index) {
    if (!AcceptsInput() || index < 0 || index >= GetCount()) return false;
    SetFocus();
    SetCurSel(index);
    return true;
}

}  // namespace fw
