// Random fractions for the release tool's scrambler.
#include "clock_random_fractions.h"

#include <chrono>
#include <cstdint>

namespace korvo::tool {
namespace {

constexpr int kFractionBits = 24;  // a float's mantissa holds 24 bits exactly
constexpr float kFractionScale = 1.0f / static_cast<float>(1u << kFractionBits);

}  // namespace

void ClockRandomFractions::SeedRandomFromClock() {
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    std::random_device device;
    std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32),
                       device(), device()};
    m_engine.seed(seed);
}

float ClockRandomFractions::NextRandomFraction() {
    const std::uint32_t bits = m_engine() >> (32 - kFractionBits);
    return static_cast<float>(bits) * kFractionScale;
}

}  // namespace korvo::tool
