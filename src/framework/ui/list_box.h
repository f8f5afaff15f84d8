// CListBox: lines of text in the order they were added, with at most one selected line
// and a top line that says which part of the list is in view.
#pragma once

#include <string>
#include <vector>

#include "framework/ui/control.h"

namespace fw {

enum : int { LB_ERR = -1 };

class CListBox : public CControl {
public:
    CListBox(CDialog& parent, const ControlTemplate& line);

    // Adds at the end; returns the new line's index.
    int AddString(std::string_view text);
    // index -1 adds at the end; an index past the end gives LB_ERR.
    int InsertString(int index, std::string_view text);
    // Returns the number of lines left, or LB_ERR.
    int DeleteString(int index);
    void ResetContent();

    int GetCount() const { return static_cast<int>(lines_.size()); }
    std::string GetText(int index) const;  // empty for an index out of range
    const std::vector<std::string>& Lines() const { return lines_; }

    // -1 clears the selection; an index out of range clears it too and gives LB_ERR.
    // Selecting a line scrolls it into view.
    int SetCurSel(int index);
    int GetCurSel() const { return selected_; }
    // Selects the newest line (and so keeps it in view); LB_ERR on an empty list.
    int SelectLast() { return lines_.empty() ? LB_ERR : SetCurSel(GetCount() - 1); }

    int GetTopIndex() const { return top_; }
    // Lines in view: worked out from the height (8 dialog units a line), unless a
    // front-end that draws the list says otherwise.
    int VisibleRows() const;
    void SetVisibleRows(int rows);

    // A person's click on a line: selects it.
    bool ClickItem(int index);

private:
    void ScrollIntoView(int index);

    std::vector<std::string> lines_;
    int selected_ = -1;
    int top_ = 0;
    int rows_override_ = 0;
};

}  // namespace fw
