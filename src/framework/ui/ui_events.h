// What the front-ends need to hear about to keep a picture of the dialogs up to date:
// dialogs created and destroyed, controls and dialogs whose state changed, modal dialogs
// and message boxes opening and closing. Events are only raised for real changes.
#pragma once

#include <functional>
#include <string>

namespace fw {

class CDialog;
class CWnd;

enum class Change {
    None,
    Text,   // window text (caption of a dialog)
    Check,  // check state of a button
    Enabled,
    Visible,
    Items,      // lines of a list, items of a tab control
    Selection,  // current line or tab, scroll position of a list
    Range,      // progress range or step
    Position,   // progress position
    Image,      // icon or bitmap of a static, icon of a dialog
    Address,    // fields of an IP address control
    Focus,
    Iconic,  // a dialog minimized or restored
};

struct UiEvent {
    enum class Kind {
        DialogCreated,  // its controls exist and OnInitDialog has run
        DialogDestroyed,
        DialogChanged,    // `change` says what
        ControlChanged,   // `control` of `dialog`; `change` says what
        ModalBegin,       // `dialog` starts running modally
        ModalEnd,         // `code` is what DoModal returns
        MessageBoxBegin,  // `text`, `caption`, `flags`
        MessageBoxEnd,    // `code` is the answer
    };
    Kind kind = Kind::DialogChanged;
    CDialog* dialog = nullptr;
    CWnd* control = nullptr;
    Change change = Change::None;
    int code = 0;
    unsigned flags = 0;
    std::string text;
    std::string caption;
};

using UiListener = std::function<void(const UiEvent&)>;

// Listeners are called in the order they were added. A listener may add or remove
// listeners; one removed during an event is not called for it any more.
int AddUiListener(UiListener listener);
void RemoveUiListener(int token);
void EmitUiEvent(const UiEvent& event);

// Desktop implementations call these around a message box so that listeners see it.
void NotifyMessageBoxBegin(const std::string& text, const std::string& caption, unsigned flags);
void NotifyMessageBoxEnd(int answer);

// Adds a listener for the lifetime of the object.
class ScopedUiListener {
public:
    explicit ScopedUiListener(UiListener listener) : token_(AddUiListener(std::move(listener))) {}
    ~ScopedUiListener() { RemoveUiListener(token_); }
    ScopedUiListener(const ScopedUiListener&) = delete;
    ScopedUiListener& operator=(const ScopedUiListener&) = delete;

private:
    int token_;
};

}  // namespace fw
