// A valid image, version 1.7, in its stored form, made with the program's own scrambler from
// fractions that are the same on every run, so that the image seed is the same file every time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/firmware_image.h"
#include "image/image_format.h"
#include "image/image_platform.h"
#include "state/updater_state.h"

namespace korvo::fuzz {

inline constexpr std::uint8_t kSampleVersion = 0x17;
inline constexpr std::uint8_t kSampleNumber[kNumberBytes] = {0x02, 0x00, 0x00};

// Fractions that step by the golden ratio from 0, whatever the clock says.
class SteppedFractions : public RandomFractions {
public:
    void SeedRandomFromClock() override { m_next = 0.0; }
    float NextRandomFraction() override {
        constexpr double kStep = 0.6180339887498949;
        m_next += kStep;
        m_next -= static_cast<double>(static_cast<long long>(m_next));
        const auto fraction = static_cast<float>(m_next);
        return fraction < 1.0F ? fraction : 0.0F;
    }

private:
    double m_next = 0.0;
};

inline std::vector<std::uint8_t> SampleStoredImage() {
    auto state = std::make_unique<UpdaterState>();
    auto& image = state->ImageBuffer;
    image[kMagicOffset] = kImageMagic[0];
    image[kMagicOffset + 1] = kImageMagic[1];
    image[kVersionOffset] = kSampleVersion;
    image[kZeroByteOffset] = 0;
    for (std::size_t i = 0; i < kNumberBytes; ++i) {
        image[kNumberOffset + i] = kSampleNumber[i];
    }
    for (std::size_t i = kImageHeaderBytes; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    SteppedFractions fractions;
    ScrambleImage(*state, fractions);
    return {state->ScrambledImage.begin(), state->ScrambledImage.end()};
}

}  // namespace korvo::fuzz
