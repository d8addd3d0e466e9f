// The firmware image in its two forms: the 131,080-byte image (header and payload) and the
// scrambled storage form four times its size, with the load, unscramble and scramble routines.
#pragma once

#include <cstdint>
#include <string_view>

#include "image/image_platform.h"
#include "state/updater_state.h"

namespace korvo {

inline constexpr std::string_view kImageResourceType = "JPG";
inline constexpr std::int16_t kImageResourceId = 100;

// Turns ScrambledImage into ImageBuffer (replaced whole, all 131,080 bytes).
void UnscrambleImage(UpdaterState& state);

// Loads the resource of type "JPG" and id ImageResourceId into ScrambledImage, unscrambles it and
// tests the header. UpdateError is True from the start and False only when every test passed;
// ImgMajor and ImgMinor are set from header byte 3 once the magic has passed.
void LoadImage(UpdaterState& state, ResourceLoader& resources);

// Turns ImageBuffer into a fresh ScrambledImage with random filler bytes, seeding `random` from
// the clock once per call.
void ScrambleImage(UpdaterState& state, RandomFractions& random);

}  // namespace korvo
