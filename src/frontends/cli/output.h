// Where the command line's words go. Results and information boxes go to stdout, failures
// and log lines to stderr. On a terminal one line at a time may be transient (the progress
// bar on stderr, the countdown numbers on stdout): it is redrawn in place and wiped before
// anything else is written, so the lines that stay are never mixed with it.
//
// Under --json stdout holds JSON only: the results and messages are kept, in order, for the
// object printed at the end (messages on stderr are still printed there too).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class Output {
public:
    Output(std::FILE* out, std::FILE* err, bool out_is_terminal, bool err_is_terminal);

    bool OutIsTerminal() const { return out_terminal_; }
    bool ErrIsTerminal() const { return err_terminal_; }

    // From now on results are kept as messages instead of printed, and so is every message
    // on stderr.
    void KeepMessagesForJson() { json_ = true; }
    const std::vector<std::string>& Messages() const { return messages_; }
    // The last message written to stderr ("" before any).
    const std::string& LastErr() const { return last_err_; }

    // Whole lines: a missing final line feed is added.
    void Out(std::string_view text);
    void Err(std::string_view text);
    // A line on stderr that is no message of the run (a log line, a question).
    void Log(std::string_view text);
    // JSON on stdout or stderr, as it is, with a final line feed.
    void JsonOut(std::string_view json) { Raw(out_, json); }
    void JsonErr(std::string_view json) { Raw(err_, json); }

    // The transient line of a stream (on a terminal only; elsewhere nothing is written).
    void TransientOut(std::string_view line) { Transient(out_, line); }
    void TransientErr(std::string_view line) { Transient(err_, line); }
    // The transient line stays as a line of its own.
    void KeepTransient();
    void ClearTransient();

private:
    void Transient(std::FILE* stream, std::string_view line);
    void Write(std::FILE* stream, std::string_view text);
    void Raw(std::FILE* stream, std::string_view text);
    void Keep(std::string_view text);

    std::FILE* out_;
    std::FILE* err_;
    bool out_terminal_;
    bool err_terminal_;
    std::FILE* transient_ = nullptr;  // the stream that holds a transient line, if any
    bool json_ = false;
    std::vector<std::string> messages_;
    std::string last_err_;
};

// A message box's text as lines: the text itself with exactly one final line feed
// (several trailing line ends are kept but for the last, so blank lines stay blank). Text
// that reached a box from outside cannot steer the terminal: control characters other
// than line feeds, tabs and line-ending carriage returns are shown escaped.
std::string AsLines(std::string_view text);

}  // namespace cli
