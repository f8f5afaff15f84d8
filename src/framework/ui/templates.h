// Dialog templates as plain data: what the resource compiler of the original platform
// turned into windows. A dialog is built from its template when it is created; the
// templates themselves live in src/resources and are registered here by id.
#pragma once

#include <string>
#include <vector>

namespace fw {

// A rectangle in dialog units: x, y, width, height.
struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const Rect&) const = default;
};

enum class ControlKind {
    Static,    // text
    GroupBox,  // a labelled frame around other controls
    Frame,     // a plain grey frame
    Edit,
    CheckBox,
    RadioButton,
    PushButton,
    ListBox,
    Progress,
    IpAddress,
    Tab,
    Icon,     // a static showing an icon resource
    Picture,  // a static showing a bitmap resource
};

// Control styles. A control is visible and enabled unless the template says otherwise.
enum ControlStyle : unsigned {
    STYLE_HIDDEN = 1u << 0,
    STYLE_DISABLED = 1u << 1,
    STYLE_PASSWORD = 1u << 2,     // edit: typed characters are masked
    STYLE_DIGITS_ONLY = 1u << 3,  // edit: typing accepts digits only
    STYLE_RIGHT = 1u << 4,        // text right-aligned
    STYLE_CENTER = 1u << 5,       // text centred
    STYLE_SUNKEN = 1u << 6,       // sunken border
    STYLE_HSCROLL = 1u << 7,      // edit: text scrolls horizontally beyond the box
    STYLE_VSCROLL = 1u << 8,      // list: vertical scroll bar
    STYLE_DEFAULT_BUTTON = 1u << 9,
    STYLE_GROUP = 1u << 10,    // starts a group (radio groups, arrow-key navigation)
    STYLE_TABSTOP = 1u << 11,  // reached with the Tab key
    STYLE_SMOOTH = 1u << 12,   // progress: a continuous bar instead of blocks
};

// Dialog styles.
enum DialogStyle : unsigned {
    DLG_CHILD = 1u << 0,    // lives inside its parent, at its template position
    DLG_VISIBLE = 1u << 1,  // shown as soon as it is created
    DLG_CAPTION = 1u << 2,  // title bar
    DLG_SYSMENU = 1u << 3,  // system menu on the title bar
    DLG_MINIMIZEBOX = 1u << 4,
    DLG_MODALFRAME = 1u << 5,
};

struct ControlTemplate {
    int id = -1;  // -1: a control nobody addresses (IDC_STATIC)
    ControlKind kind = ControlKind::Static;
    std::string caption;
    Rect rect;
    unsigned style = 0;
    int image = 0;  // icon or bitmap resource id, for Icon and Picture controls
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    Rect rect;  // for child dialogs, x and y place it inside the parent
    unsigned style = 0;
    std::vector<ControlTemplate> controls;  // in creation (and tab) order
};

// The registry of templates by id. Registering a template with an id already known
// replaces it. The registry keeps a pointer: the template must outlive its use.
void RegisterDialogTemplate(const DialogTemplate& dialog);
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace fw
