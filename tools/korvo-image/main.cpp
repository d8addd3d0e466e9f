// korvo-image: scrambles a plain firmware image into the storage form that the program carries,
// turns a stored form back into the image, and checks a stored form as the program would load it.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "clock_random_fractions.h"
#include "file_bytes.h"
#include "file_resource_loader.h"
#include "image/firmware_image.h"
#include "image/image_format.h"
#include "state/updater_state.h"

namespace {

using korvo::kImageBytes;
using korvo::kScrambledBytes;
using korvo::UpdaterState;

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: korvo-image scramble PLAIN OUT     scramble a 131,080-byte image into OUT\n"
    "       korvo-image unscramble STORED OUT  write the image held in a stored form to OUT\n"
    "       korvo-image check STORED           test a stored form as the updater loads it\n"
    "       korvo-image --help\n"
    "\n"
    "PLAIN is a firmware image of exactly 131,080 bytes: the header \"FW\", a free byte, the\n"
    "version (major in the high nibble, minor in the low nibble), a zero byte and a 24-bit\n"
    "number, then 131,072 payload bytes. STORED is its scrambled form of 524,320 bytes, the\n"
    "file resources/firmware.scrambled of the updater; bytes past 524,320 are ignored.\n"
    "Every scramble draws new filler bytes, so two runs give different files that hold the\n"
    "same image. Each command refuses an image whose header the updater would refuse.\n"
    "Exit status: 0 done, 1 bad input (message on stderr), 2 wrong usage.\n";

void Fail(const std::string& message) {
    std::fprintf(stderr, "korvo-image: %s\n", message.c_str());
}

std::string Hex(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string VersionText(std::uint8_t major, std::uint8_t minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

// What the updater would refuse in the header of `image`, or nothing when it passes.
std::optional<std::string> HeaderProblem(const std::array<std::uint8_t, kImageBytes>& image) {
    if (image[korvo::kMagicOffset] != korvo::kImageMagic[0] ||
        image[korvo::kMagicOffset + 1] != korvo::kImageMagic[1]) {
        return "bad header: the image starts with " + Hex(image[korvo::kMagicOffset]) + " " +
               Hex(image[korvo::kMagicOffset + 1]) + ", not \"FW\" (0x46 0x57)";
    }
    if (image[korvo::kZeroByteOffset] != 0) {
        return "bad header: byte 4 is " + Hex(image[korvo::kZeroByteOffset]) + ", not 0x00";
    }
    return std::nullopt;
}

std::string HeaderSummary(const std::array<std::uint8_t, kImageBytes>& image) {
    std::uint32_t number = 0;
    for (std::size_t n = 0; n < korvo::kNumberBytes; ++n) {
        number = (number << 8) | image[korvo::kNumberOffset + n];
    }
    char text[48];
    std::snprintf(text, sizeof text, "header byte 2 0x%02X, number 0x%06X",
                  image[korvo::kHeaderByte2Offset], static_cast<unsigned>(number));
    return text;
}

// Loads a stored form through the updater's own LoadImage. Returns the state when the image
// loaded; otherwise reports why and returns nothing.
std::unique_ptr<UpdaterState> LoadStored(const std::string& path) {
    korvo::tool::FileResourceLoader loader(path);
    auto state = std::make_unique<UpdaterState>();
    state->ImageResourceId = korvo::kImageResourceId;
    korvo::LoadImage(*state, loader);

    if (!loader.FileRead()) {
        Fail("cannot read '" + path + "': " + loader.Error());
        return nullptr;
    }
    if (loader.FileBytes() < kScrambledBytes) {
        Fail("'" + path + "' is " + std::to_string(loader.FileBytes()) +
             " bytes; a scrambled image must be at least " + std::to_string(kScrambledBytes) +
             " bytes");
        return nullptr;
    }
    if (state->UpdateError) {
        Fail("'" + path + "': " + HeaderProblem(state->ImageBuffer).value_or("load failed"));
        return nullptr;
    }
    if (loader.FileBytes() > kScrambledBytes) {
        Fail("warning: ignoring the " + std::to_string(loader.FileBytes() - kScrambledBytes) +
             " bytes of '" + path + "' past " + std::to_string(kScrambledBytes));
    }
    return state;
}

int Scramble(const std::string& plainPath, const std::string& outPath) {
    const korvo::tool::FileContents plain = korvo::tool::ReadFileBytes(plainPath);
    if (!plain.ok) {
        Fail("cannot read '" + plainPath + "': " + plain.error);
        return kExitBadInput;
    }
    if (plain.bytes.size() != kImageBytes) {
        Fail("'" + plainPath + "' is " + std::to_string(plain.bytes.size()) +
             " bytes; a plain image must be exactly " + std::to_string(kImageBytes) + " bytes");
        return kExitBadInput;
    }
    auto state = std::make_unique<UpdaterState>();
    std::copy(plain.bytes.begin(), plain.bytes.end(), state->ImageBuffer.begin());
    if (const auto problem = HeaderProblem(state->ImageBuffer)) {
        Fail("'" + plainPath + "': " + *problem);
        return kExitBadInput;
    }

    korvo::tool::ClockRandomFractions random;
    korvo::ScrambleImage(*state, random);

    // Unscramble the result once more before writing it, so a bad stored form never leaves here.
    korvo::UnscrambleImage(*state);
    if (!std::equal(plain.bytes.begin(), plain.bytes.end(), state->ImageBuffer.begin())) {
        Fail("internal error: the scrambled form does not unscramble to '" + plainPath + "'");
        return kExitBadInput;
    }

    std::string error;
    if (!korvo::tool::WriteFileBytes(outPath, state->ScrambledImage, error)) {
        Fail("cannot write '" + outPath + "': " + error);
        return kExitBadInput;
    }
    const std::uint8_t version = state->ImageBuffer[korvo::kVersionOffset];
    std::printf("%s: scrambled image version %s, %zu bytes\n", outPath.c_str(),
                VersionText(version >> 4, version & 0x0F).c_str(), state->ScrambledImage.size());
    return kExitOk;
}

int Unscramble(const std::string& storedPath, const std::string& outPath) {
    const auto state = LoadStored(storedPath);
    if (!state) {
        return kExitBadInput;
    }
    std::string error;
    if (!korvo::tool::WriteFileBytes(outPath, state->ImageBuffer, error)) {
        Fail("cannot write '" + outPath + "': " + error);
        return kExitBadInput;
    }
    std::printf("%s: image version %s, %zu bytes\n", outPath.c_str(),
                VersionText(state->ImgMajor, state->ImgMinor).c_str(), state->ImageBuffer.size());
    return kExitOk;
}

int Check(const std::string& storedPath) {
    const auto state = LoadStored(storedPath);
    if (!state) {
        return kExitBadInput;
    }
    std::printf("%s: ok, image version %s (%s)\n", storedPath.c_str(),
                VersionText(state->ImgMajor, state->ImgMinor).c_str(),
                HeaderSummary(state->ImageBuffer).c_str());
    return kExitOk;
}

int UsageError(const std::string& message) {
    Fail(message + " (see korvo-image --help)");
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return UsageError("expected a command: scramble, unscramble or check");
    }
    const std::string_view command = argv[1];
    const int operands = argc - 2;
    if (command == "--help" || command == "-h") {
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return kExitOk;
    }
    if (command == "scramble") {
        return operands == 2 ? Scramble(argv[2], argv[3])
                             : UsageError("scramble takes two files: PLAIN OUT");
    }
    if (command == "unscramble") {
        return operands == 2 ? Unscramble(argv[2], argv[3])
                             : UsageError("unscramble takes two files: STORED OUT");
    }
    if (command == "check") {
        return operands == 1 ? Check(argv[2]) : UsageError("check takes one file: STORED");
    }
    return UsageError("unknown command '" + std::string(command) + "'");
}
