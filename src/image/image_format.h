// The layout of the firmware image (header and payload) and of its scrambled storage form: the
// offsets, magic, filler range and initial key shared by the loader, the scrambler and the tools.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "state/updater_state.h"

namespace korvo {

// Image header: "FW", a byte that is not examined, the version (major in the high nibble, minor in
// the low nibble), a zero byte and a 24-bit number, most significant byte first.
inline constexpr std::size_t kImageHeaderBytes = 8;
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::array<std::uint8_t, 2> kImageMagic = {0x46, 0x57};  // "FW"
inline constexpr std::size_t kHeaderByte2Offset = 2;
inline constexpr std::size_t kVersionOffset = 3;
inline constexpr std::size_t kZeroByteOffset = 4;
inline constexpr std::size_t kNumberOffset = 5;
inline constexpr std::size_t kNumberBytes = 3;
inline constexpr std::size_t kImagePayloadBytes = kImageBytes - kImageHeaderBytes;  // 131,072
inline constexpr std::size_t kPayloadBlocks = kImagePayloadBytes / kBlockBytes;     // 64

// Scrambled storage form: one group per image byte, the scrambled data byte followed by three
// filler bytes. The running key starts at kInitialScrambleKey and grows by every group's sum.
inline constexpr std::size_t kStoredGroupBytes = 4;
inline constexpr std::size_t kFillersPerGroup = kStoredGroupBytes - 1;
inline constexpr std::int32_t kInitialScrambleKey = 0xA5;
inline constexpr std::uint8_t kMinFiller = 1;
inline constexpr std::uint8_t kMaxFiller = 255;

static_assert(kInitialScrambleKey >= 0 && kInitialScrambleKey < 256);
static_assert(kScrambledBytes == kStoredGroupBytes * kImageBytes);
static_assert(kImagePayloadBytes % kBlockBytes == 0);

}  // namespace korvo
