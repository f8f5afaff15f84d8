#include "app/main_app.h"

#include "app/main_dlg.h"
#include "sequencer/step_ring.h"

CMainApp::CMainApp(StartOptions options) : options_(std::move(options)) {
    ResetStepRings();
}

bool CMainApp::InitInstance() {
    Run();
    return false;
}

int CMainApp::Run() {
    // Sockets need no starting on this platform, so the window opens straight away.
    CMainDlg dialog(options_);
    return dialog.DoModal();
}
