#include "framework/ui/progress_ctrl.h"

#include <algorithm>

namespace fw {

CProgressCtrl::CProgressCtrl(CDialog& parent, const ControlTemplate& line)
    : CControl(parent, line) {}

int CProgressCtrl::Clamp(int pos) const {
    if (upper_ < lower_) return lower_;
    return std::clamp(pos, lower_, upper_);
}

void CProgressCtrl::SetRange(int lower, int upper) {
    int lo = lower & 0xFFFF;
    int hi = upper & 0xFFFF;
    if (lo != lower_ || hi != upper_) {
        lower_ = lo;
        upper_ = hi;
        NotifyChange(Change::Range);
    }
    SetPos(pos_);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
    lower = lower_;
    upper = upper_;
}

int CProgressCtrl::SetPos(int pos) {
    int previous = pos_;
    int clamped = Clamp(pos);
    if (clamped != pos_) {
        pos_ = clamped;
        NotifyChange(Change::Position);
    }
    return previous;
}

int CProgressCtrl::SetStep(int step) {
    int previous = step_;
    if (step != step_) {
        step_ = step;
        NotifyChange(Change::Range);
    }
    return previous;
}

int CProgressCtrl::StepIt() {
    int previous = pos_;
    long long next = static_cast<long long>(pos_) + step_;
    if (upper_ > lower_ && next > upper_) {
        next = lower_ + (next - lower_) % (upper_ - lower_);
    }
    SetPos(static_cast<int>(std::clamp<long long>(next, lower_, std::max(lower_, upper_))));
    return previous;
}

}  // namespace fw
