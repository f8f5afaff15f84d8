// The accessors the engines call: each reads its control at the moment of the call, through
// g_pMainDlg. Before the window exists (or when it opened without its pages) they leave
// their targets alone and answer as an empty box would.
#include "app/accessors.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "app/main_dlg.h"
#include "app/main_window_host.h"
#include "framework/net.h"
#include "framework/ui/button.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "pages/config_page.h"
#include "pages/server_page.h"
#include "pages/upgrade_page.h"
#include "resources/resource.h"
#include "tftp/engine_globals.h"

int BoxTextToInt(std::string_view text, std::size_t max_chars) {
    text = text.substr(0, std::min(text.size(), max_chars));
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

namespace {

fw::CDialog* Upgrade() {
    return g_pMainDlg ? g_pMainDlg->UpgradePage() : nullptr;
}
fw::CDialog* Config() {
    return g_pMainDlg ? g_pMainDlg->ConfigPage() : nullptr;
}
fw::CDialog* Server() {
    return g_pMainDlg ? g_pMainDlg->ServerPage() : nullptr;
}

std::string TextOf(fw::CDialog* page, int id) {
    return page ? page->GetDlgItemText(id) : "";
}

bool CheckedOn(fw::CDialog* page, int id) {
    return page && page->IsDlgButtonChecked(id) == fw::BST_CHECKED;
}

}  // namespace

// --- The main window -------------------------------------------------------------------

void MainWindowHost::ReadModemAddress() {
    if (!g_pMainDlg || !g_pMainDlg->ModemAddress()) return;
    std::uint32_t address = 0;
    g_pMainDlg->ModemAddress()->GetAddress(address);  // a blank field counts as 0
    g_szModemAddress = fw::FormatIp(address);
}

void MainWindowHost::ReadPassword() {
    if (!g_pMainDlg || !g_pMainDlg->PasswordBox()) return;
    StorePassword(g_pMainDlg->PasswordBox()->GetWindowText());
}

void MainWindowHost::ReadImagePath() {
    if (!g_pMainDlg) return;
    // The tab on display says whose box: the firmware image, or the restore pack.
    bool upgrade_tab = g_pMainDlg->CurrentTab() == 0;
    g_pMainDlg->Client().sourcePath =
        upgrade_tab ? TextOf(Upgrade(), IDC_IMAGE_PATH) : TextOf(Config(), IDC_RESTORE_PATH);
    g_pMainDlg->Client().remoteName = "image";
}

// --- The configuration page --------------------------------------------------------------

void MainWindowHost::ReadConfigPackPath() {
    if (!g_pMainDlg) return;
    g_pMainDlg->Client().packFilePath = TextOf(Config(), IDC_CONFIG_DEST);
}

std::string MainWindowHost::ReadConfigDestinationText() {
    return TextOf(Config(), IDC_CONFIG_DEST);
}

// --- The server page ---------------------------------------------------------------------

void MainWindowHost::ReadServerRootPath() {
    if (!g_pMainDlg) return;
    g_pMainDlg->Server().SetRootPath(TextOf(Server(), IDC_ROOT_PATH));
}

int MainWindowHost::GetRetryCount() {
    return BoxTextToInt(TextOf(Server(), IDC_RETRY), kRetryChars);
}
int MainWindowHost::GetTimeoutSeconds() {
    return BoxTextToInt(TextOf(Server(), IDC_TIMEOUT), kTimeoutChars);
}
bool MainWindowHost::IsServerReadEnabled() {
    return CheckedOn(Server(), IDC_ENABLE_READ);
}
bool MainWindowHost::IsServerWriteEnabled() {
    return CheckedOn(Server(), IDC_ENABLE_WRITE);
}

// --- The upgrade page --------------------------------------------------------------------

int MainWindowHost::GetBroadcastDelay() {
    return BoxTextToInt(TextOf(Upgrade(), IDC_DELAY), kDelayChars);
}
bool MainWindowHost::IsCriteriaFileSkipped() {
    return CheckedOn(Upgrade(), IDC_SKIP_CRITERIA);
}

// --- The page whose button built the plan ------------------------------------------------

bool MainWindowHost::ReadOtherFileRow(int row, std::string& source, std::string& destination) {
    const COperationPage* page = g_pMainDlg ? PlanPage() : nullptr;
    return page && page->ReadOtherFileRow(row, source, destination);
}

std::string MainWindowHost::ReadMacroFilePath() {
    const COperationPage* page = g_pMainDlg ? PlanPage() : nullptr;
    return page ? page->ReadMacroFilePath() : std::string();
}
