// CWnd: what every window of the model has, dialogs and controls alike: an id, a text, a
// rectangle in dialog units, styles, and the visible and enabled states. No drawing: the
// front-ends read this state and draw it their own way.
#pragma once

#include <string>
#include <string_view>

#include "framework/ui/templates.h"
#include "framework/ui/ui_events.h"

namespace fw {

class CDialog;

enum : int { SW_HIDE = 0, SW_SHOW = 5 };

class CWnd {
public:
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    int GetDlgCtrlID() const { return id_; }
    CWnd* GetParent() const { return parent_; }
    virtual bool IsDialog() const { return false; }
    // Controls always are; a dialog is a child when its template says so (a page).
    virtual bool IsChildWindow() const { return true; }

    // The live styles: the template's, with STYLE_HIDDEN and STYLE_DISABLED kept in step
    // with ShowWindow and EnableWindow.
    unsigned GetStyle() const;
    bool HasStyle(unsigned style) const { return (GetStyle() & style) == style; }

    // Relative to the parent's client area, in dialog units.
    Rect GetRect() const { return rect_; }
    // Relative to the client area of the top-level dialog: child dialogs add their offset.
    Rect ScreenRect() const;

    virtual void SetWindowText(std::string_view text);
    virtual std::string GetWindowText() const { return text_; }
    // C-style: copies at most max_count - 1 characters and a terminating zero; returns
    // the number of characters copied.
    int GetWindowText(char* buffer, int max_count) const;
    int GetWindowTextLength() const { return static_cast<int>(GetWindowText().size()); }

    // SW_SHOW or SW_HIDE; returns whether the window was visible before.
    bool ShowWindow(int cmd);
    bool IsVisible() const { return visible_; }  // its own flag only
    bool IsWindowVisible() const;                // and every parent's
    // Returns whether the window was disabled before.
    bool EnableWindow(bool enable = true);
    bool IsWindowEnabled() const { return enabled_; }

    // Whether a person could reach it now: visible and enabled with all its parents, its
    // dialog alive, and no other modal dialog in front of it.
    bool AcceptsInput() const;

    // What a person's click does. Nothing (false) on a window that does not accept input
    // or that a click does not act on.
    virtual bool Click() { return false; }

    // Moves the keyboard focus of the top-level dialog here; false if it cannot take it.
    bool SetFocus();
    bool HasFocus() const;

    // The dialog a control belongs to (for a dialog: its parent dialog, if any).
    CDialog* ParentDialog() const;
    // The top-level dialog: the first one up the chain that is not a child.
    CDialog* TopLevelDialog();
    const CDialog* TopLevelDialog() const;

protected:
    CWnd() = default;
    CWnd(CWnd* parent, int id, std::string text, Rect rect, unsigned style);

    void NotifyChange(Change what);
    // Sets the stored text, with a change event when it differs.
    void StoreText(std::string_view text);

    int id_ = 0;
    CWnd* parent_ = nullptr;
    std::string text_;
    Rect rect_;
    unsigned style_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
};

}  // namespace fw
