// The firmware image committed in resources/: it loads like the embedded resource, and no two of
// its payload blocks are alike, so a block flashed to the wrong address shows in a comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "fake_resource_loader.h"
#include "image/firmware_image.h"
#include "image/image_format.h"
#include "image_test_support.h"

namespace korvo::test {
namespace {

std::vector<std::uint8_t> ReadSampleFirmware() {
    std::ifstream file(KORVO_SAMPLE_FIRMWARE_PATH, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class SampleFirmware : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::uint8_t> stored = ReadSampleFirmware();
        ASSERT_EQ(stored.size(), kScrambledBytes) << "reading " << KORVO_SAMPLE_FIRMWARE_PATH;
        FakeResourceLoader resources(stored);
        LoadImage(*m_state, resources);
    }

    std::span<const std::uint8_t> PayloadBlock(std::size_t k) const {
        return std::span(m_state->ImageBuffer)
            .subspan(kImageHeaderBytes + k * kBlockBytes, kBlockBytes);
    }

    std::unique_ptr<UpdaterState> m_state = NewState();
};

TEST_F(SampleFirmware, LoadsAsVersion18) {
    EXPECT_FALSE(m_state->UpdateError);
    EXPECT_EQ(m_state->ImgMajor, 1);
    EXPECT_EQ(m_state->ImgMinor, 8);
}

TEST_F(SampleFirmware, PayloadBlocksArePairwiseDistinct) {
    ASSERT_EQ(kPayloadBlocks, 64u);
    for (std::size_t a = 0; a < kPayloadBlocks; ++a) {
        for (std::size_t b = a + 1; b < kPayloadBlocks; ++b) {
            EXPECT_FALSE(std::ranges::equal(PayloadBlock(a), PayloadBlock(b)))
                << "payload blocks " << a << " and " << b << " are equal";
        }
    }
}

}  // namespace
}  // namespace korvo::test
