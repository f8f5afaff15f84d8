// Text that came from outside the program (a file's entry names, a modem's answers) made
// safe to show: its control characters are written as escapes, so that they can neither
// forge lines of a description nor reach a terminal as commands.
#pragma once

#include <string>
#include <string_view>

namespace fw {

// C0 control characters and DEL.
inline bool IsControlChar(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// Every control character escaped: "\t", "\n" and "\r" as such, the others as "\xHH".
std::string EscapeControls(std::string_view text);

// The same for a text laid out in lines: line feeds and tabs stay, and so does a carriage
// return that ends a line (CR LF); every other control character is escaped.
std::string EscapeControlsInLines(std::string_view text);

}  // namespace fw
