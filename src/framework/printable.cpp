#include "framework/printable.h"

namespace fw {

namespace {

void AppendEscape(std::string& out, char c) {
    switch (c) {
        case '\t':
            out += "\\t";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        default:
            break;
    }
    static const char kHex[] = "0123456789abcdef";
    auto u = static_cast<unsigned char>(c);
    out += "\\x";
    out += kHex[u >> 4];
    out += kHex[u & 0x0F];
}

}  // namespace

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (IsControlChar(c))
            AppendEscape(out, c);
        else
            out += c;
    }
    return out;
}

std::string EscapeControlsInLines(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool line_end = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        bool layout = c == '\n' || c == '\t' || line_end;
        if (IsControlChar(c) && !layout)
            AppendEscape(out, c);
        else
            out += c;
    }
    return out;
}

}  // namespace fw
