#include "framework/ui/edit.h"

#include <string>

namespace fw {

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t CountCodePoints(const std::string& text) {
    std::size_t n = 0;
    for (char c : text) n += IsContinuationByte(c) ? 0 : 1;
    return n;
}

}  // namespace

CEdit::CEdit(CDialog& parent, const ControlTemplate& line) : CControl(parent, line) {}

void CEdit::SetLimitText(std::size_t max_chars) {
    limit_ = max_chars;
}

std::string CEdit::DisplayText() const {
    if (!IsPassword()) return text_;
    return std::string(CountCodePoints(text_), password_char_);
}

bool CEdit::Accepts(char c) const {
    // A one-line box takes no control characters; bytes of multi-byte characters pass.
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    if (IsDigitsOnly()) return c >= '0' && c <= '9';
    return true;
}

std::string CEdit::Filtered(std::string_view typed, std::size_t room) const {
    // Counted in characters, not bytes: a multi-byte character is kept or dropped whole.
    std::string out;
    std::size_t count = 0;
    for (std::size_t i = 0; i < typed.size();) {
        std::size_t len = 1;
        while (i + len < typed.size() && IsContinuationByte(typed[i + len])) ++len;
        if (Accepts(typed[i])) {
            if (count >= room) break;
            out.append(typed.substr(i, len));
            ++count;
        }
        i += len;
    }
    return out;
}

bool CEdit::EnterText(std::string_view typed) {
    if (!AcceptsInput()) return false;
    StoreText(Filtered(typed, limit_ ? limit_ : std::string::npos));
    return true;
}

bool CEdit::TypeChar(char c) {
    if (!AcceptsInput()) return false;
    if (IsContinuationByte(c)) {  // the rest of a character begun by the previous byte
        if (text_.empty()) return false;
        StoreText(text_ + c);
        return true;
    }
    if (!Accepts(c)) return false;
    if (limit_ && CountCodePoints(text_) >= limit_) return false;
    StoreText(text_ + c);
    return true;
}

bool CEdit::Backspace() {
    if (!AcceptsInput() || text_.empty()) return false;
    std::string text = text_;
    while (!text.empty() && IsContinuationByte(text.back())) text.pop_back();
    if (!text.empty()) text.pop_back();
    StoreText(text);
    return true;
}

}  // namespace fw
