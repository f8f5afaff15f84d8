// How the receive-path fuzz targets read their input: bytes and words taken in turn, data
// lengths that can make a transfer go on, and raw datagrams of the sizes worth meeting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "tftp/packet.h"

namespace testhost {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    bool Empty() const { return p_ >= end_; }
    std::uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
    // n bytes: taken from the input while it lasts, then a filler.
    std::vector<std::uint8_t> Bytes(std::size_t n) {
        std::vector<std::uint8_t> out;
        out.reserve(n);
        while (out.size() < n)
            out.push_back(p_ < end_ ? *p_++ : static_cast<std::uint8_t>('a' + out.size() % 26));
        return out;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// A data length: 0xFF means a full block, so that a transfer can go on.
inline std::size_t FuzzDataLength(std::uint8_t b) {
    return b == 0xFF ? tftp::kBlockSize : b;
}

// A length byte, then that many bytes; or, for a length byte from 0xF0 up, one of the
// sizes worth meeting (the header's and the block's edges, the receive buffer's edge and an
// Ethernet frame's worth) filled with the next byte.
inline std::vector<std::uint8_t> FuzzRawDatagram(FuzzInput& in) {
    static const std::size_t kEdges[] = {0,   1,   2,    3,    4,    5,    515,
                                         516, 517, 1023, 1024, 1025, 1500, 4000};
    std::uint8_t b = in.Byte();
    if (b < 0xF0) return in.Bytes(b);
    std::size_t n = kEdges[(b - 0xF0) % std::size(kEdges)];
    return std::vector<std::uint8_t>(n, in.Byte());
}

// A promise broken: the fuzzer records the input.
inline void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace testhost
