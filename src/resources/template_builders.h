// Short hands for writing templates as tables. Like the dialog editor, they give the
// controls a person operates a tab stop; MarkRadioGroups adds the group marks that make
// each run of radio buttons a group of its own.
#pragma once

#include <vector>

#include "framework/ui/templates.h"

namespace res::build {

using fw::ControlKind;
using fw::ControlTemplate;
using fw::Rect;

inline ControlTemplate Line(int id, ControlKind kind, const char* caption, Rect rect,
                            unsigned style, int image = 0) {
    return ControlTemplate{id, kind, caption, rect, style, image};
}
inline ControlTemplate Text(int id, const char* caption, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::Static, caption, rect, style);
}
inline ControlTemplate GroupBox(const char* caption, Rect rect, unsigned style = 0) {
    return Line(-1, ControlKind::GroupBox, caption, rect, style);
}
inline ControlTemplate Frame(Rect rect) {
    return Line(-1, ControlKind::Frame, "", rect, 0);
}
inline ControlTemplate Edit(int id, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::Edit, "", rect, style | fw::STYLE_TABSTOP);
}
inline ControlTemplate CheckBox(int id, const char* caption, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::CheckBox, caption, rect, style | fw::STYLE_TABSTOP);
}
inline ControlTemplate Radio(int id, const char* caption, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::RadioButton, caption, rect, style);
}
inline ControlTemplate Button(int id, const char* caption, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::PushButton, caption, rect, style | fw::STYLE_TABSTOP);
}
inline ControlTemplate ListBox(int id, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::ListBox, "", rect, style | fw::STYLE_TABSTOP);
}
inline ControlTemplate Progress(int id, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::Progress, "", rect, style);
}
inline ControlTemplate IpAddress(int id, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::IpAddress, "", rect, style | fw::STYLE_TABSTOP);
}
inline ControlTemplate Tab(int id, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::Tab, "", rect, style | fw::STYLE_TABSTOP);
}
inline ControlTemplate Icon(int id, int icon, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::Icon, "", rect, style, icon);
}
inline ControlTemplate Picture(int id, int bitmap, Rect rect, unsigned style = 0) {
    return Line(id, ControlKind::Picture, "", rect, style, bitmap);
}

// The first radio button of each run gets the group mark and the run's tab stop; the
// control after a run gets the group mark, so that the next run is a group of its own.
inline std::vector<ControlTemplate> MarkRadioGroups(std::vector<ControlTemplate> lines) {
    bool in_run = false;
    for (ControlTemplate& line : lines) {
        bool radio = line.kind == ControlKind::RadioButton;
        if (radio && !in_run) line.style |= fw::STYLE_GROUP | fw::STYLE_TABSTOP;
        if (!radio && in_run) line.style |= fw::STYLE_GROUP;
        in_run = radio;
    }
    return lines;
}

}  // namespace res::build
