#include "framework/net.h"

#include <cstdio>

namespace fw {

std::string FormatIp(std::uint32_t addr) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (addr >> 24) & 0xFF, (addr >> 16) & 0xFF,
                  (addr >> 8) & 0xFF, addr & 0xFF);
    return text;
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

namespace {
NetStack* g_default_stack = nullptr;
}

NetStack& DefaultStack() {
    return g_default_stack ? *g_default_stack : RealNet();
}

void SetDefaultStack(NetStack* stack) {
    g_default_stack = stack;
}

}  // namespace fw
