// UnscrambleImage on hand-made stored forms: the key byte, the group sums and their order.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "image/firmware_image.h"
#include "image/image_format.h"
#include "image_test_support.h"

namespace korvo::test {
namespace {

struct Group {
    std::uint8_t data;
    std::uint8_t f1, f2, f3;
};

void StoreGroup(UpdaterState& state, std::size_t j, const Group& group) {
    const std::size_t i = j * kStoredGroupBytes;
    state.ScrambledImage[i] = group.data;
    state.ScrambledImage[i + 1] = group.f1;
    state.ScrambledImage[i + 2] = group.f2;
    state.ScrambledImage[i + 3] = group.f3;
}

std::uint8_t KeyByte(std::int32_t key) {
    return static_cast<std::uint8_t>(key & 0xFF);
}

TEST(UnscrambleImage, GroupByteIsDataXorKeyByteXorGroupSum) {
    auto state = NewState();
    // Sums 0x70, then 0x01 (0xFF + 0xFF + 0x03 = 0x201), then 0; the key passes 256 after group 0.
    StoreGroup(*state, 0, {0x00, 0x10, 0x20, 0x40});
    StoreGroup(*state, 1, {0xFF, 0xFF, 0xFF, 0x03});
    StoreGroup(*state, 2, {0x3C, 1, 2, 253});
    UnscrambleImage(*state);

    EXPECT_EQ(state->ImageBuffer[0], KeyByte(kInitialScrambleKey) ^ 0x70);
    EXPECT_EQ(state->ImageBuffer[1], 0xFF ^ KeyByte(kInitialScrambleKey + 0x70) ^ 0x01);
    EXPECT_EQ(state->ImageBuffer[2], 0x3C ^ KeyByte(kInitialScrambleKey + 0x71));
}

TEST(UnscrambleImage, ZeroSumGroupsLeaveTheKeyUnchanged) {
    auto state = NewState();
    std::vector<std::uint8_t> data(kImageBytes);
    for (std::size_t j = 0; j < kImageBytes; ++j) {
        data[j] = static_cast<std::uint8_t>(j * 37 + j / 256);
        StoreGroup(*state, j, {data[j], 1, 2, 253});
    }
    UnscrambleImage(*state);

    std::vector<std::uint8_t> expected(kImageBytes);
    for (std::size_t j = 0; j < kImageBytes; ++j) {
        expected[j] = data[j] ^ KeyByte(kInitialScrambleKey);
    }
    EXPECT_TRUE(SameBytes(state->ImageBuffer, expected));
}

TEST(UnscrambleImage, OverwritesEveryByteOfTheFormerImage) {
    auto state = NewState();
    state->ImageBuffer.fill(0xEE);
    for (std::size_t j = 0; j < kImageBytes; ++j) {
        StoreGroup(*state, j, {KeyByte(kInitialScrambleKey), 1, 2, 253});  // image byte 0
    }
    UnscrambleImage(*state);
    EXPECT_TRUE(SameBytes(state->ImageBuffer, std::vector<std::uint8_t>(kImageBytes, 0)));
}

struct FillerChange {
    std::string name;
    std::size_t group;
    std::size_t filler;  // 1 to 3
};

void PrintTo(const FillerChange& change, std::ostream* out) {
    *out << change.name;
}

class UnscrambleFillerChange : public ::testing::TestWithParam<FillerChange> {};

// One filler one higher changes that group's sum by one, so its byte and, through the key, every
// later byte change, while the bytes before it stay as they were.
TEST_P(UnscrambleFillerChange, ChangesThatByteAndEveryLaterOneButNoEarlierOne) {
    const FillerChange& change = GetParam();
    auto state = NewState();
    const std::vector<std::uint8_t> stored = RandomBytes(kScrambledBytes, 42);
    std::copy(stored.begin(), stored.end(), state->ScrambledImage.begin());
    UnscrambleImage(*state);
    const Image before = state->ImageBuffer;

    state->ScrambledImage[change.group * kStoredGroupBytes + change.filler] += 1;
    UnscrambleImage(*state);
    const Image& after = state->ImageBuffer;

    EXPECT_TRUE(
        SameBytes(std::span(after).first(change.group), std::span(before).first(change.group)));
    for (std::size_t j = change.group; j < kImageBytes; ++j) {
        ASSERT_NE(after[j], before[j]) << "image byte " << j << " did not change";
    }
}

INSTANTIATE_TEST_SUITE_P(Groups, UnscrambleFillerChange,
                         ::testing::Values(FillerChange{"FirstGroupFiller1", 0, 1},
                                           FillerChange{"MiddleGroupFiller2", 65'540, 2},
                                           FillerChange{"MiddleGroupFiller3", 1000, 3},
                                           FillerChange{"LastGroupFiller1", kImageBytes - 1, 1}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace korvo::test
