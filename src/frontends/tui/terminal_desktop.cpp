#include "frontends/tui/terminal_desktop.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

#include "framework/ui/dialog.h"
#include "framework/ui/ui_events.h"
#include "frontends/tui/dialog_layer.h"
#include "frontends/tui/file_dialog_layer.h"
#include "frontends/tui/message_box_layer.h"

namespace tui {
namespace {

std::string CurrentFolder() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string("/");
}

}  // namespace

int TerminalDesktop::MessageBox(const std::string& text, const std::string& caption,
                                unsigned flags) {
    bool has_cancel = (flags & 0xF) != fw::MB_OK;
    if (screen_.quitting()) return has_cancel ? fw::IDCANCEL : fw::IDOK;
    fw::NotifyMessageBoxBegin(text, caption, flags);
    MessageBoxLayer box(text, caption, flags, std::max(30, screen_.grid().width() - 8));
    screen_.RunLayer(box);
    int answer = box.answer() ? box.answer() : has_cancel ? fw::IDCANCEL : fw::IDOK;
    fw::NotifyMessageBoxEnd(answer);
    return answer;
}

std::optional<std::string> TerminalDesktop::OpenFile(const std::string& filter, unsigned) {
    if (screen_.quitting()) return std::nullopt;
    CellRect owner = screen_.OwnerRect();
    FileDialogLayer dialog(filter, CurrentFolder(), std::min(76, std::max(40, owner.width - 6)),
                           std::min(22, std::max(13, owner.height - 4)));
    screen_.RunLayer(dialog);
    return dialog.result();
}

int TerminalDesktop::RunModal(fw::CDialog& dialog) {
    if (screen_.quitting()) {
        dialog.EndDialog(fw::IDCANCEL);
        return fw::IDCANCEL;
    }
    DialogLayer layer(dialog, &screen_);
    layer.SetMainWindow(screen_.Empty());
    screen_.RunLayer(layer);
    if (!dialog.IsEnded()) dialog.EndDialog(fw::IDCANCEL);
    return dialog.ModalResult();
}

}  // namespace tui
