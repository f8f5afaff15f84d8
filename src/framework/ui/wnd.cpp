#include "framework/ui/wnd.h"

#include <algorithm>
#include <cstring>

#include "framework/ui/dialog.h"

namespace fw {

CWnd::CWnd(CWnd* parent, int id, std::string text, Rect rect, unsigned style)
    : id_(id),
      parent_(parent),
      text_(std::move(text)),
      rect_(rect),
      style_(style),
      visible_((style & STYLE_HIDDEN) == 0),
      enabled_((style & STYLE_DISABLED) == 0) {}

unsigned CWnd::GetStyle() const {
    unsigned style = style_ & ~(STYLE_HIDDEN | STYLE_DISABLED);
    if (!visible_) style |= STYLE_HIDDEN;
    if (!enabled_) style |= STYLE_DISABLED;
    return style;
}

Rect CWnd::ScreenRect() const {
    Rect r = rect_;
    if (!IsChildWindow() || !parent_) {
        r.x = 0;  // a top-level dialog's client area is the origin of everything inside
        r.y = 0;
        return r;
    }
    Rect origin = parent_->ScreenRect();
    r.x += origin.x;
    r.y += origin.y;
    return r;
}

void CWnd::StoreText(std::string_view text) {
    if (text_ == text) return;
    text_ = std::string(text);
    NotifyChange(Change::Text);
}

void CWnd::SetWindowText(std::string_view text) {
    StoreText(text);
}

int CWnd::GetWindowText(char* buffer, int max_count) const {
    if (!buffer || max_count <= 0) return 0;
    std::string text = GetWindowText();
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(max_count - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

bool CWnd::ShowWindow(int cmd) {
    bool was = visible_;
    bool now = cmd != SW_HIDE;
    if (was != now) {
        visible_ = now;
        NotifyChange(Change::Visible);
    }
    return was;
}

bool CWnd::IsWindowVisible() const {
    if (!visible_) return false;
    if (!IsChildWindow() || !parent_) return true;
    return parent_->IsWindowVisible();
}

bool CWnd::EnableWindow(bool enable) {
    bool was_disabled = !enabled_;
    if (enabled_ != enable) {
        enabled_ = enable;
        NotifyChange(Change::Enabled);
    }
    return was_disabled;
}

bool CWnd::AcceptsInput() const {
    if (!IsWindowVisible()) return false;
    for (const CWnd* w = this; w; w = w->IsChildWindow() ? w->parent_ : nullptr) {
        if (!w->enabled_) return false;
    }
    const CDialog* top = TopLevelDialog();
    return top && top->ReceivesInput();
}

bool CWnd::SetFocus() {
    CDialog* top = TopLevelDialog();
    auto* control = dynamic_cast<CControl*>(this);
    return top && control && top->SetFocusTo(control);
}

bool CWnd::HasFocus() const {
    const CDialog* top = TopLevelDialog();
    return top && top->GetFocusedControl() == this;
}

CDialog* CWnd::ParentDialog() const {
    return parent_ && parent_->IsDialog() ? static_cast<CDialog*>(parent_) : nullptr;
}

CDialog* CWnd::TopLevelDialog() {
    CWnd* w = this;
    while (w->IsChildWindow() && w->parent_) w = w->parent_;
    return w->IsDialog() ? static_cast<CDialog*>(w) : nullptr;
}

const CDialog* CWnd::TopLevelDialog() const {
    return const_cast<CWnd*>(this)->TopLevelDialog();
}

void CWnd::NotifyChange(Change what) {
    UiEvent event;
    if (IsDialog()) {
        event.kind = UiEvent::Kind::DialogChanged;
        event.dialog = static_cast<CDialog*>(this);
    } else {
        event.kind = UiEvent::Kind::ControlChanged;
        event.dialog = ParentDialog();
        event.control = this;
    }
    event.change = what;
    EmitUiEvent(event);
}

}  // namespace fw
