// A fraction source for tests that repeats a fixed list of fractions, whatever they are, and
// counts the seeds and draws.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "image/image_platform.h"

namespace korvo::test {

class CyclingFractions : public RandomFractions {
public:
    explicit CyclingFractions(std::vector<float> fractions) : m_fractions(std::move(fractions)) {}

    void SeedRandomFromClock() override { ++m_seeds; }

    float NextRandomFraction() override {
        if (m_seeds == 0) {
            ++m_drawsBeforeSeed;
        }
        const float r = m_fractions[m_draws % m_fractions.size()];
        ++m_draws;
        return r;
    }

    int Seeds() const { return m_seeds; }
    std::size_t Draws() const { return m_draws; }
    std::size_t DrawsBeforeSeed() const { return m_drawsBeforeSeed; }

private:
    std::vector<float> m_fractions;
    int m_seeds = 0;
    std::size_t m_draws = 0;
    std::size_t m_drawsBeforeSeed = 0;
};

}  // namespace korvo::test
