// Helpers for the image tests: fresh state records, images with a chosen header, their stored
// forms, and a byte comparison that names the first difference.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "counter_seeded_fractions.h"
#include "image/firmware_image.h"
#include "image/image_format.h"
#include "state/updater_state.h"

namespace korvo::test {

using Image = std::array<std::uint8_t, kImageBytes>;
using Header = std::array<std::uint8_t, kImageHeaderBytes>;

inline constexpr Header kHeaderVersion18 = {0x46, 0x57, 0x01, 0x18, 0x00, 0x12, 0x34, 0x56};

// The state record is too large for the stack; the program also keeps it on the heap.
inline std::unique_ptr<UpdaterState> NewState() {
    auto state = std::make_unique<UpdaterState>();
    state->ImageResourceId = kImageResourceId;
    return state;
}

inline std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 engine(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(engine());
    }
    return bytes;
}

// A random image (payload from `seed`) with the given header.
inline Image ImageWithHeader(const Header& header, std::uint32_t seed = 7) {
    Image image{};
    const std::vector<std::uint8_t> random = RandomBytes(image.size(), seed);
    std::copy(random.begin(), random.end(), image.begin());
    std::copy(header.begin(), header.end(), image.begin());
    return image;
}

// The stored form of `image`, scrambled with repeatable filler bytes.
inline std::vector<std::uint8_t> StoredForm(const Image& image, std::uint32_t seed = 1) {
    auto state = NewState();
    state->ImageBuffer = image;
    CounterSeededFractions random(seed);
    ScrambleImage(*state, random);
    return {state->ScrambledImage.begin(), state->ScrambledImage.end()};
}

// Success when both hold the same bytes; otherwise names the first index where they differ.
inline ::testing::AssertionResult SameBytes(std::span<const std::uint8_t> actual,
                                            std::span<const std::uint8_t> expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "length " << actual.size() << ", expected " << expected.size();
    }
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (a == actual.end()) {
        return ::testing::AssertionSuccess();
    }
    std::ostringstream out;
    out << "first difference at index " << (a - actual.begin()) << ": 0x" << std::hex << int{*a}
        << ", expected 0x" << int{*e};
    return ::testing::AssertionFailure() << out.str();
}

}  // namespace korvo::test
