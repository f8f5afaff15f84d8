// COperationPage: what the four pages of the main window share. A page's buttons turn its
// controls into a plan of step codes and start the Sequencer; the page that built the
// running plan is noted, because the Sequencer's file steps read that page's boxes (the
// "Other File" rows and the macro file) when they run. One run at a time: while a plan
// runs, a button that would start another one, or change how the running one sends, is
// refused with a message and the running plan goes on untouched.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/ui/button.h"
#include "framework/ui/dialog.h"

class COperationPage : public fw::CDialog {
public:
    COperationPage(int template_id, fw::CWnd* parent);
    ~COperationPage() override;

    // Expert mode: the controls the template creates hidden come on screen, and the
    // disabled ones that have a handler or a meaning take input. Called once the page
    // has been created.
    void EnterExpertMode();
    bool IsExpertMode() const { return expert_; }

    // Row 1 or 2 of the "Other File" boxes as they stand now: source path and destination
    // name. False on a page without such rows.
    bool ReadOtherFileRow(int row, std::string& source, std::string& destination) const;
    // The macro file box as it stands now; empty on a page without one.
    std::string ReadMacroFilePath() const;

    // A button of RunGuardedButtons() is refused while a plan runs; everything else is
    // handled as usual.
    bool OnCommand(int id) override;
    // The buttons that start a plan, or change how a running plan sends.
    virtual std::vector<int> RunGuardedButtons() const { return {}; }

protected:
    // Resets both rings, queues the codes, notes this page and runs the Sequencer.
    void StartPagePlan(const std::vector<int>& codes);
    // Enables or disables the boxes of a check box's row to follow its state.
    void FollowCheck(int check_id, std::initializer_list<int> box_ids);
    bool IsChecked(int id) const { return IsDlgButtonChecked(id) == fw::BST_CHECKED; }

    // The disabled controls this page enables in expert mode.
    virtual std::vector<int> ExpertEnabledControls() const { return {}; }
    // A refused click on a check box or radio button has already changed it: put it back.
    virtual void UndoRefusedClick(int /*id*/) {}

private:
    bool expert_ = false;
};

// The page whose button built the running plan (null before any plan, or once it is gone).
const COperationPage* PlanPage();

// A plan is running and something will carry it on: a transfer waits under the response
// timer, or a dialog or message box of the run is open. A run that nothing can move on
// any more (a peer that fell silent where no timer watches) holds nothing back.
bool IsRunInProgress();

inline constexpr const char* kOperationInProgressText = "Warning:\nAn operation is in progress.";

// Text of a message box refusing an operation before anything is sent: shown with the stop
// icon, and the run observer hears that the operation stopped.
void RefuseOperation(const std::string& text);
