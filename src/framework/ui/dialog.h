// CDialog: a window built from a template, modal (DoModal) or modeless (Create), possibly
// a child page placed inside its parent. Clicks reach handlers registered by control id;
// members and controls exchange data through DoDataExchange; window timers run on the
// event loop keyed by the dialog and die with it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/clock.h"
#include "framework/desktop.h"
#include "framework/ui/control.h"
#include "framework/ui/menu.h"
#include "framework/ui/templates.h"
#include "framework/ui/wnd.h"

namespace fw {

class CDataExchange;

class CDialog : public CWnd {
public:
    // The template is looked up by id when the window is created, so templates may be
    // registered after the object is constructed.
    explicit CDialog(int template_id, CWnd* parent = nullptr);
    // A dialog over a template the caller keeps alive (tests build their own).
    explicit CDialog(const DialogTemplate& dialog_template, CWnd* parent = nullptr);
    ~CDialog() override;

    bool IsDialog() const override { return true; }
    bool IsChildWindow() const override;

    // --- Life cycle -------------------------------------------------------------------
    // Modeless: builds the controls, runs OnInitDialog, shows the dialog if its template
    // is visible. A child page lies at its template position inside `parent`. False if
    // the template is unknown or the window exists already.
    bool Create(int template_id, CWnd* parent = nullptr);
    bool Create();
    // Modal: creates the window, shows it and runs it through the desktop (a nested event
    // loop) until EndDialog; destroys the window and returns the code given to EndDialog,
    // or -1 when the window could not be created.
    virtual int DoModal();
    // Ends a modal dialog (the loop returns `result`); a modeless one is hidden.
    void EndDialog(int result);
    bool DestroyWindow();

    bool IsCreated() const { return created_; }
    bool IsModal() const { return modal_; }
    bool IsEnded() const { return ended_; }
    int ModalResult() const { return result_; }
    // Runs the event loop until the dialog ends and returns its code: the part of
    // RunModal that any desktop can use. IDCANCEL if the loop can never end it.
    int RunModalLoop();

    // --- Overridables -----------------------------------------------------------------
    // The base exchanges data into the controls and returns true (focus to the first tab
    // stop). Derived dialogs call it first.
    virtual bool OnInitDialog();
    // The defaults for IDOK (exchange data back; end the dialog if that worked) and
    // IDCANCEL (end the dialog).
    virtual void OnOK();
    virtual void OnCancel();
    // The base runs the bindings registered with BindText/BindCheck/BindRadio.
    virtual void DoDataExchange(CDataExchange* dx);
    // Timers set without a callback of their own arrive here.
    virtual void OnTimer(int id);
    // System menu commands. The base minimizes, restores, and closes as IDCANCEL.
    virtual void OnSysCommand(unsigned id);

    // --- Data exchange ----------------------------------------------------------------
    // true: controls to members; false: members to controls. False if an exchange failed.
    bool UpdateData(bool save_and_validate = true);
    void BindText(int id, std::string* member);
    void BindCheck(int id, int* member);
    void BindRadio(int first_id, int* member);

    // --- Controls -----------------------------------------------------------------------
    // A control of this dialog (not of its pages); the first one for repeated ids.
    CControl* GetDlgItem(int id) const;
    template <class T>
    T* GetDlgItemAs(int id) const {
        return dynamic_cast<T*>(GetDlgItem(id));
    }
    std::vector<CControl*> Controls() const;
    void SetDlgItemText(int id, std::string_view text);
    std::string GetDlgItemText(int id) const;
    int GetDlgItemText(int id, char* buffer, int max_count) const;
    void CheckDlgButton(int id, int check);
    int IsDlgButtonChecked(int id) const;
    // Checks `id` and unchecks every other radio button whose id lies in first..last.
    void CheckRadioButton(int first_id, int last_id, int id);
    // The checked radio button's id in first..last, or 0.
    int GetCheckedRadioButton(int first_id, int last_id) const;

