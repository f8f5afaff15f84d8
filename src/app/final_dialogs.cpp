// The final dialogs the Sequencer opens, shown modally over the main window.
#include "dialogs/modem_info_dlg.h"
#include "dialogs/upgrade_status_dlg.h"
#include "sequencer/sequencer_hooks.h"

void ShowUpgradeStatusDialog() {
    CUpgradeStatusDlg dialog;
    dialog.DoModal();
}

void ShowModemInfoDialog() {
    CModemInfoDlg dialog;
    dialog.DoModal();
}
