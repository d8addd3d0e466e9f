// korvo-make-sample-image: writes the plain (unscrambled) sample firmware image, the same bytes
// on every run, from which resources/firmware.scrambled is made.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "image/image_format.h"
#include "state/updater_state.h"

namespace {

using korvo::kBlockBytes;
using korvo::kImageBytes;
using korvo::kImageHeaderBytes;

using Image = std::array<std::uint8_t, kImageBytes>;

constexpr std::uint8_t kSampleHeaderByte2 = 0x01;  // layout revision of this sample image
constexpr std::uint8_t kSampleVersion = 0x18;      // 1.8
constexpr std::string_view kBlockTagPrefix = "KORVO 1.8 BLOCK ";
constexpr std::uint32_t kNumberMask = 0xFF'FFFF;  // the header's number has 24 bits

constexpr std::string_view kUsage =
    "Usage: korvo-make-sample-image OUT\n"
    "       korvo-make-sample-image --help\n"
    "\n"
    "Writes the sample Korvo firmware image, 131,080 bytes, not scrambled, to OUT. Every run\n"
    "writes the same bytes. Scramble it with 'korvo-image scramble' before embedding it.\n"
    "\n"
    "Header (image offsets 0 to 7):\n"
    "  0-1  \"FW\"\n"
    "  2    0x01, the layout revision of this sample\n"
    "  3    0x18, version 1.8 (major in the high nibble, minor in the low nibble)\n"
    "  4    0x00\n"
    "  5-7  the sum of the 131,072 payload bytes modulo 2^24, most significant byte first\n"
    "\n"
    "Payload (offsets 8 to 131,079): 64 blocks of 2048 bytes; block k starts at offset\n"
    "8 + 2048k. At block offset o it holds (7*o + 13*(o/256) + 61*k) mod 256, except that it\n"
    "begins with the text \"KORVO 1.8 BLOCK k\" (k in decimal) and a 0 byte. Two blocks differ\n"
    "in their tags and at every offset past them, so a block written to the wrong place shows.\n";

std::uint8_t PatternByte(std::size_t block, std::size_t offset) {
    return static_cast<std::uint8_t>(7 * offset + 13 * (offset / 256) + 61 * block);
}

void FillPayload(Image& image) {
    for (std::size_t block = 0; block < korvo::kPayloadBlocks; ++block) {
        const std::size_t start = kImageHeaderBytes + block * kBlockBytes;
        for (std::size_t offset = 0; offset < kBlockBytes; ++offset) {
            image[start + offset] = PatternByte(block, offset);
        }
        const std::string tag = std::string(kBlockTagPrefix) + std::to_string(block);
        for (std::size_t n = 0; n < tag.size(); ++n) {
            image[start + n] = static_cast<std::uint8_t>(tag[n]);
        }
        image[start + tag.size()] = 0;
    }
}

void FillHeader(Image& image) {
    std::uint32_t sum = 0;
    for (std::size_t n = kImageHeaderBytes; n < image.size(); ++n) {
        sum += image[n];
    }
    sum &= kNumberMask;

    image[korvo::kMagicOffset] = korvo::kImageMagic[0];
    image[korvo::kMagicOffset + 1] = korvo::kImageMagic[1];
    image[korvo::kHeaderByte2Offset] = kSampleHeaderByte2;
    image[korvo::kVersionOffset] = kSampleVersion;
    image[korvo::kZeroByteOffset] = 0;
    for (std::size_t n = 0; n < korvo::kNumberBytes; ++n) {
        const std::size_t shift = 8 * (korvo::kNumberBytes - 1 - n);
        image[korvo::kNumberOffset + n] = static_cast<std::uint8_t>((sum >> shift) & 0xFF);
    }
}

bool WriteImage(const std::string& path, const Image& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return 0;
    }
    if (argc != 2 || std::string_view(argv[1]).empty() || argv[1][0] == '-') {
        std::fputs("korvo-make-sample-image: expected one argument, the output file (see --help)\n",
                   stderr);
        return 2;
    }

    Image image{};
    FillPayload(image);
    FillHeader(image);
    if (!WriteImage(argv[1], image)) {
        std::fprintf(stderr, "korvo-make-sample-image: cannot write '%s'\n", argv[1]);
        return 1;
    }
    return 0;
}