    // --- Commands and notifications -----------------------------------------------------
    void BindCommand(int id, std::function<void()> handler);
    void BindNotify(int id, int code, std::function<long()> handler);
    // Runs the handler for the id; without one, IDOK and IDCANCEL run OnOK/OnCancel.
    // Returns whether anything handled it.
    virtual bool OnCommand(int id);
    bool SendCommand(int id) { return OnCommand(id); }
    // The notify handler's result, 0 without a handler.
    long SendNotify(int id, int code);

    // --- Timers -------------------------------------------------------------------------
    // Returns the id, or 0 when the window does not exist. Setting a running id replaces it.
    int SetTimer(int id, Millis interval, std::function<void()> callback = {});
    bool KillTimer(int id);
    bool IsTimerSet(int id) const { return timers_.count(id) != 0; }

    // --- Dialog-level state -------------------------------------------------------------
    int TemplateId() const { return template_id_; }
    // The template the window was built from (null before it was ever created).
    const DialogTemplate* Template() const { return template_; }
    unsigned DialogStyleFlags() const { return template_ ? template_->style : 0; }
    CMenu* GetSystemMenu(bool revert = false);
    void SetIcon(int icon_id, bool big);
    int GetIcon(bool big) const { return big ? big_icon_ : small_icon_; }
    bool IsIconic() const { return iconic_; }
    // The default push button's id: SetDefID's, else the template's, else IDOK.
    int GetDefID() const;
    void SetDefID(int id);
    // The child pages, in the order they were attached.
    std::vector<CDialog*> ChildDialogs() const;

    // --- Drivers: what a person can do ---------------------------------------------------
    // A click on the control with this id, on this dialog or else on one of its visible
    // child pages. False (nothing happens) for a missing, hidden or disabled control.
    bool Click(int id);
    // The control with this id here or on a child page; visible ones are preferred, so a
    // repeated id finds the one on the page on display.
    CControl* FindControl(int id) const;
    // Enter: a focused push button is clicked; otherwise the default button, or the
    // default command when no control carries its id.
    bool PressEnter();
    // Escape and the close box: the IDCANCEL command.
    bool PressEscape();
    // Chooses an item of the system menu.
    bool ChooseSystemMenuItem(unsigned id);

    // Focus, kept by the top-level dialog. The order is that of the templates, the
    // dialog's own controls before those of its pages; only tab stops that accept input
    // count, and a radio group is one stop, its checked button.
    std::vector<CControl*> FocusOrder() const;
    CControl* GetFocusedControl() const;
    bool SetFocusTo(CControl* control);
    bool MoveFocus(bool forward = true);

private:
    friend class CWnd;

    const DialogTemplate* ResolveTemplate() const;
    bool CreateWindow(CWnd* parent);
    void BuildControls();
    void AttachTo(CWnd* parent);
    void DetachFromParent();
    void CollectFocusStops(std::vector<CControl*>& out) const;
    bool ReceivesInput() const;
    void BuildSystemMenu();

    int template_id_ = 0;
    const DialogTemplate* own_template_ = nullptr;  // given to the constructor
    const DialogTemplate* template_ = nullptr;      // the one the window was built from
    std::vector<std::unique_ptr<CControl>> controls_;
    std::vector<CDialog*> children_;  // pages and owned dialogs
    std::vector<std::function<void(CDataExchange*)>> bindings_;
    std::map<int, std::function<void()>> commands_;
    std::map<std::pair<int, int>, std::function<long()>> notifies_;
    std::set<int> timers_;
    CMenu system_menu_;
    CControl* focus_ = nullptr;
    int def_id_ = 0;
    int big_icon_ = 0;
    int small_icon_ = 0;
    int result_ = 0;
    bool created_ = false;
    bool modal_ = false;
    bool ended_ = false;
    bool iconic_ = false;
};

// The dialogs whose windows exist, in the order they were created.
std::vector<CDialog*> LiveDialogs();
// The modal dialog in front (the last one whose DoModal is running), or null.
CDialog* ActiveModalDialog();

}  // namespace fw
