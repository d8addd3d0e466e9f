// LoadImage: the resource it asks for, the resource lengths it takes, the header tests, and what
// UpdateError, ImgMajor and ImgMinor say after each outcome.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "fake_resource_loader.h"
#include "image/firmware_image.h"
#include "image/image_format.h"
#include "image_test_support.h"

namespace korvo::test {
namespace {

// Version values that no test image carries, to show when a load leaves them alone.
constexpr std::uint8_t kFormerMajor = 9;
constexpr std::uint8_t kFormerMinor = 3;

class LoadImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_state->ImgMajor = kFormerMajor;
        m_state->ImgMinor = kFormerMinor;
        m_state->UpdateError = false;
    }

    std::unique_ptr<UpdaterState> m_state = NewState();
};

TEST_F(LoadImageTest, LoadsTheImageResourceAndTakesItsVersion) {
    const Image image = ImageWithHeader(kHeaderVersion18);
    const std::vector<std::uint8_t> stored = StoredForm(image);
    FakeResourceLoader resources(stored, m_state.get());
    LoadImage(*m_state, resources);

    EXPECT_EQ(resources.Calls(), 1);
    EXPECT_EQ(resources.UpdateErrorDuringLoad(), true);
    EXPECT_FALSE(m_state->UpdateError);
    EXPECT_EQ(m_state->ImgMajor, 1);
    EXPECT_EQ(m_state->ImgMinor, 8);
    EXPECT_TRUE(SameBytes(m_state->ScrambledImage, stored));
    EXPECT_TRUE(SameBytes(m_state->ImageBuffer, image));
}

TEST_F(LoadImageTest, MissingResourceFails) {
    FakeResourceLoader resources(std::nullopt);
    LoadImage(*m_state, resources);
    EXPECT_EQ(resources.Calls(), 1);
    EXPECT_TRUE(m_state->UpdateError);
    EXPECT_EQ(m_state->ImgMajor, kFormerMajor);
    EXPECT_EQ(m_state->ImgMinor, kFormerMinor);
}

TEST_F(LoadImageTest, AsksForTheResourceIdHeldInTheState) {
    FakeResourceLoader resources(StoredForm(ImageWithHeader(kHeaderVersion18)));
    m_state->ImageResourceId = kImageResourceId + 1;  // the fake serves only id 100
    LoadImage(*m_state, resources);
    EXPECT_TRUE(m_state->UpdateError);
}

TEST_F(LoadImageTest, MemoryExhaustedWhileLoadingFails) {
    FakeResourceLoader resources(StoredForm(ImageWithHeader(kHeaderVersion18)));
    resources.RunOutOfMemory();
    LoadImage(*m_state, resources);
    EXPECT_TRUE(m_state->UpdateError);
}

struct LengthCase {
    std::string name;
    std::ptrdiff_t bytesPastStoredForm;  // negative: shorter than the stored form
    bool loads;
};

void PrintTo(const LengthCase& length, std::ostream* out) {
    *out << length.name;
}

