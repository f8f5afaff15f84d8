#include "framework/net.h"

#include <charconv>

namespace fw {

std::string FormatIp(std::uint32_t addr) {
    // Every datagram received passes through here: to_chars costs a tenth of snprintf.
    char text[16];
    char* end = text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        end = std::to_chars(end, text + sizeof text, (addr >> shift) & 0xFF).ptr;
        if (shift > 0) *end++ = '.';
    }
    return std::string(text, end);
}

std::optional<std::uint32_t> ParseIp(std::string_view text) {
    std::uint32_t addr = 0;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
        addr = (addr << 8) | value;
    }
    if (pos != text.size()) return std::nullopt;
    return addr;
}

NetStack& DefaultStack() {
    return RealNet();
}

}  // namespace fw
