// CProgressCtrl: a bar with a 16-bit range. Bounds are stored modulo 65536, as the
// platform's 16-bit range message carried them.
#pragma once

#include "framework/ui/control.h"

namespace fw {

class CProgressCtrl : public CControl {
public:
    CProgressCtrl(CDialog& parent, const ControlTemplate& line);

    // Each bound is taken modulo 65536. The position is kept inside the new range.
    void SetRange(int lower, int upper);
    void GetRange(int& lower, int& upper) const;
    int GetLower() const { return lower_; }
    int GetUpper() const { return upper_; }

    // Each returns the previous position. Positions are kept inside the range.
    int SetPos(int pos);
    int GetPos() const { return pos_; }
    int OffsetPos(int delta) { return SetPos(pos_ + delta); }
    int SetStep(int step);  // returns the previous step
    int GetStep() const { return step_; }
    // Advances by the step. Past the upper bound the bar starts over from the lower
    // bound, the overshoot carried: callers that want it to stop check the bound first.
    int StepIt();

private:
    int Clamp(int pos) const;

    int lower_ = 0;
    int upper_ = 100;
    int pos_ = 0;
    int step_ = 10;
};

}  // namespace fw
