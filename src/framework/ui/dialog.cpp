#include "framework/ui/dialog.h"

#include <algorithm>

#include "framework/event_loop.h"
#include "framework/ui/button.h"
#include "framework/ui/data_exchange.h"

namespace fw {

namespace {

std::vector<CDialog*>& Live() {
    static std::vector<CDialog*> live;
    return live;
}

std::vector<CDialog*>& ModalStack() {
    static std::vector<CDialog*> stack;
    return stack;
}

void Erase(std::vector<CDialog*>& list, CDialog* dialog) {
    list.erase(std::remove(list.begin(), list.end(), dialog), list.end());
}

void Emit(UiEvent::Kind kind, CDialog* dialog, int code = 0) {
    UiEvent event;
    event.kind = kind;
    event.dialog = dialog;
    event.code = code;
    EmitUiEvent(event);
}

}  // namespace

std::vector<CDialog*> LiveDialogs() {
    return Live();
}

CDialog* ActiveModalDialog() {
    return ModalStack().empty() ? nullptr : ModalStack().back();
}

// --- Construction -----------------------------------------------------------------------

CDialog::CDialog(int template_id, CWnd* parent) : template_id_(template_id) {
    id_ = template_id;
    visible_ = false;
    AttachTo(parent);
}

CDialog::CDialog(const DialogTemplate& dialog_template, CWnd* parent)
    : template_id_(dialog_template.id), own_template_(&dialog_template) {
    id_ = dialog_template.id;
    visible_ = false;
    AttachTo(parent);
}

CDialog::~CDialog() {
    DestroyWindow();
    for (CDialog* child : children_) child->parent_ = nullptr;
    children_.clear();
    DetachFromParent();
}

void CDialog::AttachTo(CWnd* parent) {
    if (parent == parent_ && parent) return;
    DetachFromParent();
    parent_ = parent;
    if (parent && parent->IsDialog()) static_cast<CDialog*>(parent)->children_.push_back(this);
}

void CDialog::DetachFromParent() {
    if (parent_ && parent_->IsDialog()) Erase(static_cast<CDialog*>(parent_)->children_, this);
    parent_ = nullptr;
}

const DialogTemplate* CDialog::ResolveTemplate() const {
    if (template_) return template_;
    if (own_template_ && own_template_->id == template_id_) return own_template_;
    return FindDialogTemplate(template_id_);
}

bool CDialog::IsChildWindow() const {
    const DialogTemplate* t = ResolveTemplate();
    return t && (t->style & DLG_CHILD) != 0;
}

std::vector<CDialog*> CDialog::ChildDialogs() const {
    std::vector<CDialog*> pages;
    for (CDialog* child : children_) {
        if (child->IsChildWindow()) pages.push_back(child);
    }
    return pages;
}

// --- Life cycle -----------------------------------------------------------------------

bool CDialog::CreateWindow(CWnd* parent) {
    if (created_) return false;
    template_ = nullptr;
    const DialogTemplate* t = ResolveTemplate();
    if (!t) return false;
    template_ = t;
    AttachTo(parent);
    id_ = t->id;
    text_ = t->caption;
    rect_ = t->rect;
    visible_ = false;
    enabled_ = true;
    ended_ = false;
    result_ = 0;
    iconic_ = false;
    focus_ = nullptr;
    def_id_ = 0;
    BuildControls();
    BuildSystemMenu();
    created_ = true;
    Live().push_back(this);
    return true;
}

void CDialog::BuildControls() {
    controls_.clear();
    for (const ControlTemplate& line : template_->controls) {
        controls_.push_back(CreateControl(*this, line));
    }
}

void CDialog::BuildSystemMenu() {
    system_menu_.Clear();
    if (!(template_->style & DLG_SYSMENU)) return;
    if (template_->style & DLG_MINIMIZEBOX) {
        system_menu_.AppendMenu(MF_STRING, SC_RESTORE, "&Restore");
        system_menu_.AppendMenu(MF_STRING, SC_MINIMIZE, "Mi&nimize");
        system_menu_.AppendMenu(MF_SEPARATOR);
    }
    system_menu_.AppendMenu(MF_STRING, SC_CLOSE, "&Close");
}

bool CDialog::Create(int template_id, CWnd* parent) {
    if (created_) return false;
    template_id_ = template_id;
    if (!CreateWindow(parent)) return false;
    modal_ = false;
    bool wants_focus = OnInitDialog();
    if (created_ && (template_->style & DLG_VISIBLE)) ShowWindow(SW_SHOW);
    if (!created_) return false;  // OnInitDialog destroyed it again
    if (wants_focus && !IsChildWindow() && !focus_) MoveFocus(true);
    Emit(UiEvent::Kind::DialogCreated, this);
    return true;
}

bool CDialog::Create() {
    return Create(template_id_, parent_);
}

int CDialog::DoModal() {
    if (created_ || !CreateWindow(parent_)) return -1;
    modal_ = true;
    ModalStack().push_back(this);
    bool wants_focus = OnInitDialog();
    if (created_) Emit(UiEvent::Kind::DialogCreated, this);
    int code = result_;
    if (created_ && !ended_) {
        ShowWindow(SW_SHOW);
        if (wants_focus && !focus_) MoveFocus(true);
        Emit(UiEvent::Kind::ModalBegin, this);
        Desktop* desktop = InstalledDesktop();
        code = desktop ? desktop->RunModal(*this) : RunModalLoop();
        if (ended_) code = result_;
        Emit(UiEvent::Kind::ModalEnd, this, code);
    } else if (ended_) {
        code = result_;
    }
    Erase(ModalStack(), this);
    DestroyWindow();
    modal_ = false;
    return code;
}

int CDialog::RunModalLoop() {
    MainLoop().RunUntil([this] { return ended_ || !created_; });
    if (!ended_) EndDialog(IDCANCEL);  // the loop went idle for good: nothing can end it
    return result_;
}

void CDialog::EndDialog(int result) {
    result_ = result;
    ended_ = true;
    ShowWindow(SW_HIDE);
}

bool CDialog::DestroyWindow() {
    if (!created_) return false;
    // Pages die with the window that holds them.
    for (CDialog* page : ChildDialogs()) page->DestroyWindow();
    for (int id : timers_) MainLoop().KillTimer(this, id);
    timers_.clear();
    CDialog* top = TopLevelDialog();
    if (top && top != this && top->focus_ && top->focus_->ParentDialog() == this) {
        top->focus_ = nullptr;
    }
    focus_ = nullptr;
    created_ = false;
    visible_ = false;
    Erase(Live(), this);
    Erase(ModalStack(), this);
    Emit(UiEvent::Kind::DialogDestroyed, this);
    return true;
}

bool CDialog::ReceivesInput() const {
    return created_ && (ModalStack().empty() || ModalStack().back() == this);
}

// --- Overridables ---------------------------------------------------------------------

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange* dx) {
    for (const auto& binding : bindings_) binding(dx);
}

