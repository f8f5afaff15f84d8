// Splitting the identification files that the modem sends into the information fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Parses the data of block 1 of `remote_name` ("info", "ProductInfo" or "hw.prof"; other
// names change nothing). The data end at the first zero byte or at `len`. Fields the text
// does not reach keep their contents; longer texts are cut at the field's size.
void ParseModemInfo(std::string_view remote_name, const std::uint8_t* data, std::size_t len);

// Empties the five fields that a new information read must not show stale.
void ClearModemInfoFields();
