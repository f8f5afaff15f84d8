// The design's fixed-size text buffers, made safe: assigning a longer text keeps its first
// N - 1 characters instead of overflowing.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace fw {

template <std::size_t N>
class FixedText {
    static_assert(N > 0);

public:
    FixedText() = default;
    FixedText(std::string_view s) { Assign(s); }  // NOLINT: implicit like a char buffer
    FixedText& operator=(std::string_view s) {
        Assign(s);
        return *this;
    }
    void Assign(std::string_view s) {
        std::size_t n = s.size() < N - 1 ? s.size() : N - 1;
        if (n) std::memcpy(buf_, s.data(), n);
        buf_[n] = '\0';
    }
    void Clear() { buf_[0] = '\0'; }
    const char* c_str() const { return buf_; }
    std::size_t size() const { return std::strlen(buf_); }
    bool empty() const { return buf_[0] == '\0'; }
    static constexpr std::size_t capacity() { return N; }
    std::string str() const { return buf_; }
    operator std::string_view() const { return buf_; }  // NOLINT
    bool operator==(std::string_view s) const { return std::string_view(buf_) == s; }

private:
    char buf_[N] = {};
};

}  // namespace fw
