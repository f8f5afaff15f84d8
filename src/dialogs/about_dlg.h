// CAboutDlg: the About box of the system menu. It has no handlers of its own: "OK" ends it.
#pragma once

#include "framework/ui/dialog.h"

class CAboutDlg : public fw::CDialog {
public:
    CAboutDlg();
};
