// Firmware images for tests: a plain image whose every 2048-byte block is different, and its
// scrambled storage form made by the program's own scrambler.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "fake_window.h"
#include "image/firmware_image.h"
#include "state/updater_state.h"

namespace korvo::testing {

using PlainImage = std::array<std::uint8_t, kImageBytes>;

// "FW", version byte `version`, and a payload where block k's bytes mix k and the offset.
inline PlainImage MakePlainImage(std::uint8_t version = 0x18) {
    PlainImage image{};
    image[0] = 'F';
    image[1] = 'W';
    image[2] = 0x01;
    image[3] = version;
    image[4] = 0;
    for (std::size_t i = 8; i < image.size(); ++i) {
        const std::size_t block = (i - 8) / kBlockBytes;
        image[i] = static_cast<std::uint8_t>(block * 31 + (i - 8) * 7 + ((i - 8) >> 9));
    }
    return image;
}

inline std::vector<std::uint8_t> Scrambled(const PlainImage& image) {
    auto state = std::make_unique<UpdaterState>();
    state->ImageBuffer = image;
    FakeWindow random;
    ScrambleImage(*state, random);
    return {state->ScrambledImage.begin(), state->ScrambledImage.end()};
}

}  // namespace korvo::testing
