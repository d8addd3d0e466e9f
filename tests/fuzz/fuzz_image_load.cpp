// Fuzz target for loading the carried image: LoadImage on resource bytes taken from the input,
// checked against what must hold whatever the bytes are.
//
// Byte 0 steers the resource loader: 0xFF the resource is missing, 0xFE memory runs out while it
// loads; otherwise bit 0 clear: the resource is the rest of the input, as it is; bit 0 set: the
// resource is the sample stored image, 524,316 to 524,324 bytes long as byte 1 says, with bytes 2
// on XORed into its start, so that small inputs change a valid image a few bytes at a time. Bits 1
// to 7 give the version fields the values that a failed load must keep.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "image/firmware_image.h"
#include "image/image_format.h"
#include "sample_stored_image.h"
#include "state/updater_state.h"

namespace korvo::fuzz {
namespace {

constexpr std::uint8_t kMissingResource = 0xFF;
constexpr std::uint8_t kMemoryExhausted = 0xFE;
constexpr std::uint8_t kOverlaySample = 0x01;
constexpr std::size_t kShortestOverlay = kScrambledBytes - kStoredGroupBytes;  // one group short
constexpr std::size_t kOverlayLengths = 2 * kStoredGroupBytes + 1;  // up to one group long

// Stores in `resource` the resource that the input describes (nothing when the loader does not
// return one). The buffers here and below live across runs: large allocations cost more than a
// run's own work.
void DescribeResource(std::uint8_t control, std::span<const std::uint8_t> rest,
                      std::vector<std::uint8_t>& resource) {
    resource.clear();
    if (control == kMissingResource || control == kMemoryExhausted) {
        return;
    }
    if ((control & kOverlaySample) == 0) {
        resource.assign(rest.begin(), rest.end());
        return;
    }
    static const std::vector<std::uint8_t> sample = SampleStoredImage();
    const std::size_t length = kShortestOverlay + (rest.empty() ? 0 : rest[0] % kOverlayLengths);
    resource.resize(length);
    std::copy_n(sample.begin(), std::min(length, sample.size()), resource.begin());
    const std::span<const std::uint8_t> overlay = rest.empty() ? rest : rest.subspan(1);
    std::transform(overlay.begin(),
                   overlay.begin() + static_cast<std::ptrdiff_t>(std::min(overlay.size(), length)),
                   resource.begin(), resource.begin(), std::bit_xor<>());
}

class FuzzResourceLoader : public ResourceLoader {
public:
    explicit FuzzResourceLoader(std::uint8_t answer, const std::vector<std::uint8_t>& bytes)
        : m_answer(answer), m_bytes(bytes) {}

    std::optional<std::vector<std::uint8_t>> LoadResource(std::string_view typeName,
                                                          int id) override {
        ++m_calls;
        m_typeName = std::string(typeName);
        m_id = id;
        if (m_answer == kMissingResource) {
            return std::nullopt;
        }
        if (m_answer == kMemoryExhausted) {
            throw std::bad_alloc();
        }
        return m_bytes;
    }