void CDialog::OnTimer(int) {}

void CDialog::OnSysCommand(unsigned id) {
    switch (id & 0xFFF0) {
        case SC_CLOSE:
            SendCommand(IDCANCEL);
            break;
        case SC_MINIMIZE:
        case SC_RESTORE: {
            bool iconic = (id & 0xFFF0) == SC_MINIMIZE;
            if (iconic != iconic_) {
                iconic_ = iconic;
                NotifyChange(Change::Iconic);
            }
            break;
        }
        default:
            break;
    }
}

// --- Data exchange --------------------------------------------------------------------

bool CDialog::UpdateData(bool save_and_validate) {
    if (!created_) return false;
    CDataExchange dx(this, save_and_validate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

void CDialog::BindText(int id, std::string* member) {
    bindings_.push_back([id, member](CDataExchange* dx) { DDX_Text(dx, id, *member); });
}

void CDialog::BindCheck(int id, int* member) {
    bindings_.push_back([id, member](CDataExchange* dx) { DDX_Check(dx, id, *member); });
}

void CDialog::BindRadio(int first_id, int* member) {
    bindings_.push_back(
        [first_id, member](CDataExchange* dx) { DDX_Radio(dx, first_id, *member); });
}

// --- Controls -------------------------------------------------------------------------

CControl* CDialog::GetDlgItem(int id) const {
    for (const auto& control : controls_) {
        if (control->GetDlgCtrlID() == id) return control.get();
    }
    return nullptr;
}

std::vector<CControl*> CDialog::Controls() const {
    std::vector<CControl*> all;
    all.reserve(controls_.size());
    for (const auto& control : controls_) all.push_back(control.get());
    return all;
}

void CDialog::SetDlgItemText(int id, std::string_view text) {
    if (CControl* control = GetDlgItem(id)) control->SetWindowText(text);
}

std::string CDialog::GetDlgItemText(int id) const {
    CControl* control = GetDlgItem(id);
    return control ? control->GetWindowText() : std::string();
}

int CDialog::GetDlgItemText(int id, char* buffer, int max_count) const {
    CControl* control = GetDlgItem(id);
    if (!control) {
        if (buffer && max_count > 0) buffer[0] = '\0';
        return 0;
    }
    return control->GetWindowText(buffer, max_count);
}

void CDialog::CheckDlgButton(int id, int check) {
    if (auto* button = GetDlgItemAs<CButton>(id)) button->SetCheck(check);
}

int CDialog::IsDlgButtonChecked(int id) const {
    auto* button = GetDlgItemAs<CButton>(id);
    return button ? button->GetCheck() : BST_UNCHECKED;
}

void CDialog::CheckRadioButton(int first_id, int last_id, int id) {
    for (const auto& control : controls_) {
        int cid = control->GetDlgCtrlID();
        if (cid < first_id || cid > last_id) continue;
        if (auto* button = dynamic_cast<CButton*>(control.get())) {
            button->SetCheck(cid == id ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

int CDialog::GetCheckedRadioButton(int first_id, int last_id) const {
    for (const auto& control : controls_) {
        int cid = control->GetDlgCtrlID();
        if (cid < first_id || cid > last_id) continue;
        auto* button = dynamic_cast<CButton*>(control.get());
        if (button && button->GetCheck() == BST_CHECKED) return cid;
    }
    return 0;
}

// --- Commands, notifications, timers --------------------------------------------------

void CDialog::BindCommand(int id, std::function<void()> handler) {
    commands_[id] = std::move(handler);
}

void CDialog::BindNotify(int id, int code, std::function<long()> handler) {
    notifies_[{id, code}] = std::move(handler);
}

bool CDialog::OnCommand(int id) {
    auto it = commands_.find(id);
    if (it != commands_.end()) {
        auto handler = it->second;  // the handler may rebind its own id
        handler();
        return true;
    }
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

long CDialog::SendNotify(int id, int code) {
    auto it = notifies_.find({id, code});
    if (it == notifies_.end()) return 0;
    auto handler = it->second;
    return handler();
}

int CDialog::SetTimer(int id, Millis interval, std::function<void()> callback) {
    if (!created_) return 0;
    if (!callback) callback = [this, id] { OnTimer(id); };
    timers_.insert(id);
    MainLoop().SetTimer(this, id, interval, std::move(callback));
    return id;
}

bool CDialog::KillTimer(int id) {
    if (timers_.erase(id) == 0) return false;
    MainLoop().KillTimer(this, id);
    return true;
}

// --- Dialog-level state ---------------------------------------------------------------

CMenu* CDialog::GetSystemMenu(bool revert) {
    if (!template_ || !(template_->style & DLG_SYSMENU)) return nullptr;
    if (revert) BuildSystemMenu();
    return &system_menu_;
}

void CDialog::SetIcon(int icon_id, bool big) {
    int& slot = big ? big_icon_ : small_icon_;
    if (slot == icon_id) return;
    slot = icon_id;
    NotifyChange(Change::Image);
}

int CDialog::GetDefID() const {
    if (def_id_) return def_id_;
    for (const auto& control : controls_) {
        if (control->Kind() == ControlKind::PushButton && control->HasStyle(STYLE_DEFAULT_BUTTON)) {
            return control->GetDlgCtrlID();
        }
    }
    return IDOK;
}

void CDialog::SetDefID(int id) {
    def_id_ = id;
}

// --- Drivers --------------------------------------------------------------------------

bool CDialog::Click(int id) {
    CControl* control = FindControl(id);
    return control && control->Click();
}

CControl* CDialog::FindControl(int id) const {
    // Visible ones first: the same id on several pages means the page on display.
    for (const auto& control : controls_) {
        if (control->GetDlgCtrlID() == id && control->IsWindowVisible()) return control.get();
    }
    for (CDialog* page : ChildDialogs()) {
        if (!page->IsWindowVisible()) continue;
        if (CControl* found = page->FindControl(id); found && found->IsWindowVisible()) {
            return found;
        }
    }
    if (CControl* own = GetDlgItem(id)) return own;
    for (CDialog* page : ChildDialogs()) {
        if (CControl* found = page->FindControl(id)) return found;
    }
    return nullptr;
}

bool CDialog::PressEnter() {
    if (!AcceptsInput()) return false;
    CControl* focused = GetFocusedControl();
    if (focused && focused->Kind() == ControlKind::PushButton) return focused->Click();
    int def = GetDefID();
    if (CControl* button = GetDlgItem(def)) return button->Click();
    return SendCommand(def);
}

bool CDialog::PressEscape() {
    if (!AcceptsInput()) return false;
    return SendCommand(IDCANCEL);
}

bool CDialog::ChooseSystemMenuItem(unsigned id) {
    if (!AcceptsInput()) return false;
    CMenu* menu = GetSystemMenu();
    if (!menu || !menu->FindItem(id)) return false;
    OnSysCommand(id);
    return true;
}

// --- Focus ----------------------------------------------------------------------------

void CDialog::CollectFocusStops(std::vector<CControl*>& out) const {
    if (!created_) return;
    for (const auto& owned : controls_) {
        CControl* control = owned.get();
        if (control->Kind() != ControlKind::RadioButton) {
            if (control->HasStyle(STYLE_TABSTOP) && control->AcceptsInput()) {
                out.push_back(control);
            }
            continue;
        }
        std::vector<CButton*> group = static_cast<CButton*>(control)->RadioGroup();
        if (group.empty() || group.front() != control) continue;  // the group is one stop
        bool stop = false;
        CButton* first_usable = nullptr;
        CButton* checked = nullptr;
        for (CButton* b : group) {
            stop = stop || b->HasStyle(STYLE_TABSTOP);
            if (!b->AcceptsInput()) continue;
            if (!first_usable) first_usable = b;
            if (!checked && b->GetCheck() == BST_CHECKED) checked = b;
        }
        if (stop && (checked || first_usable)) out.push_back(checked ? checked : first_usable);
    }
    for (CDialog* page : ChildDialogs()) {
        if (page->IsWindowVisible()) page->CollectFocusStops(out);
    }
}

std::vector<CControl*> CDialog::FocusOrder() const {
    std::vector<CControl*> order;
    if (const CDialog* top = TopLevelDialog()) top->CollectFocusStops(order);
    return order;
}

CControl* CDialog::GetFocusedControl() const {
    const CDialog* top = TopLevelDialog();
    if (!top) return nullptr;
    if (top != this) return top->GetFocusedControl();
    if (focus_ && focus_->AcceptsInput()) return focus_;
    std::vector<CControl*> order = FocusOrder();
    return order.empty() ? nullptr : order.front();
}

bool CDialog::SetFocusTo(CControl* control) {
    CDialog* top = TopLevelDialog();
    if (!top) return false;
    if (top != this) return top->SetFocusTo(control);
    if (control && (control->TopLevelDialog() != this || !control->AcceptsInput())) return false;
    if (focus_ != control) {
        focus_ = control;
        NotifyChange(Change::Focus);
    }
    return true;
}

bool CDialog::MoveFocus(bool forward) {
    CDialog* top = TopLevelDialog();
    if (!top) return false;
    if (top != this) return top->MoveFocus(forward);
    std::vector<CControl*> order = FocusOrder();
    if (order.empty()) return false;
    const CControl* current = focus_ && focus_->AcceptsInput() ? focus_ : nullptr;
    int n = static_cast<int>(order.size());
    int at = -1;
    for (int i = 0; i < n && current; ++i) {
        bool same = order[i] == current;
        if (!same && current->Kind() == ControlKind::RadioButton &&
            order[i]->Kind() == ControlKind::RadioButton) {
            auto group = static_cast<const CButton*>(current)->RadioGroup();
            same = std::find(group.begin(), group.end(), order[i]) != group.end();
        }
        if (same) at = i;
    }
    int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
    return SetFocusTo(order[next]);
}

}  // namespace fw
