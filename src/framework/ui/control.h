// CControl: a control of a dialog, built from its template line. The concrete kinds
// (CStatic, CButton, CEdit, CListBox, CProgressCtrl, CIPAddressCtrl, CTabCtrl) add their
// own state; front-ends go through Kind() and the template to know how to draw one.
#pragma once

#include <memory>

#include "framework/ui/wnd.h"

namespace fw {

class CControl : public CWnd {
public:
    ControlKind Kind() const { return template_.kind; }
    const ControlTemplate& Template() const { return template_; }

    // The kinds a person clicks: buttons of every sort except group boxes.
    bool IsButtonKind() const;

protected:
    CControl(CDialog& parent, const ControlTemplate& line);
    CDialog& Dialog() const;

private:
    ControlTemplate template_;
};

// The control class that matches the template line's kind.
std::unique_ptr<CControl> CreateControl(CDialog& parent, const ControlTemplate& line);

}  // namespace fw
