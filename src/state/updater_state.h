// The program's one state record: every field that the link, the loader protocol, the image
// and the update procedures hand to each other, with the sizes of its fixed buffers.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvo {

inline constexpr std::size_t kTextBufferBytes = 4096;  // TxBuffer and RxBuffer, always full length
inline constexpr std::uint8_t kBlank = 0x20;           // what fills a text buffer past its text
inline constexpr std::size_t kImageBytes = 131'080;    // 8-byte header + 131,072-byte payload
inline constexpr std::size_t kScrambledBytes =
    4 * kImageBytes;                                    // 524,320: four stored bytes per image byte
inline constexpr std::size_t kBlockBufferBytes = 2049;  // indexes 0 to 2048; a block uses 0 to 2047
inline constexpr std::size_t kBlockBytes = 2048;

using TextBuffer = std::array<std::uint8_t, kTextBufferBytes>;

// Stores `text` from position 1 (index 0) and fills the rest with blanks; text past the buffer's
// length is cut off.
inline void StoreText(TextBuffer& buffer, std::span<const std::uint8_t> text) {
    const std::size_t n = std::min(text.size(), buffer.size());
    std::copy_n(text.begin(), n, buffer.begin());
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(n), buffer.end(), kBlank);
}

inline void StoreText(TextBuffer& buffer, std::string_view text) {
    StoreText(buffer, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

inline TextBuffer BlankText() {
    TextBuffer buffer;
    buffer.fill(kBlank);
    return buffer;
}

struct UpdaterState {
    // Serial link.
    std::uint32_t LinkHandle = 0;  // 0 = no link
    std::int32_t LinkStatus = 0;   // 0 = success; anything else is a failure
    TextBuffer TxBuffer = BlankText();
    TextBuffer RxBuffer = BlankText();
    std::int32_t TxCount = 0;
    std::int32_t RxCount = 0;
    bool ReadTimedOut = false;
    bool ReadFailed = false;

    // The device's firmware version from its identify answer.
    std::uint8_t DevMajor = 0;
    std::uint8_t DevMinor = 0;
    bool VersionOverride = false;

    // The carried firmware image.
    std::int16_t ImageResourceId = 0;
    std::array<std::uint8_t, kImageBytes> ImageBuffer{};
    std::array<std::uint8_t, kScrambledBytes> ScrambledImage{};
    std::uint8_t ImgMajor = 0;
    std::uint8_t ImgMinor = 0;
    bool UpdateError = false;

    // Block exchange and flash sequence.
    std::array<std::uint8_t, kBlockBufferBytes> BlockBuffer{};
    std::array<std::uint8_t, kBlockBufferBytes> ReadBackBuffer{};
    std::int32_t BlockWords = 0;
    std::int32_t ImageOffset = 0;
    std::int32_t DeviceAddress = 0;
    std::int32_t RetriesLeft = 0;
};

}  // namespace korvo
