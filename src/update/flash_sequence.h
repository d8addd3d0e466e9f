// The flash sequence: every image block written and read back, the block for device address 0
// last, with one budget of failed attempts per block.
#pragma once

#include <cstdint>

#include "update/update_context.h"

namespace korvo {

inline constexpr std::int32_t kBlockWords = 512;           // a block is 4 x 512 bytes
inline constexpr std::int32_t kMainPassWords = 0x7C00;     // 62 blocks before the final one
inline constexpr std::int32_t kFirstImageOffset = 2056;    // image block 1
inline constexpr std::int32_t kFirstDeviceAddress = 1024;  // where image block 1 goes
inline constexpr std::int32_t kFinalImageOffset = 8;       // image block 0, written last
inline constexpr std::int32_t kFinalDeviceAddress = 0;
inline constexpr std::int32_t kAttemptsPerBlock = 50;  // failed writes and verifies together
inline constexpr int kProgressMax = 63;

// Leaves UpdateError as it was (False) when every block was written and verified; shows the
// failure's box and sets UpdateError True otherwise.
void FlashDevice(UpdateContext& context);

}  // namespace korvo