    int calls() const { return m_calls; }
    const std::string& typeName() const { return m_typeName; }
    int id() const { return m_id; }

private:
    std::uint8_t m_answer = 0;
    const std::vector<std::uint8_t>& m_bytes;
    int m_calls = 0;
    std::string m_typeName;
    int m_id = 0;
};

// The stored form turned back into image bytes with an 8-bit key that wraps, which must give the
// same bytes as the loader's 32-bit running key.
const std::vector<std::uint8_t>& ReferenceImage(std::span<const std::uint8_t> stored) {
    static std::vector<std::uint8_t> image(kImageBytes);
    auto key = static_cast<std::uint8_t>(kInitialScrambleKey);
    for (std::size_t j = 0; j < kImageBytes; ++j) {
        const std::span<const std::uint8_t> group = stored.subspan(j * kStoredGroupBytes, 4);
        const auto sum = static_cast<std::uint8_t>(group[1] + group[2] + group[3]);
        image[j] = static_cast<std::uint8_t>(group[0] ^ key ^ sum);
        key = static_cast<std::uint8_t>(key + sum);
    }
    return image;
}

}  // namespace
}  // namespace korvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvo;
    using namespace korvo::fuzz;

    const std::uint8_t control = size > 0 ? data[0] : kMissingResource;
    static std::vector<std::uint8_t> resource;
    DescribeResource(control,
                     size > 0 ? std::span(data + 1, size - 1) : std::span<const std::uint8_t>(),
                     resource);
    const auto priorMajor = static_cast<std::uint8_t>((control >> 1) & 0x0F);
    const auto priorMinor = static_cast<std::uint8_t>(control >> 5);

    // One record serves every run: a load replaces both image buffers whole, and the fields
    // that it tests or keeps are set afresh here.
    static const auto record = std::make_unique<UpdaterState>();
    UpdaterState* const state = record.get();
    state->ImageResourceId = kImageResourceId;
    state->ImgMajor = priorMajor;
    state->ImgMinor = priorMinor;
    state->UpdateError = false;  // a load must set it itself

    FuzzResourceLoader loader(control, resource);
    LoadImage(*state, loader);

    const auto& image = state->ImageBuffer;
    const bool present = control != kMissingResource && control != kMemoryExhausted;
    const bool longEnough = present && resource.size() >= kScrambledBytes;

    FUZZ_CHECK(loader.calls() == 1, "the load asks for the resource exactly once");
    FUZZ_CHECK(loader.typeName() == kImageResourceType && loader.id() == kImageResourceId,
               "the load asks for the resource of type \"JPG\" and id 100");
    FUZZ_CHECK(state->ImgMajor <= 15 && state->ImgMinor <= 15, "the image version is two nibbles");
    if (!state->UpdateError) {
        FUZZ_CHECK(longEnough, "a load succeeds only with a resource of 524,320 bytes or more");
        FUZZ_CHECK(
            image[kMagicOffset] == kImageMagic[0] && image[kMagicOffset + 1] == kImageMagic[1],
            "a load succeeds only when the image starts \"FW\"");
        FUZZ_CHECK(image[kZeroByteOffset] == 0, "a load succeeds only when header byte 4 is 0");
    }

    if (!longEnough) {
        FUZZ_CHECK(state->UpdateError, "a missing, unloadable or short resource fails the load");
        FUZZ_CHECK(state->ImgMajor == priorMajor && state->ImgMinor == priorMinor,
                   "a failed resource load leaves the image version alone");
        return 0;
    }

    const std::span<const std::uint8_t> stored = std::span(resource).first(kScrambledBytes);
    FUZZ_CHECK(std::equal(stored.begin(), stored.end(), state->ScrambledImage.begin()),
               "ScrambledImage holds the resource's first 524,320 bytes");
    const std::vector<std::uint8_t>& expected = ReferenceImage(stored);
    FUZZ_CHECK(std::equal(expected.begin(), expected.end(), image.begin()),
               "ImageBuffer is the unscrambled stored form");

    const bool magic =
        image[kMagicOffset] == kImageMagic[0] && image[kMagicOffset + 1] == kImageMagic[1];
    if (!magic) {
        FUZZ_CHECK(state->UpdateError, "an image without the \"FW\" magic fails the load");
        FUZZ_CHECK(state->ImgMajor == priorMajor && state->ImgMinor == priorMinor,
                   "an image without the magic leaves the image version alone");
        return 0;
    }
    const std::uint8_t version = image[kVersionOffset];
    FUZZ_CHECK(state->ImgMajor == version / 16 && state->ImgMinor == version % 16,
               "the image version comes from header byte 3");
    FUZZ_CHECK(state->UpdateError == (image[kZeroByteOffset] != 0),
               "an image with the magic loads exactly when header byte 4 is 0");
    return 0;
}
