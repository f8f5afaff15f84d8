#include "framework/ui/ip_address_ctrl.h"

namespace fw {

CIPAddressCtrl::CIPAddressCtrl(CDialog& parent, const ControlTemplate& line)
    : CControl(parent, line) {}

void CIPAddressCtrl::StoreFields(const std::array<int, 4>& fields) {
    if (fields == fields_) return;
    fields_ = fields;
    NotifyChange(Change::Address);
}

void CIPAddressCtrl::SetAddress(std::uint32_t address) {
    StoreFields({static_cast<int>(address >> 24 & 0xFF), static_cast<int>(address >> 16 & 0xFF),
                 static_cast<int>(address >> 8 & 0xFF), static_cast<int>(address & 0xFF)});
}

void CIPAddressCtrl::SetAddress(std::uint8_t f0, std::uint8_t f1, std::uint8_t f2,
                                std::uint8_t f3) {
    StoreFields({f0, f1, f2, f3});
}

int CIPAddressCtrl::GetAddress(std::uint32_t& address) const {
    address = 0;
    int filled = 0;
    for (int field : fields_) {
        address = address << 8 | static_cast<std::uint32_t>(field < 0 ? 0 : field);
        if (field >= 0) ++filled;
    }
    return filled;
}

int CIPAddressCtrl::GetAddress(std::uint8_t& f0, std::uint8_t& f1, std::uint8_t& f2,
                               std::uint8_t& f3) const {
    std::uint32_t address = 0;
    int filled = GetAddress(address);
    f0 = static_cast<std::uint8_t>(address >> 24);
    f1 = static_cast<std::uint8_t>(address >> 16);
    f2 = static_cast<std::uint8_t>(address >> 8);
    f3 = static_cast<std::uint8_t>(address);
    return filled;
}

void CIPAddressCtrl::ClearAddress() {
    StoreFields({-1, -1, -1, -1});
}

bool CIPAddressCtrl::IsBlank() const {
    for (int field : fields_) {
        if (field >= 0) return false;
    }
    return true;
}

int CIPAddressCtrl::GetField(int index) const {
    if (index < 0 || index > 3) return -1;
    return fields_[index];
}

std::string CIPAddressCtrl::GetFieldText(int index) const {
    int field = GetField(index);
    return field < 0 ? std::string() : std::to_string(field);
}

int CIPAddressCtrl::FieldFromText(std::string_view text) {
    int value = 0;
    int digits = 0;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        if (digits == 3) break;
        value = value * 10 + (c - '0');
        ++digits;
    }
    if (digits == 0) return -1;
    return value > 255 ? 255 : value;
}

bool CIPAddressCtrl::SetFieldText(int index, std::string_view text) {
    if (index < 0 || index > 3) return false;
    std::array<int, 4> fields = fields_;
    fields[index] = FieldFromText(text);
    StoreFields(fields);
    return true;
}

void CIPAddressCtrl::SetWindowText(std::string_view text) {
    std::array<int, 4> fields{-1, -1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        std::size_t dot = text.find('.');
        fields[i] = FieldFromText(text.substr(0, dot));
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    StoreFields(fields);
}

std::string CIPAddressCtrl::GetWindowText() const {
    if (IsBlank()) return {};
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (i) text += '.';
        text += GetFieldText(i);
    }
    return text;
}

bool CIPAddressCtrl::EnterAddress(std::string_view text) {
    if (!AcceptsInput()) return false;
    SetWindowText(text);
    return true;
}

}  // namespace fw
