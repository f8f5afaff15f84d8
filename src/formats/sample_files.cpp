#include "formats/sample_files.h"

#include "formats/formats.h"

namespace {

// A fixed xorshift sequence: the same bytes on every machine, so the checked-in files can
// be compared with what this code makes.
ByteVector DeterministicBytes(std::size_t n) {
    ByteVector out(n);
    std::uint32_t x = 0x5EB0'0D1Eu;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return out;
}

}  // namespace

ByteVector BuildSampleImagePayload() {
    return BuildImage(kSampleImageVersion, DeterministicBytes(kSamplePayloadSize));
}

ByteVector BuildSampleComp() {
    ByteVector file = BuildSampleImagePayload();
    AppendCompatibleList(file, {kSampleBoard});
    return file;
}

ByteVector BuildSamplePack() {
    ByteVector file = BuildPack(kMagicPk11, "HW1.0",
                                {{"image", BuildSampleImagePayload()},
                                 {"info", ToBytes("Sperrow Labs;2026-12-01;HW1.0;FW2.3;")},
                                 {"hw.cond", ToBytes("board=SIM-BOARD-1\n")}});
    AppendCompatibleList(file, {kSampleBoard});
    return file;
}