class LoadImageLength : public LoadImageTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(LoadImageLength, TakesOnlyTheFirst524320Bytes) {
    const LengthCase& length = GetParam();
    const Image image = ImageWithHeader(kHeaderVersion18);
    std::vector<std::uint8_t> resource = StoredForm(image);
    resource.resize(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(kScrambledBytes) +
                                             length.bytesPastStoredForm),
                    0xEE);
    FakeResourceLoader resources(resource);
    LoadImage(*m_state, resources);

    EXPECT_EQ(m_state->UpdateError, !length.loads);
    if (length.loads) {
        EXPECT_TRUE(SameBytes(m_state->ScrambledImage, std::span(resource).first(kScrambledBytes)));
        EXPECT_TRUE(SameBytes(m_state->ImageBuffer, image));
        EXPECT_EQ(m_state->ImgMajor, 1);
        EXPECT_EQ(m_state->ImgMinor, 8);
    } else {
        EXPECT_EQ(m_state->ImgMajor, kFormerMajor);
        EXPECT_EQ(m_state->ImgMinor, kFormerMinor);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LoadImageLength,
                         ::testing::Values(LengthCase{"Empty", -524'320, false},
                                           LengthCase{"OneGroupShort", -4, false},
                                           LengthCase{"OneByteShort", -1, false},
                                           LengthCase{"Exact", 0, true},
                                           LengthCase{"OneByteLonger", 1, true},
                                           LengthCase{"ManyBytesLonger", 100'000, true}),
                         [](const auto& info) { return info.param.name; });

struct HeaderCase {
    std::string name;
    Header header;
    bool loads;
    std::uint8_t major;  // ImgMajor and ImgMinor after the load
    std::uint8_t minor;
};

void PrintTo(const HeaderCase& header, std::ostream* out) {
    *out << header.name;
}

class LoadImageHeader : public LoadImageTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(LoadImageHeader, TestsMagicAndZeroByteAndTakesTheVersion) {
    const HeaderCase& header = GetParam();
    FakeResourceLoader resources(StoredForm(ImageWithHeader(header.header)));
    LoadImage(*m_state, resources);
    EXPECT_EQ(m_state->UpdateError, !header.loads);
    EXPECT_EQ(m_state->ImgMajor, header.major);
    EXPECT_EQ(m_state->ImgMinor, header.minor);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, LoadImageHeader,
    ::testing::Values(
        HeaderCase{"Version17", {0x46, 0x57, 0x01, 0x17, 0x00, 0x00, 0x00, 0x00}, true, 1, 7},
        HeaderCase{"VersionFF", {0x46, 0x57, 0x01, 0xFF, 0x00, 0x00, 0x00, 0x00}, true, 15, 15},
        HeaderCase{"Version00", {0x46, 0x57, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, true, 0, 0},
        HeaderCase{
            "Byte2AndNumberAllFF", {0x46, 0x57, 0xFF, 0x18, 0x00, 0xFF, 0xFF, 0xFF}, true, 1, 8},
        HeaderCase{"LowerCaseMagic",
                   {0x66, 0x77, 0x01, 0x18, 0x00, 0x00, 0x00, 0x00},
                   false,
                   kFormerMajor,
                   kFormerMinor},
        HeaderCase{"LowerCaseF",
                   {0x66, 0x57, 0x01, 0x18, 0x00, 0x00, 0x00, 0x00},
                   false,
                   kFormerMajor,
                   kFormerMinor},
        HeaderCase{"LowerCaseW",
                   {0x46, 0x77, 0x01, 0x18, 0x00, 0x00, 0x00, 0x00},
                   false,
                   kFormerMajor,
                   kFormerMinor},
        HeaderCase{"MagicSwapped",
                   {0x57, 0x46, 0x01, 0x18, 0x00, 0x00, 0x00, 0x00},
                   false,
                   kFormerMajor,
                   kFormerMinor},
        // The version is taken before byte 4 is tested.
        HeaderCase{"Byte4One", {0x46, 0x57, 0x01, 0x18, 0x01, 0x00, 0x00, 0x00}, false, 1, 8},
        HeaderCase{"Byte4FF", {0x46, 0x57, 0x01, 0x25, 0xFF, 0x00, 0x00, 0x00}, false, 2, 5}),
    [](const auto& info) { return info.param.name; });

class LoadImageSecondLoad : public LoadImageTest {
protected:
    void SetUp() override {
        LoadImageTest::SetUp();
        FakeResourceLoader first(StoredForm(ImageWithHeader(kHeaderVersion18, 1)));
        LoadImage(*m_state, first);
        ASSERT_FALSE(m_state->UpdateError) << "the first load failed";
    }
};

TEST_F(LoadImageSecondLoad, ReplacesBothBuffersAndTheVersion) {
    const Image image = ImageWithHeader({0x46, 0x57, 0x02, 0x25, 0x00, 0x01, 0x02, 0x03}, 2);
    const std::vector<std::uint8_t> stored = StoredForm(image, 99);
    FakeResourceLoader second(stored, m_state.get());
    LoadImage(*m_state, second);

    EXPECT_EQ(second.UpdateErrorDuringLoad(), true);
    EXPECT_FALSE(m_state->UpdateError);
    EXPECT_TRUE(SameBytes(m_state->ScrambledImage, stored));
    EXPECT_TRUE(SameBytes(m_state->ImageBuffer, image));
    EXPECT_EQ(m_state->ImgMajor, 2);
    EXPECT_EQ(m_state->ImgMinor, 5);
}

TEST_F(LoadImageSecondLoad, FailingSecondLoadLeavesUpdateErrorTrue) {
    const Image image = ImageWithHeader({0x66, 0x57, 0x01, 0x25, 0x00, 0x00, 0x00, 0x00}, 2);
    FakeResourceLoader second(StoredForm(image), m_state.get());
    LoadImage(*m_state, second);

    EXPECT_EQ(second.UpdateErrorDuringLoad(), true);
    EXPECT_TRUE(m_state->UpdateError);
    EXPECT_EQ(m_state->ImgMajor, 1);  // from the first load
    EXPECT_EQ(m_state->ImgMinor, 8);
}

}  // namespace
}  // namespace korvo::test
