// CEdit: a one-line text box. The program sets any text it likes; what a person types
// goes through the box's rules: digits only where the style says so, and the length
// limit. A password box keeps the real text and shows it masked.
#pragma once

#include <cstddef>

#include "framework/ui/control.h"

namespace fw {

class CEdit : public CControl {
public:
    CEdit(CDialog& parent, const ControlTemplate& line);

    bool IsPassword() const { return HasStyle(STYLE_PASSWORD); }
    bool IsDigitsOnly() const { return HasStyle(STYLE_DIGITS_ONLY); }

    // Characters a person may type into the box; 0: no limit of its own.
    void SetLimitText(std::size_t max_chars);
    void LimitText(std::size_t max_chars) { SetLimitText(max_chars); }
    std::size_t GetLimitText() const { return limit_; }

    char GetPasswordChar() const { return password_char_; }
    // The text as a person sees it: masked in a password box.
    std::string DisplayText() const;

    // Whether a typed character passes the box's filter.
    bool Accepts(char c) const;

    // Person's input. Each returns false, changing nothing, when the box does not accept
    // input. EnterText replaces the whole text as if typed: refused characters are
    // dropped and the rest cut at the limit. TypeChar appends one character.
    bool EnterText(std::string_view typed);
    bool TypeChar(char c);
    bool Backspace();

private:
    std::string Filtered(std::string_view typed, std::size_t room) const;

    std::size_t limit_ = 0;
    char password_char_ = '*';
};

}  // namespace fw
