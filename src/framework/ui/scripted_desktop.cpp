#include "framework/ui/scripted_desktop.h"

#include "framework/ui/dialog.h"
#include "framework/ui/ui_events.h"

namespace fw {

int ScriptedDesktop::MapAnswer(int wanted, unsigned flags) {
    switch (flags & 0xF) {
        case MB_OK:
            return IDOK;  // the only button; Escape answers it too
        case MB_RETRYCANCEL:
            return wanted == IDCANCEL ? IDCANCEL : IDRETRY;
        case MB_YESNO:
            // OK is Enter: the default button.
            if (wanted == IDYES || wanted == IDNO) return wanted;
            if (wanted == IDOK) return (flags & MB_DEFBUTTON2) ? IDNO : IDYES;
            return IDNO;
        default:  // OK and Cancel
            return wanted == IDCANCEL ? IDCANCEL : IDOK;
    }
}

int ScriptedDesktop::MessageBox(const std::string& text, const std::string& caption,
                                unsigned flags) {
    NotifyMessageBoxBegin(text, caption, flags);
    Box box{text, caption, flags, 0};
    int wanted = default_answer_;
    if (!answers_.empty()) {
        wanted = answers_.front();
        answers_.pop_front();
    } else if (box_handler_) {
        wanted = box_handler_(box);
    }
    box.answer = MapAnswer(wanted, flags);
    boxes_.push_back(box);
    NotifyMessageBoxEnd(box.answer);
    return box.answer;
}

std::vector<std::string> ScriptedDesktop::BoxTexts() const {
    std::vector<std::string> texts;
    for (const Box& box : boxes_) texts.push_back(box.text);
    return texts;
}

std::optional<std::string> ScriptedDesktop::OpenFile(const std::string& filter, unsigned flags) {
    std::optional<std::string> answer;
    if (!files_.empty()) {
        answer = std::move(files_.front());
        files_.pop_front();
    }
    file_dialogs_.push_back({filter, flags, answer});
    return answer;
}

void ScriptedDesktop::OnModal(int template_id, ModalHandler handler) {
    modal_handlers_[template_id] = std::move(handler);
}

std::vector<int> ScriptedDesktop::ModalTemplateIds() const {
    std::vector<int> ids;
    for (const Modal& modal : modals_) ids.push_back(modal.template_id);
    return ids;
}

void ScriptedDesktop::ClearRecord() {
    boxes_.clear();
    file_dialogs_.clear();
    modals_.clear();
}

int ScriptedDesktop::RunModal(CDialog& dialog) {
    // Recorded by index: a handler may open further modal dialogs meanwhile.
    std::size_t index = modals_.size();
    modals_.push_back({dialog.TemplateId(), dialog.GetWindowText(), 0});
    auto it = modal_handlers_.find(dialog.TemplateId());
    if (it != modal_handlers_.end()) {
        ModalHandler handler = it->second;  // it may register handlers itself
        handler(dialog);
    }
    if (!dialog.IsEnded()) dialog.EndDialog(IDOK);
    modals_[index].result = dialog.ModalResult();
    return dialog.ModalResult();
}

}  // namespace fw
