// Desktop services behind one interface: message boxes, the open-file dialog and modal
// dialog display. The terminal UI, the command line and tests each provide one.
#pragma once

#include <optional>
#include <string>

namespace fw {

class CDialog;

// Message box flags and answers, with the values of the original platform.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,  // the second button is the default (Enter, and the first focus)
};
enum : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7 };

// Open-file dialog flags.
enum : unsigned {
    OFN_OVERWRITEPROMPT = 0x2,
    OFN_HIDEREADONLY = 0x4,
    OFN_NOCHANGEDIR = 0x8,
    OFN_FILEMUSTEXIST = 0x1000,
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Shows a box and returns the answer (IDOK, IDCANCEL, IDRETRY, IDYES, IDNO).
    virtual int MessageBox(const std::string& text, const std::string& caption,
                           unsigned flags) = 0;
    // Asks for a file. `filter` is in the template form "Pack(*.pack)|*.pack|...".
    // Returns the chosen full path, or nothing on cancel. Does not move the current
    // directory: ChooseFile does that.
    virtual std::optional<std::string> OpenFile(const std::string& filter, unsigned flags) = 0;
    // Shows a dialog modally: runs a nested event loop until the dialog ends, and returns
    // the code given to EndDialog.
    virtual int RunModal(CDialog& dialog) = 0;
};

// The installed desktop, or a headless stand-in while none is: its boxes go to stderr and
// answer OK (Cancel where the box has a Cancel button, No on a Yes/No box), it chooses no
// file, and its
// RunModal ends the dialog with IDCANCEL (CDialog::DoModal runs its own loop instead).
Desktop& TheDesktop();
// nullptr uninstalls; the caller keeps the desktop alive while it is installed.
void SetDesktop(Desktop* desktop);
// The installed desktop, or nullptr.
Desktop* InstalledDesktop();

// The caption of the program's message boxes: "Sperrow".
const std::string& AppName();

// The program's message box: the application's caption, the given flags.
int AfxMessageBox(const std::string& text, unsigned flags = MB_OK);

// The open-file dialog as the program uses it: on a choice, the process's current
// directory moves to the chosen file's folder unless OFN_NOCHANGEDIR is given.
std::optional<std::string> ChooseFile(const std::string& filter, unsigned flags);

}  // namespace fw
