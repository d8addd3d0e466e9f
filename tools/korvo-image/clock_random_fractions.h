// Random fractions for the release tool's scrambler: a Mersenne Twister seeded from the clock and
// the system's random device.
#pragma once

#include <random>

#include "image/image_platform.h"

namespace korvo::tool {

class ClockRandomFractions : public RandomFractions {
public:
    void SeedRandomFromClock() override;
    // 24 random bits scaled to a float: 0 <= r <= 1 - 2^-24, never 1.
    float NextRandomFraction() override;

private:
    std::mt19937 m_engine{};
};

}  // namespace korvo::tool
