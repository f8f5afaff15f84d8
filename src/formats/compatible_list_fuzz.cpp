// Feeds arbitrary files to the compatible-list reader: the count must never exceed what
// the buffer holds, and the buffer must never be written past its end.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "formats/compatible_list.h"
#include "formats/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = FuzzInputFile(data, size);
    if (path.empty()) return 0;
    // An exact-size heap buffer, so that AddressSanitizer sees any byte written past it.
    constexpr std::size_t kSize = kMaxCompatibleList;
    auto buffer = std::make_unique<char[]>(kSize);
    int boxes = 0;
    int count = ReadCompatibleList(
        path, buffer.get(), kSize, [](const std::string&) {},
        [&boxes](const std::string&, unsigned) { ++boxes; });
    if (count < 0 || static_cast<std::size_t>(count) > kSize || boxes > 1) std::abort();
    // Walking `count` identifiers stays inside the buffer.
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        const void* zero = std::memchr(buffer.get() + at, 0, kSize - at);
        if (!zero) std::abort();
        at = static_cast<std::size_t>(static_cast<const char*>(zero) - buffer.get()) + 1;
    }
    return 0;
}
