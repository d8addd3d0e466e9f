// The fuzz input read front to back as a script of small decisions. Once it runs out, every
// decision reads as zero, which the scripted parts take as "the call works".
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace korvo::fuzz {

class FuzzInput {
public:
    explicit FuzzInput(std::span<const std::uint8_t> data) : m_data(data) {}

    bool Exhausted() const { return m_position >= m_data.size(); }

    std::uint8_t Byte() { return Exhausted() ? 0 : m_data[m_position++]; }

    std::uint32_t Word32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        }
        return value;
    }

    // A value from 0 to `highest`, taking one, two or four bytes as the range needs.
    std::uint32_t UpTo(std::uint32_t highest) {
        std::uint32_t raw = 0;
        if (highest <= 0xFF) {
            raw = Byte();
        } else if (highest <= 0xFFFF) {
            raw = Byte() | static_cast<std::uint32_t>(Byte()) << 8;
        } else {
            raw = Word32();
        }
        return highest == UINT32_MAX ? raw : raw % (highest + 1);
    }

    // Up to `count` bytes, fewer when the input runs out.
    std::span<const std::uint8_t> Take(std::size_t count) {
        const std::size_t n = std::min(count, m_data.size() - m_position);
        const std::span<const std::uint8_t> taken = m_data.subspan(m_position, n);
        m_position += n;
        return taken;
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_position = 0;
};

}  // namespace korvo::fuzz
