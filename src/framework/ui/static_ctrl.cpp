#include "framework/ui/static_ctrl.h"

namespace fw {

CStatic::CStatic(CDialog& parent, const ControlTemplate& line)
    : CControl(parent, line), image_(line.image) {}

int CStatic::SetIcon(int icon_id) {
    int previous = image_;
    if (icon_id != image_) {
        image_ = icon_id;
        NotifyChange(Change::Image);
    }
    return previous;
}

}  // namespace fw
