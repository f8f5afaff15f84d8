// DialogLayer's input half: keys and clicks turned into what the dialog model offers its
// drivers (focus moves, typing, clicks, Enter, Esc, the system menu).
#include "frontends/tui/dialog_layer.h"

#include <algorithm>
#include <cctype>

#include "framework/ui/button.h"
#include "framework/ui/edit.h"
#include "framework/ui/ip_address_ctrl.h"
#include "framework/ui/list_box.h"
#include "framework/ui/tab_ctrl.h"
#include "frontends/tui/dialog_parts.h"
#include "frontends/tui/layout.h"
#include "frontends/tui/menu_layer.h"
#include "frontends/tui/widgets.h"

namespace tui {

using namespace dialog_parts;

DialogLayer::DialogLayer(fw::CDialog& dialog, LayerHost* host) : dialog_(dialog), host_(host) {}

bool DialogLayer::Done() const {
    return dialog_.IsEnded() || !dialog_.IsCreated();
}

int DialogLayer::Width() const {
    const fw::DialogTemplate* t = dialog_.Template();
    return DialogColumns(t ? t->rect.w : 0);
}

int DialogLayer::Height() const {
    const fw::DialogTemplate* t = dialog_.Template();
    return DialogRows(t ? t->rect.h : 0);
}

CellRect DialogLayer::FocusArea() const {
    return dialog_.IsIconic() ? CellRect{} : PlaceOf(dialog_.GetFocusedControl());
}

CellRect DialogLayer::PlaceOf(const fw::CControl* control) const {
    for (const Place& p : places_)
        if (p.control == control) return p.rect;
    return {};
}

void DialogLayer::EnsureFocus() {
    fw::CControl* focus = dialog_.GetFocusedControl();
    if (focus && focus->AcceptsInput()) return;
    std::vector<fw::CControl*> order = dialog_.FocusOrder();
    if (!order.empty()) dialog_.SetFocusTo(order.front());
}

void DialogLayer::FocusChanged(fw::CControl* now) {
    if (now == last_focus_) return;
    last_focus_ = now;
    if (!now) return;
    // Entering an edit box puts the cursor at the end of its text; entering the address
    // control selects its first field, so an address can be typed over the old one.
    if (now->Kind() == ControlKind::Edit)
        edits_[now] = EditState{DecodeUtf8(now->GetWindowText()).size(), 0};
    if (now->Kind() == ControlKind::IpAddress) ips_[now] = EnterIpControl();
}

bool DialogLayer::EditKey(fw::CControl* focus, const Key& key) {
    auto* edit = static_cast<fw::CEdit*>(focus);
    if (key.kind == Key::Char) {
        bool accepted =
            key.ch < 0x80 ? edit->Accepts(static_cast<char>(key.ch)) : !edit->IsDigitsOnly();
        if (!accepted) return true;  // swallowed, as the box swallows it
    }
    std::string text = edit->GetWindowText();
    EditState& st = edits_[edit];
    bool changed = false;
    EditRules rules{edit->IsDigitsOnly(), edit->GetLimitText()};
    if (!ApplyEditKey(text, st, key, rules, &changed)) return false;
    if (changed) {
        edit->EnterText(text);
        ClampEditState(st, DecodeUtf8(edit->GetWindowText()).size());
    }
    return true;
}

bool DialogLayer::IpKey(fw::CControl* focus, const Key& key) {
    auto* ip = static_cast<fw::CIPAddressCtrl*>(focus);
    IpFields fields;
    for (int i = 0; i < 4; ++i) fields[static_cast<std::size_t>(i)] = ip->GetFieldText(i);
    IpFields before = fields;
    bool changed = false;
    if (!ApplyIpKey(fields, ips_[ip], key, &changed)) return false;
    if (changed && ip->AcceptsInput())
        for (int i = 0; i < 4; ++i)
            if (fields[static_cast<std::size_t>(i)] != before[static_cast<std::size_t>(i)])
                ip->SetFieldText(i, fields[static_cast<std::size_t>(i)]);
    return true;
}

bool DialogLayer::ArrowKey(fw::CControl* focus, const Key& key) {
    bool back = key.kind == Key::Up || key.kind == Key::Left;
    bool fwd = key.kind == Key::Down || key.kind == Key::Right;
    switch (focus->Kind()) {
        case ControlKind::RadioButton: {
            if (!back && !fwd) return false;
            // Arrows walk the radio group and select as they go, as the platform's
            // automatic radio buttons did.
            std::vector<fw::CButton*> group = static_cast<fw::CButton*>(focus)->RadioGroup();
            auto it = std::find(group.begin(), group.end(), focus);
            if (it == group.end()) return true;
            int n = static_cast<int>(group.size()), at = static_cast<int>(it - group.begin());
            for (int k = 1; k < n; ++k) {
                fw::CButton* next =
                    group[static_cast<std::size_t>((at + (back ? -k : k) + n * k) % n)];
                if (!next->AcceptsInput()) continue;
                dialog_.SetFocusTo(next);
                next->Click();
                break;
            }
            return true;
        }
        case ControlKind::ListBox: {
            auto* list = static_cast<fw::CListBox*>(focus);
            int cur = list->GetCurSel(), page = std::max(1, list->VisibleRows());
            int last = list->GetCount() - 1, to = cur;
            switch (key.kind) {
                case Key::Up:
                    to = cur - 1;
                    break;
                case Key::Down:
                    to = cur + 1;
                    break;
                case Key::PageUp:
                    to = cur - page;
                    break;
                case Key::PageDown:
                    to = cur + page;
                    break;
                case Key::Home:
                    to = 0;
                    break;
                case Key::End:
                    to = last;
                    break;
                default:
                    return false;
            }
            if (last >= 0) list->ClickItem(std::clamp(to, 0, last));
            return true;
        }
        case ControlKind::Tab:
            if (key.kind == Key::Left || key.kind == Key::Right) {
                auto* tab = static_cast<fw::CTabCtrl*>(focus);
                int to = tab->GetCurSel() + (back ? -1 : 1);
                if (to >= 0 && to < tab->GetItemCount()) tab->ClickItem(to);
                return true;
            }
            break;
        default:
            break;
    }
    if (back || fwd) {
        dialog_.MoveFocus(fwd);
        return true;
    }
    return false;
}

bool DialogLayer::Accelerator(char letter) {
    if (!letter) return false;
    int n = static_cast<int>(places_.size());
    int start = 0;
    for (int i = 0; i < n; ++i)
        if (places_[static_cast<std::size_t>(i)].control == dialog_.GetFocusedControl())
            start = i + 1;
    for (int k = 0; k < n; ++k) {
        fw::CControl* c = places_[static_cast<std::size_t>((start + k) % n)].control;
        if (AcceleratorOf(c->GetWindowText()) != letter) continue;
        if (c->IsButtonKind()) {
            if (!c->AcceptsInput()) continue;
            if (c->Kind() != ControlKind::PushButton) dialog_.SetFocusTo(c);
            c->Click();
            return true;
        }
        // A label's letter moves to the control that follows it.
        std::vector<fw::CControl*> order = dialog_.FocusOrder();
        bool after = false;
        for (const Place& p : places_) {
            if (p.control == c)
                after = true;
            else if (after && std::find(order.begin(), order.end(), p.control) != order.end())
                return dialog_.SetFocusTo(p.control);
        }
    }
    return false;
}

void DialogLayer::ClickAt(int row, int col) {
    if (SystemMenuBox(outer_).Contains(row, col)) {
        OpenSystemMenu();
        return;
    }
    for (auto it = places_.rbegin(); it != places_.rend(); ++it) {
        fw::CControl* c = it->control;
        const CellRect& r = it->rect;
        if (IsContainer(c) || !r.Contains(row, col)) continue;
        if (!c->AcceptsInput()) return;
        switch (c->Kind()) {
            case ControlKind::PushButton:
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
                dialog_.SetFocusTo(c);
                c->Click();
                return;
            case ControlKind::Edit: {
                dialog_.SetFocusTo(c);
                FocusChanged(c);
                EditState& st = edits_[c];
                st.cursor = st.scroll + static_cast<std::size_t>(std::max(0, col - r.left - 1));
                ClampEditState(st, DecodeUtf8(c->GetWindowText()).size());
                return;
            }
            case ControlKind::IpAddress: {
                dialog_.SetFocusTo(c);
                FocusChanged(c);
                int pad = std::max(0, (EditBoxTextWidth(r) - kIpTextCells) / 2);
                ips_[c] =
                    IpEditState{std::clamp((col - r.left - 1 - pad) / 4, 0, 3), 0, true, false};
                return;
            }
            case ControlKind::ListBox: {
                auto* list = static_cast<fw::CListBox*>(c);
                dialog_.SetFocusTo(c);
                list->ClickItem(list->GetTopIndex() + row - r.top);
                return;
            }
            case ControlKind::Tab: {
                auto* tab = static_cast<fw::CTabCtrl*>(c);
                int item = TabItemAt(*tab, r, col);
                if (item >= 0) tab->ClickItem(item);
                return;
            }
            default:
                return;
        }
    }
}

void DialogLayer::OpenSystemMenu() {
    if (!host_ || !(dialog_.DialogStyleFlags() & fw::DLG_SYSMENU)) return;
    fw::CMenu* menu = dialog_.GetSystemMenu();
    if (!menu || menu->GetMenuItemCount() == 0) return;
    // Restore only means something while minimized, Minimize only while not, as the
    // platform's menu showed them.
    std::vector<fw::MenuItem> items = menu->Items();
    for (fw::MenuItem& item : items) {
        bool moot = (item.id == fw::SC_RESTORE && !dialog_.IsIconic()) ||
                    (item.id == fw::SC_MINIMIZE && dialog_.IsIconic());
        if (moot && !item.IsSeparator()) item.flags |= fw::MF_GRAYED;
    }
    MenuLayer layer(items, outer_);
    host_->RunLayer(layer);
    if (layer.chosen()) dialog_.ChooseSystemMenuItem(layer.chosen());
}

void DialogLayer::HandleKey(const Key& key) {
    if (dialog_.IsIconic()) {
        if (key.kind == Key::Menu)
            OpenSystemMenu();
        else if (key.kind == Key::Enter || key.kind == Key::Click)
            dialog_.OnSysCommand(fw::SC_RESTORE);
        return;
    }
    EnsureFocus();
    fw::CControl* focus = dialog_.GetFocusedControl();
    FocusChanged(focus);
    switch (key.kind) {
        case Key::Tab:
            dialog_.MoveFocus(true);
            break;
        case Key::BackTab:
            dialog_.MoveFocus(false);
            break;
        case Key::Enter:
            dialog_.PressEnter();
            break;
        case Key::Escape:
            dialog_.PressEscape();
            break;
        case Key::Menu:
            OpenSystemMenu();
            break;
        case Key::Alt:
            Accelerator(static_cast<char>(key.ch));
            break;
        case Key::Click:
            ClickAt(key.row, key.col);
            break;
        default: {
            if (!focus) break;
            if (focus->Kind() == ControlKind::Edit && EditKey(focus, key)) break;
            if (focus->Kind() == ControlKind::IpAddress && IpKey(focus, key)) break;
            if (key.kind == Key::Char && key.ch == U' ') {
                if (focus->IsButtonKind()) focus->Click();
                break;
            }
            if (ArrowKey(focus, key)) break;
            // Outside a text box a plain letter works as its accelerator, as in dialogs.
            if (key.kind == Key::Char && key.ch < 0x80 && focus->Kind() != ControlKind::Edit &&
                focus->Kind() != ControlKind::IpAddress)
                Accelerator(static_cast<char>(std::tolower(static_cast<int>(key.ch))));
            break;
        }
    }
    if (!Done()) FocusChanged(dialog_.GetFocusedControl());
}

}  // namespace tui
