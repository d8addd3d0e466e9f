// ScrambleImage: its output unscrambles to the image, its fillers come from the fractions in
// order and are never 0, and it seeds the fraction source once per call.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "counter_seeded_fractions.h"
#include "cycling_fractions.h"
#include "image/firmware_image.h"
#include "image/image_format.h"
#include "image_test_support.h"

namespace korvo::test {
namespace {

std::uint8_t KeyByte(std::int32_t key) {
    return static_cast<std::uint8_t>(key & 0xFF);
}

Image FilledImage(const std::function<std::uint8_t(std::size_t)>& byteAt) {
    Image image{};
    for (std::size_t j = 0; j < image.size(); ++j) {
        image[j] = byteAt(j);
    }
    return image;
}

struct RoundTripCase {
    std::string name;
    Image image;
};

void PrintTo(const RoundTripCase& image, std::ostream* out) {
    *out << image.name;
}

class ScrambleRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ScrambleRoundTrip, UnscramblesToTheSameImage) {
    const Image& image = GetParam().image;
    auto state = NewState();
    state->ImageBuffer = image;
    CounterSeededFractions random;
    ScrambleImage(*state, random);
    EXPECT_TRUE(SameBytes(state->ImageBuffer, image)) << "the scrambler changed its input";

    state->ImageBuffer.fill(0);
    UnscrambleImage(*state);
    EXPECT_TRUE(SameBytes(state->ImageBuffer, image));
}

INSTANTIATE_TEST_SUITE_P(
    Images, ScrambleRoundTrip,
    ::testing::Values(
        RoundTripCase{"AllZero", Image{}},
        RoundTripCase{"AllFF", FilledImage([](std::size_t) { return std::uint8_t{0xFF}; })},
        RoundTripCase{"Ramp", FilledImage([](std::size_t j) { return std::uint8_t(j); })},
        RoundTripCase{"Random1", ImageWithHeader(kHeaderVersion18, 1)},
        RoundTripCase{"Random2", ImageWithHeader(kHeaderVersion18, 2)}),
    [](const auto& info) { return info.param.name; });

TEST(ScrambleImage, TwoScramblingsDifferAndBothUnscrambleToTheImage) {
    const Image image = ImageWithHeader(kHeaderVersion18);
    auto state = NewState();
    state->ImageBuffer = image;
    CounterSeededFractions random;  // each seeding starts another sequence
    ScrambleImage(*state, random);
    const auto first = state->ScrambledImage;
    ScrambleImage(*state, random);
    const auto second = state->ScrambledImage;

    EXPECT_FALSE(SameBytes(first, second)) << "both scramblings gave the same stored form";
    for (const auto* stored : {&first, &second}) {
        state->ScrambledImage = *stored;
        state->ImageBuffer.fill(0);
        UnscrambleImage(*state);
        EXPECT_TRUE(SameBytes(state->ImageBuffer, image));
    }
}

TEST(ScrambleImage, SeedsOncePerCallBeforeDrawingThreeFractionsPerByte) {
    auto state = NewState();
    CyclingFractions random({0.25f});
    ScrambleImage(*state, random);
    EXPECT_EQ(random.Seeds(), 1);
    EXPECT_EQ(random.DrawsBeforeSeed(), 0u);
    EXPECT_EQ(random.Draws(), kFillersPerGroup * kImageBytes);

    ScrambleImage(*state, random);
    EXPECT_EQ(random.Seeds(), 2);
}

// Fractions 0, 0.5 and 0.999 give fillers 1, 128 and 255 (sum 384, 128 modulo 256) in that order.
TEST(ScrambleImage, DrawsFillersInOrderAndMixesDataWithKeyByteAndGroupSum) {
    auto state = NewState();
    state->ImageBuffer = ImageWithHeader(kHeaderVersion18);
    CyclingFractions random({0.0f, 0.5f, 0.999f});
    ScrambleImage(*state, random);

    const auto& stored = state->ScrambledImage;
    for (std::size_t j = 0; j < kImageBytes; ++j) {
        const std::size_t i = j * kStoredGroupBytes;
        ASSERT_EQ(stored[i + 1], 1) << "group " << j;
        ASSERT_EQ(stored[i + 2], 128) << "group " << j;
        ASSERT_EQ(stored[i + 3], 255) << "group " << j;
        const std::int32_t key = kInitialScrambleKey + 128 * static_cast<std::int32_t>(j);
        ASSERT_EQ(stored[i], state->ImageBuffer[j] ^ KeyByte(key) ^ 128) << "group " << j;
    }
}

struct FractionSourceCase {
    std::string name;
    std::vector<float> fractions;  // empty: a seeded pseudo-random source
    std::uint8_t expectedFiller;   // for a constant source; 0 when it varies
};

void PrintTo(const FractionSourceCase& source, std::ostream* out) {
    *out << source.name;
}

class ScrambleFillers : public ::testing::TestWithParam<FractionSourceCase> {};

TEST_P(ScrambleFillers, AreNeverZeroAndTheImageStillRoundTrips) {
    const FractionSourceCase& source = GetParam();
    const Image image = ImageWithHeader(kHeaderVersion18);
    auto state = NewState();
    state->ImageBuffer = image;
    CounterSeededFractions seeded;
    CyclingFractions cycling(source.fractions);
    RandomFractions& random = source.fractions.empty() ? static_cast<RandomFractions&>(seeded)
                                                       : static_cast<RandomFractions&>(cycling);
    ScrambleImage(*state, random);

    const auto& stored = state->ScrambledImage;
    for (std::size_t i = 0; i < kScrambledBytes; i += kStoredGroupBytes) {
        for (std::size_t f = 1; f <= kFillersPerGroup; ++f) {
            ASSERT_NE(stored[i + f], 0) << "filler " << f << " of group " << i / 4;
            if (source.expectedFiller != 0) {
                ASSERT_EQ(stored[i + f], source.expectedFiller)
                    << "filler " << f << " of group " << i / 4;
            }
        }
    }
    state->ImageBuffer.fill(0);
    UnscrambleImage(*state);
    EXPECT_TRUE(SameBytes(state->ImageBuffer, image));
}

// The last four sources break their promise of 0 <= r < 1; the fillers must still be 1 to 255.
INSTANTIATE_TEST_SUITE_P(
    Sources, ScrambleFillers,
    ::testing::Values(
        FractionSourceCase{"PseudoRandom", {}, 0}, FractionSourceCase{"AlwaysZero", {0.0f}, 1},
        FractionSourceCase{"JustBelowOne", {std::nextafter(1.0f, 0.0f)}, 255},
        FractionSourceCase{"ExactlyOne", {1.0f}, 255}, FractionSourceCase{"AboveOne", {1.5f}, 255},
        FractionSourceCase{"Negative", {-0.25f}, 1},
        FractionSourceCase{"NotANumber", {std::numeric_limits<float>::quiet_NaN()}, 1}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace korvo::test
