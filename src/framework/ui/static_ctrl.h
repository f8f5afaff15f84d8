// CStatic: text, group boxes, frames, icons and pictures. None of them takes a click.
#pragma once

#include "framework/ui/control.h"

namespace fw {

class CStatic : public CControl {
public:
    CStatic(CDialog& parent, const ControlTemplate& line);

    // The icon or bitmap resource shown (0: none). Both name the same slot: a static
    // shows one picture.
    int SetIcon(int icon_id);
    int GetIcon() const { return image_; }
    int SetBitmap(int bitmap_id) { return SetIcon(bitmap_id); }
    int GetBitmap() const { return image_; }

private:
    int image_ = 0;
};

}  // namespace fw
