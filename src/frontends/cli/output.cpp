#include "frontends/cli/output.h"

#include "framework/printable.h"

namespace cli {

namespace {
// Back to the start of the line and erase it.
constexpr std::string_view kWipeLine = "\r\033[K";
}  // namespace

std::string AsLines(std::string_view text) {
    std::string lines = fw::EscapeControlsInLines(text);
    if (lines.empty() || lines.back() != '\n') lines += '\n';
    return lines;
}

Output::Output(std::FILE* out, std::FILE* err, bool out_is_terminal, bool err_is_terminal)
    : out_(out), err_(err), out_terminal_(out_is_terminal), err_terminal_(err_is_terminal) {}

void Output::Write(std::FILE* stream, std::string_view text) {
    ClearTransient();
    std::string lines = AsLines(text);
    std::fwrite(lines.data(), 1, lines.size(), stream);
    std::fflush(stream);
}

void Output::Raw(std::FILE* stream, std::string_view text) {
    ClearTransient();
    std::fwrite(text.data(), 1, text.size(), stream);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stream);
    std::fflush(stream);
}

void Output::Keep(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    messages_.emplace_back(text);
}

void Output::Out(std::string_view text) {
    if (json_) {
        Keep(text);
        return;
    }
    Write(out_, text);
}
void Output::Err(std::string_view text) {
    if (json_) Keep(text);
    last_err_ = text;
    Write(err_, text);
}
void Output::Log(std::string_view text) {
    Write(err_, text);
}

void Output::Transient(std::FILE* stream, std::string_view line) {
    bool terminal = stream == out_ ? out_terminal_ : err_terminal_;
    if (!terminal) return;
    if (transient_ && transient_ != stream) ClearTransient();
    std::string shown = fw::EscapeControls(line);
    std::fwrite(kWipeLine.data(), 1, kWipeLine.size(), stream);
    std::fwrite(shown.data(), 1, shown.size(), stream);
    std::fflush(stream);
    transient_ = stream;
}

void Output::KeepTransient() {
    if (!transient_) return;
    std::fputc('\n', transient_);
    std::fflush(transient_);
    transient_ = nullptr;
}

void Output::ClearTransient() {
    if (!transient_) return;
    std::fwrite(kWipeLine.data(), 1, kWipeLine.size(), transient_);
    std::fflush(transient_);
    transient_ = nullptr;
}

}  // namespace cli
