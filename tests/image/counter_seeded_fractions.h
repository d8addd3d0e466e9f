// A fraction source for tests: a Mersenne Twister that every seeding restarts from the next value
// of a counter, standing in for a clock that has moved on, so runs are repeatable.
#pragma once

#include <cstdint>
#include <random>

#include "image/image_platform.h"

namespace korvo::test {

class CounterSeededFractions : public RandomFractions {
public:
    explicit CounterSeededFractions(std::uint32_t firstSeed = 1) : m_nextSeed(firstSeed) {}

    void SeedRandomFromClock() override { m_engine.seed(m_nextSeed++); }

    // 24 random bits scaled to 0 <= r < 1.
    float NextRandomFraction() override {
        return static_cast<float>(m_engine() >> 8) / static_cast<float>(1u << 24);
    }

private:
    std::uint32_t m_nextSeed = 1;
    std::mt19937 m_engine{};
};

}  // namespace korvo::test
