#include "pages/operation_page.h"

#include <algorithm>

#include "framework/desktop.h"
#include "framework/ui/button.h"
#include "resources/resource.h"
#include "sequencer/sequencer.h"
#include "sequencer/step_ring.h"
#include "tftp/run_observer.h"

namespace {
const COperationPage* g_pPlanPage = nullptr;
}

COperationPage::COperationPage(int template_id, fw::CWnd* parent)
    : fw::CDialog(template_id, parent) {}

COperationPage::~COperationPage() {
    if (g_pPlanPage == this) g_pPlanPage = nullptr;
}

const COperationPage* PlanPage() {
    return g_pPlanPage;
}

bool IsRunInProgress() {
    const RunObserver& observer = TheRunObserver();
    return observer.Phase() == RunPhase::kRunning && observer.IsPending();
}

bool COperationPage::OnCommand(int id) {
    std::vector<int> guarded = RunGuardedButtons();
    if (IsRunInProgress() && std::find(guarded.begin(), guarded.end(), id) != guarded.end()) {
        // A second press would reset the rings under the running transfer and lose it
        // without a word (a flash half written, the modem left in update mode).
        UndoRefusedClick(id);
        fw::AfxMessageBox(kOperationInProgressText, fw::MB_ICONINFORMATION);
        return true;
    }
    return fw::CDialog::OnCommand(id);
}

void COperationPage::StartPagePlan(const std::vector<int>& codes) {
    ResetStepRings();
    for (int code : codes) g_planRing.Push(code);
    g_pPlanPage = this;
    RunSequencer();
}

void COperationPage::FollowCheck(int check_id, std::initializer_list<int> box_ids) {
    bool checked = IsChecked(check_id);
    for (int id : box_ids) {
        if (fw::CControl* box = GetDlgItem(id)) box->EnableWindow(checked);
    }
}

void COperationPage::EnterExpertMode() {
    expert_ = true;
    for (fw::CControl* control : Controls()) {
        if (control->Template().style & fw::STYLE_HIDDEN) control->ShowWindow(fw::SW_SHOW);
    }
    for (int id : ExpertEnabledControls()) {
        if (fw::CControl* control = GetDlgItem(id)) control->EnableWindow(true);
    }
}

bool COperationPage::ReadOtherFileRow(int row, std::string& source,
                                      std::string& destination) const {
    int source_id = row == 1 ? IDC_FILE1_SOURCE : IDC_FILE2_SOURCE;
    int destination_id = row == 1 ? IDC_FILE1_DEST : IDC_FILE2_DEST;
    if (row != 1 && row != 2) return false;
    if (!GetDlgItem(source_id) || !GetDlgItem(destination_id)) return false;
    source = GetDlgItemText(source_id);
    destination = GetDlgItemText(destination_id);
    return true;
}

std::string COperationPage::ReadMacroFilePath() const {
    return GetDlgItem(IDC_MACRO_PATH) ? GetDlgItemText(IDC_MACRO_PATH) : std::string();
}

void RefuseOperation(const std::string& text) {
    ShowStopMessage(text);
}
