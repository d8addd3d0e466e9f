// Loading, unscrambling and scrambling of the carried firmware image.
#include "image/firmware_image.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <optional>
#include <vector>

#include "image/image_format.h"

namespace korvo {
namespace {

// The key byte: the running key modulo 256 (the key never goes negative).
std::uint8_t KeyByte(std::int32_t key) {
    return static_cast<std::uint8_t>(key & 0xFF);
}

// The group sum: the three filler bytes added modulo 256.
std::uint8_t GroupSum(std::uint8_t f1, std::uint8_t f2, std::uint8_t f3) {
    return static_cast<std::uint8_t>((f1 + f2 + f3) & 0xFF);
}

// A filler byte from a fraction 0 <= r < 1: the integer part of 255 * r + 1, from 1 to 255. A
// fraction out of that range (1 or more, negative, not a number) still gives 1 to 255, never 0.
std::uint8_t FillerFromFraction(float r) {
    constexpr double kSpread = kMaxFiller - kMinFiller + 1;  // 255 values
    const double value = kSpread * static_cast<double>(r) + kMinFiller;
    if (!(value >= kMinFiller)) {
        return kMinFiller;
    }
    if (value >= kMaxFiller + 1.0) {
        return kMaxFiller;
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<std::vector<std::uint8_t>> LoadImageResource(const UpdaterState& state,
                                                           ResourceLoader& resources) {
    try {
        return resources.LoadResource(kImageResourceType, state.ImageResourceId);
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // memory exhausted counts as a failed load
    }
}

}  // namespace

void UnscrambleImage(UpdaterState& state) {
    const auto& stored = state.ScrambledImage;
    auto& image = state.ImageBuffer;
    std::int32_t key = kInitialScrambleKey;
    for (std::size_t j = 0; j < image.size(); ++j) {
        const std::size_t i = j * kStoredGroupBytes;
        const std::uint8_t sum = GroupSum(stored[i + 1], stored[i + 2], stored[i + 3]);
        image[j] = static_cast<std::uint8_t>(stored[i] ^ KeyByte(key) ^ sum);
        key += sum;
    }
}

void LoadImage(UpdaterState& state, ResourceLoader& resources) {
    state.UpdateError = true;

    const std::optional<std::vector<std::uint8_t>> resource = LoadImageResource(state, resources);
    if (!resource || resource->size() < state.ScrambledImage.size()) {
        return;
    }
    // Bytes past the storage form's length are never read.
    std::copy_n(resource->begin(), state.ScrambledImage.size(), state.ScrambledImage.begin());
    UnscrambleImage(state);

    const auto& image = state.ImageBuffer;
    if (image[kMagicOffset] != kImageMagic[0] || image[kMagicOffset + 1] != kImageMagic[1]) {
        return;
    }
    const std::uint8_t version = image[kVersionOffset];
    state.ImgMajor = static_cast<std::uint8_t>(version >> 4);
    state.ImgMinor = static_cast<std::uint8_t>(version & 0x0F);
    if (image[kZeroByteOffset] != 0) {
        return;
    }
    state.UpdateError = false;
}

void ScrambleImage(UpdaterState& state, RandomFractions& random) {
    random.SeedRandomFromClock();

    const auto& image = state.ImageBuffer;
    auto& stored = state.ScrambledImage;
    std::int32_t key = kInitialScrambleKey;
    for (std::size_t j = 0; j < image.size(); ++j) {
        const std::size_t i = j * kStoredGroupBytes;
        // Drawn one at a time so that f1, f2 and f3 take the fractions in that order.
        const std::uint8_t f1 = FillerFromFraction(random.NextRandomFraction());
        const std::uint8_t f2 = FillerFromFraction(random.NextRandomFraction());
        const std::uint8_t f3 = FillerFromFraction(random.NextRandomFraction());
        stored[i + 1] = f1;
        stored[i + 2] = f2;
        stored[i + 3] = f3;
        const std::uint8_t sum = GroupSum(f1, f2, f3);
        stored[i] = static_cast<std::uint8_t>(image[j] ^ KeyByte(key) ^ sum);
        key += sum;
    }
}

}  // namespace korvo
