// The final dialogs the Sequencer opens, shown modally over the main window.
#include "app/main_window_host.h"
#include "dialogs/modem_info_dlg.h"
#include "dialogs/upgrade_status_dlg.h"

void MainWindowHost::ShowUpgradeStatusDialog() {
    CUpgradeStatusDlg dialog;
    dialog.DoModal();
}

void MainWindowHost::ShowModemInfoDialog() {
    CModemInfoDlg dialog;
    dialog.DoModal();
}
