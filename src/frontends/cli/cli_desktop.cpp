#include "frontends/cli/cli_desktop.h"

#include <unistd.h>

#include <cctype>
#include <string>

#include "framework/ui/ui_events.h"
#include "frontends/cli/pack_destination.h"
#include "frontends/cli/session.h"

namespace cli {

namespace {

constexpr unsigned kButtonsMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

// One line from the terminal; false at its end, on an error, or when a signal cut the
// wait short.
bool ReadAnswerLine(std::string& line) {
    line.clear();
    char c = 0;
    for (;;) {
        ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got <= 0) return false;
        if (c == '\n') return true;
        if (line.size() < 80) line += c;
    }
}

}  // namespace

CliDesktop::CliDesktop(Session& session, ModalRunner run_modal)
    : session_(session), run_modal_(std::move(run_modal)) {}

int CliDesktop::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    fw::NotifyMessageBoxBegin(text, caption, flags);
    session_.NoteBoxShown();
    PackDestination* pack = session_.Pack();
    std::string shown = pack ? pack->Shown(text) : text;
    int answer = fw::IDOK;
    if ((flags & kButtonsMask) == fw::MB_RETRYCANCEL) {
        session_.Out().Err(shown);
        answer = session_.StdinIsTerminal() && !session_.ShouldUnwind() ? AskRetryOrCancel()
                                                                        : fw::IDCANCEL;
        if (answer == fw::IDCANCEL) session_.NoteFailure();
    } else if ((flags & kIconMask) == fw::MB_ICONINFORMATION) {
        // The pack is complete by the time its closing message is shown: only now may it
        // take the destination's name.
        if (pack && !pack->Commit()) {
            session_.Fail("Error:\nCannot save the configuration as " + pack->Destination() + ".");
        } else {
            session_.Out().Out(shown);
        }
    } else {
        session_.Out().Err(shown);
        if ((flags & kIconMask) == fw::MB_ICONSTOP) session_.NoteFailure();
        if ((flags & kButtonsMask) == fw::MB_OKCANCEL) answer = fw::IDCANCEL;
    }
    fw::NotifyMessageBoxEnd(answer);
    return answer;
}

int CliDesktop::AskRetryOrCancel() {
    session_.Out().Log("[r]etry or [c]ancel? ");  // a question, not a message of the run
    std::string line;
    if (!ReadAnswerLine(line)) return fw::IDCANCEL;
    std::size_t first = line.find_first_not_of(" \t");
    bool retry =
        first != std::string::npos && std::tolower(static_cast<unsigned char>(line[first])) == 'r';
    return retry ? fw::IDRETRY : fw::IDCANCEL;
}

std::optional<std::string> CliDesktop::OpenFile(const std::string&, unsigned) {
    return session_.TakeChosenFile();
}

int CliDesktop::RunModal(fw::CDialog& dialog) {
    return run_modal_(dialog);
}

}  // namespace cli
