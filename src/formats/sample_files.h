// The sample firmware files bundled in samples/: a "PK11" pack and an "LZ01" image for the
// demo and the tests, both suited to the simulated modem's default board.
#pragma once

#include "formats/pack_builder.h"

inline constexpr const char* kSampleBoard = "SIM-BOARD-1";
inline constexpr const char* kSampleImageVersion = "10402300";
inline constexpr std::size_t kSamplePayloadSize = 40000;

// The compressed image: "LZ01", the version, a deterministic payload; no trailer.
ByteVector BuildSampleImagePayload();
// sample.comp: the image followed by the compatible list naming kSampleBoard.
ByteVector BuildSampleComp();
// sample.pack: "PK11" with "image", "info" and "hw.cond", then the same compatible list.
ByteVector BuildSamplePack();
