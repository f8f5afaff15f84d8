// ScriptedDesktop: a desktop for tests and the command line. It records every message box,
// file dialog and modal dialog, answers boxes from a queue (then from a default), returns
// queued paths from the file dialog, and hands each modal dialog to a handler registered
// for its template, which may drive it like a person would.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/desktop.h"

namespace fw {

class ScriptedDesktop : public Desktop {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned flags = 0;
        int answer = 0;
    };
    struct FileDialog {
        std::string filter;
        unsigned flags = 0;
        std::optional<std::string> answer;
    };
    struct Modal {
        int template_id = 0;
        std::string caption;
        int result = 0;  // what DoModal returned; 0 while the dialog is still running
    };
    using ModalHandler = std::function<void(CDialog&)>;
    using BoxHandler = std::function<int(const Box&)>;

    // --- The script ---------------------------------------------------------------
    // Answers for the next boxes, in order. An answer the box has no button for is
    // mapped: IDOK on a Retry/Cancel box is Retry, IDCANCEL on an OK box is OK, IDOK on a
    // Yes/No box is its default button and IDCANCEL its No.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    // The answer once the queue is empty (IDOK, or IDCANCEL), mapped the same way.
    void SetDefaultAnswer(int answer) { default_answer_ = answer; }
    // Decides boxes that the queue does not; its answer is mapped like the others.
    void SetBoxHandler(BoxHandler handler) { box_handler_ = std::move(handler); }
    // Paths the file dialog returns, in order; nullopt is a cancel. Empty queue: cancel.
    void QueueOpenFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    // The handler for modal dialogs of this template. It runs after the dialog's
    // OnInitDialog; a dialog it leaves open is closed with IDOK, as a person pressing OK.
    // Without a handler a dialog is closed with IDOK at once.
    void OnModal(int template_id, ModalHandler handler);

    // --- The record ---------------------------------------------------------------
    const std::vector<Box>& Boxes() const { return boxes_; }
    std::vector<std::string> BoxTexts() const;
    const std::vector<FileDialog>& FileDialogs() const { return file_dialogs_; }
    const std::vector<Modal>& Modals() const { return modals_; }
    std::vector<int> ModalTemplateIds() const;
    void ClearRecord();

    // --- Desktop --------------------------------------------------------------------
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    std::optional<std::string> OpenFile(const std::string& filter, unsigned flags) override;
    int RunModal(CDialog& dialog) override;

    // The answer a box with these flags gives for a wanted answer.
    static int MapAnswer(int wanted, unsigned flags);

private:
    std::deque<int> answers_;
    int default_answer_ = IDOK;
    BoxHandler box_handler_;
    std::deque<std::optional<std::string>> files_;
    std::map<int, ModalHandler> modal_handlers_;
    std::vector<Box> boxes_;
    std::vector<FileDialog> file_dialogs_;
    std::vector<Modal> modals_;
};

// Installs a desktop for the lifetime of the object and puts the previous one back.
class ScopedDesktop {
public:
    explicit ScopedDesktop(Desktop& desktop) : previous_(InstalledDesktop()) {
        SetDesktop(&desktop);
    }
    ~ScopedDesktop() { SetDesktop(previous_); }
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

private:
    Desktop* previous_;
};

}  // namespace fw
