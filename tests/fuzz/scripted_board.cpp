// The scripted board: echo of every write, "JD" answers to "GI", "OK" after a "WF" block's data
// and the held block after "RF".
#include "scripted_board.h"

#include <algorithm>

namespace korvo::fuzz {
namespace {

constexpr std::uint8_t kErasedByte = 0xFF;  // what the board holds where nothing was written
constexpr std::size_t kIdentifyCommandBytes = 2;
constexpr std::size_t kWriteCommandBytes = 5;
constexpr std::size_t kReadCommandBytes = 7;

bool Named(std::span<const std::uint8_t> bytes, char first, char second) {
    return bytes[0] == static_cast<std::uint8_t>(first) &&
           bytes[1] == static_cast<std::uint8_t>(second);
}

std::int32_t AddressOf(std::span<const std::uint8_t> command) {
    return command[2] * 65'536 + command[3] * 256 + command[4];
}

}  // namespace

void ScriptedBoard::Purge() {
    m_pending.clear();
    m_dataAddress.reset();
}

void ScriptedBoard::Accept(std::span<const std::uint8_t> bytes) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    const std::optional<std::int32_t> dataAddress = m_dataAddress;
    m_dataAddress.reset();

    if (dataAddress && bytes.size() == kBlockBytes) {
        std::copy(bytes.begin(), bytes.end(), m_blocks[*dataAddress].begin());
        m_pending.push_back('O');
        m_pending.push_back('K');
    } else if (bytes.size() == kIdentifyCommandBytes && Named(bytes, 'G', 'I')) {
        m_pending.push_back('J');
        m_pending.push_back('D');
        m_pending.push_back(m_input.Byte());
        m_pending.push_back(m_input.Byte());
    } else if (bytes.size() == kWriteCommandBytes && Named(bytes, 'W', 'F')) {
        m_dataAddress = AddressOf(bytes);
    } else if (bytes.size() == kReadCommandBytes && Named(bytes, 'R', 'F')) {
        const std::size_t length = 4 * static_cast<std::size_t>(bytes[5] * 256 + bytes[6]);
        const auto held = m_blocks.find(AddressOf(bytes));
        for (std::size_t i = 0; i < length; ++i) {
            const bool stored = held != m_blocks.end() && i < kBlockBytes;
            m_pending.push_back(stored ? held->second[i] : kErasedByte);
        }
    }
}

std::size_t ScriptedBoard::Deliver(std::span<std::uint8_t> out) {
    const std::size_t n = std::min(out.size(), m_pending.size());
    std::copy_n(m_pending.begin(), n, out.begin());
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

void ScriptedBoard::Hold(std::int32_t address, std::span<const std::uint8_t> block) {
    Block& held = m_blocks[address];
    held.fill(kErasedByte);
    std::copy_n(block.begin(), std::min(block.size(), held.size()), held.begin());
}

}  // namespace korvo::fuzz
