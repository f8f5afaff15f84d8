// The displays the engines report through: the log list, the progress bar and the server
// page's activity area, all reached through g_pMainDlg.
#include "app/main_dlg.h"
#include "app/main_window_host.h"
#include "framework/ui/button.h"
#include "framework/ui/list_box.h"
#include "framework/ui/progress_ctrl.h"
#include "pages/server_page.h"
#include "resources/resource.h"

bool MainWindowHost::IsLogEnabled() {
    // Asked for every datagram: the box is looked up once, when the window is made.
    return g_pMainDlg && g_pMainDlg->LogList() && g_pMainDlg->LogEnableBox() &&
           g_pMainDlg->LogEnableBox()->GetCheck() == fw::BST_CHECKED;
}

void MainWindowHost::LogMessage(const char* text) {
    if (!IsLogEnabled()) return;
    fw::CListBox* log = g_pMainDlg->LogList();
    log->InsertString(log->GetCount(), text ? text : "");
    // Selecting the newest line keeps it in view in a list one line high.
    log->SelectLast();
}

void MainWindowHost::ResetProgress(int n) {
    if (!g_pMainDlg || !g_pMainDlg->ProgressBar()) return;
    fw::CProgressCtrl* bar = g_pMainDlg->ProgressBar();
    bar->SetRange(0, n + 1);
    bar->SetStep(1);
    bar->SetPos(0);
}

void MainWindowHost::StepProgress() {
    if (!g_pMainDlg || !g_pMainDlg->ProgressBar()) return;
    fw::CProgressCtrl* bar = g_pMainDlg->ProgressBar();
    int lower = 0, upper = 0;
    bar->GetRange(lower, upper);
    if (bar->GetPos() < upper) bar->StepIt();
}

void MainWindowHost::SetServerActivityOn(const char* text) {
    if (g_pMainDlg && g_pMainDlg->ServerPage()) {
        g_pMainDlg->ServerPage()->ShowActivity(IDI_SERVER_BUSY, text ? text : "");
    }
}

void MainWindowHost::SetServerActivityOff(const char* text) {
    if (g_pMainDlg && g_pMainDlg->ServerPage()) {
        g_pMainDlg->ServerPage()->ShowActivity(IDI_SERVER_IDLE, text ? text : "");
    }
}
