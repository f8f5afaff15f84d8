// CIPAddressCtrl: four fields of 0 to 255, each of which may be blank. As one 32-bit
// value the first field is the most significant byte, and a blank field counts as 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "framework/ui/control.h"

namespace fw {

class CIPAddressCtrl : public CControl {
public:
    CIPAddressCtrl(CDialog& parent, const ControlTemplate& line);

    void SetAddress(std::uint32_t address);
    void SetAddress(std::uint8_t f0, std::uint8_t f1, std::uint8_t f2, std::uint8_t f3);
    // Both return the number of fields that are not blank.
    int GetAddress(std::uint32_t& address) const;
    int GetAddress(std::uint8_t& f0, std::uint8_t& f1, std::uint8_t& f2, std::uint8_t& f3) const;
    void ClearAddress();
    bool IsBlank() const;

    // A field as text: its digits, or empty when blank (index 0..3).
    std::string GetFieldText(int index) const;
    // -1 when blank or out of range.
    int GetField(int index) const;
    // Sets one field from text: digits only (others are dropped), at most three, a
    // value above 255 becomes 255, no digits make it blank. False for a bad index.
    bool SetFieldText(int index, std::string_view text);

    // "a.b.c.d" with blank fields empty; setting the text parses the same form.
    void SetWindowText(std::string_view text) override;
    std::string GetWindowText() const override;

    // A person's entry of a whole address ("10.0.0.5"): false when the control does not
    // accept input.
    bool EnterAddress(std::string_view text);

private:
    static int FieldFromText(std::string_view text);
    void StoreFields(const std::array<int, 4>& fields);

    std::array<int, 4> fields_{-1, -1, -1, -1};
};

}  // namespace fw
