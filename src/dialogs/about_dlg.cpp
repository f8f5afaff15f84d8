#include "dialogs/about_dlg.h"

#include "resources/resource.h"

CAboutDlg::CAboutDlg() : fw::CDialog(IDD_ABOUTBOX) {}
