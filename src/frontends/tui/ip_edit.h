// The editing behaviour of the IPv4 address control: four fields of up to three digits,
// each 0..255. Entering a field selects it, so typing replaces what it held; a third digit
// or a dot moves on to the next field, Backspace at the start of a field goes back.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "frontends/tui/keys.h"

namespace tui {

using IpFields = std::array<std::string, 4>;  // digits only; an empty field counts as 0

struct IpEditState {
    int field = 0;
    std::size_t cursor = 0;
    bool selected = true;        // the field's text is selected: the next digit replaces it
    bool just_advanced = false;  // a third digit moved on by itself
};

// Returns true if the key belongs to the control (handled); `changed` tells whether a
// field's text changed.
bool ApplyIpKey(IpFields& fields, IpEditState& state, const Key& key, bool* changed = nullptr);

// The state of a control that has just received the focus.
IpEditState EnterIpControl();

// Fields from an address and back (first field most significant).
IpFields FieldsFromAddress(std::uint32_t addr);
std::uint32_t AddressFromFields(const IpFields& fields);

// Drawing: each field right-aligned in three cells, dots between: "192.168.  1.  1".
inline constexpr int kIpTextCells = 15;
std::string IpDisplayText(const IpFields& fields);
// The column of the cursor inside IpDisplayText.
int IpCursorColumn(const IpFields& fields, const IpEditState& state);

}  // namespace tui
