// The desktop of the command line. Message boxes become words: an information box on
// stdout, any other box on stderr, and a stop-icon box makes the command fail. The
// Retry/Cancel box of a lost acknowledgement answers Cancel, unless a person sits at the
// terminal to ask. The open-file dialog answers with the file the command names, and modal
// dialogs are handed to the driver that follows them.
#pragma once

#include <functional>

#include "framework/desktop.h"

namespace cli {

class Session;

class CliDesktop : public fw::Desktop {
public:
    using ModalRunner = std::function<int(fw::CDialog&)>;

    CliDesktop(Session& session, ModalRunner run_modal);

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    std::optional<std::string> OpenFile(const std::string& filter, unsigned flags) override;
    int RunModal(fw::CDialog& dialog) override;

private:
    int AskRetryOrCancel();

    Session& session_;
    ModalRunner run_modal_;
};

}  // namespace cli
