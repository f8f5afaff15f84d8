#include "frontends/cli/session.h"

#include "frontends/cli/signals.h"

namespace cli {

Session::Session(const CliOptions& options, Output& output, bool stdin_is_terminal)
    : options_(options), output_(output), stdin_terminal_(stdin_is_terminal) {}

void Session::NoteFailure() {
    if (!failed_) failureText_ = output_.LastErr();
    failed_ = true;
}

void Session::Fail(const std::string& text) {
    output_.Err(text);
    NoteFailure();
}

void Session::Finish(int status) {
    if (!status_) status_ = status;
}

bool Session::ShouldUnwind() const {
    return status_.has_value() || StopSignal() != 0;
}

int Session::ExitStatus() const {
    if (int signal_number = StopSignal(); signal_number != 0) {
        if (options_.command == Command::kServe && !failed_) return 0;
        return ExitStatusForSignal(signal_number);
    }
    if (failed_) return failureStatus_;
    return status_.value_or(0);
}

std::optional<std::string> Session::TakeChosenFile() {
    std::optional<std::string> chosen = std::move(nextFile_);
    nextFile_.reset();
    return chosen;
}

bool Session::TakeBoxShown() {
    bool shown = boxShown_;
    boxShown_ = false;
    return shown;
}

}  // namespace cli
