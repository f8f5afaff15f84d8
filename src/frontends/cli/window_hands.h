// What a person does to the main window, and nothing more: choose a tab, type into a box,
// tick a check box, press a button. Each works only on a control that is on screen and
// takes input, like a person's hand; a refusal is remembered as a problem to report.
#pragma once

#include <string>
#include <string_view>

class CMainDlg;

namespace cli {

struct CliOptions;

class WindowHands {
public:
    explicit WindowHands(CMainDlg& main) : main_(main) {}

    CMainDlg& Window() { return main_; }

    bool SelectTab(int index);
    bool Type(int id, std::string_view text);
    bool TypeAddress(std::string_view address);
    bool TypePassword(std::string_view password);
    bool SetChecked(int id, bool checked);
    bool Click(int id);
    // The text of a control on screen (or of the first one with the id).
    std::string Text(int id) const;

    // Empty while every action worked; else what the window refused first.
    const std::string& Problem() const { return problem_; }

private:
    bool Refused(const char* what, int id);

    CMainDlg& main_;
    std::string problem_;
};

// The global options that stand for controls, set as a person would set them: the
// password and the modem address in the main window, Retry and Timeout on the server page,
// Log Enable, Broadcast Download and Delay on the upgrade page. Leaves the Upgrade tab
// selected. False (see hands.Problem()) when a control refused.
bool ApplyWindowSettings(WindowHands& hands, const CliOptions& options);

}  // namespace cli
