#include "frontends/tui/ip_edit.h"

#include <algorithm>
#include <string>

namespace tui {
namespace {

int FieldValue(const std::string& f) {
    return f.empty() ? 0 : std::stoi(f);
}

void Clamp(std::string& f) {
    // A number above 255 is brought back to the largest valid one, as the original
    // control did, rather than refused digit by digit.
    if (!f.empty() && FieldValue(f) > 255) f = "255";
}

void MoveTo(IpEditState& s, int field, bool at_end, const IpFields& fields) {
    s.field = std::clamp(field, 0, 3);
    s.cursor = at_end ? fields[static_cast<std::size_t>(s.field)].size() : 0;
    s.selected = false;
}

void Advance(IpEditState& s) {
    if (s.field < 3) {
        ++s.field;
        s.cursor = 0;
        s.selected = true;
    }
}

bool TypeDigit(IpFields& fields, IpEditState& s, char32_t ch) {
    std::string& f = fields[static_cast<std::size_t>(s.field)];
    if (s.selected) {
        f.clear();
        s.cursor = 0;
        s.selected = false;
    }
    if (f.size() >= 3) {
        if (s.field == 3) return false;
        Advance(s);
        return TypeDigit(fields, s, ch);
    }
    f.insert(s.cursor, 1, static_cast<char>(ch));
    ++s.cursor;
    Clamp(f);
    s.cursor = std::min(s.cursor, f.size());
    if (f.size() == 3 && s.cursor == 3 && s.field < 3) {
        Advance(s);
        s.just_advanced = true;
    }
    return true;
}

}  // namespace

IpEditState EnterIpControl() {
    return IpEditState{0, 0, true, false};
}

bool ApplyIpKey(IpFields& fields, IpEditState& s, const Key& key, bool* changed) {
    bool edited = false;
    s.field = std::clamp(s.field, 0, 3);
    std::string& f = fields[static_cast<std::size_t>(s.field)];
    s.cursor = std::min(s.cursor, f.size());
    bool just_advanced = s.just_advanced;
    s.just_advanced = false;
    switch (key.kind) {
        case Key::Char:
            if (key.ch >= U'0' && key.ch <= U'9') {
                edited = TypeDigit(fields, s, key.ch);
            } else if (key.ch == U'.' || key.ch == U' ') {
                // A dot right after an automatic move is the user finishing the field
                // that the control already finished for them.
                if (!just_advanced) Advance(s);
            }
            break;
        case Key::Left:
            if (s.cursor > 0 && !s.selected)
                --s.cursor;
            else if (s.field > 0)
                MoveTo(s, s.field - 1, true, fields);
            else
                s.selected = false;
            break;
        case Key::Right:
            if (s.selected)
                MoveTo(s, s.field, true, fields);
            else if (s.cursor < f.size())
                ++s.cursor;
            else if (s.field < 3)
                MoveTo(s, s.field + 1, false, fields);
            break;
        case Key::Home:
            MoveTo(s, 0, false, fields);
            break;
        case Key::End:
            MoveTo(s, 3, true, fields);
            break;
        case Key::Backspace:
            if (s.selected && !f.empty()) {
                f.clear();
                s.cursor = 0;
                s.selected = false;
                edited = true;
            } else if (s.cursor > 0) {
                f.erase(--s.cursor, 1);
                edited = true;
            } else if (s.field > 0) {
                MoveTo(s, s.field - 1, true, fields);
                std::string& prev = fields[static_cast<std::size_t>(s.field)];
                if (!prev.empty()) {
                    prev.pop_back();
                    s.cursor = prev.size();
                    edited = true;
                }
            }
            break;
        case Key::Delete:
            if (s.selected) {
                edited = !f.empty();
                f.clear();
                s.cursor = 0;
                s.selected = false;
            } else if (s.cursor < f.size()) {
                f.erase(s.cursor, 1);
                edited = true;
            }
            break;
        default:
            return false;
    }
    if (changed) *changed = edited;
    return true;
}

IpFields FieldsFromAddress(std::uint32_t a) {
    return {std::to_string((a >> 24) & 255), std::to_string((a >> 16) & 255),
            std::to_string((a >> 8) & 255), std::to_string(a & 255)};
}

std::uint32_t AddressFromFields(const IpFields& fields) {
    std::uint32_t a = 0;
    for (const std::string& f : fields)
        a = (a << 8) | static_cast<std::uint32_t>(std::min(FieldValue(f), 255));
    return a;
}

std::string IpDisplayText(const IpFields& fields) {
    std::string out;
    for (std::size_t i = 0; i < 4; ++i) {
        std::string f = fields[i].substr(0, 3);
        out += std::string(3 - f.size(), ' ') + f;
        if (i < 3) out += '.';
    }
    return out;
}

int IpCursorColumn(const IpFields& fields, const IpEditState& s) {
    int field = std::clamp(s.field, 0, 3);
    const std::string& f = fields[static_cast<std::size_t>(field)];
    int len = static_cast<int>(std::min<std::size_t>(f.size(), 3));
    int cursor = static_cast<int>(std::min(s.cursor, f.size()));
    return field * 4 + (3 - len) + cursor;
}

}  // namespace tui
