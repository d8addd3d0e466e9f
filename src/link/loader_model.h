// A model of the Korvo board's resident update loader: its flash and how it answers the
// "GI", "WF" and "RF" commands, byte by byte, with no notion of time or of the wire.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace korvo {

inline constexpr std::size_t kBoardFlashBytes =
    128 * 1024;  // addresses 0 to 65,535, two bytes each
inline constexpr std::uint8_t kErasedByte = 0xFF;

class LoaderModel {
public:
    LoaderModel();

    // Takes one byte from the host and appends whatever the loader sends in answer (not the
    // echo, which the wire adds) to `answer`.
    void Receive(std::uint8_t byte, std::vector<std::uint8_t>& answer);
    // Forgets a partly received command, as the loader does when the host falls silent.
    void ResetParser();

    // Runs before an accepted "WF" changes the flash, with its device address.
    std::function<void(std::uint32_t address)> beforeWrite;

    // The four bytes answered to "GI": "JD", byte 3, then the version (major and minor nibbles).
    std::array<std::uint8_t, 4> identifyAnswer{'J', 'D', 0x00, 0x17};

    std::array<std::uint8_t, kBoardFlashBytes>& flash() { return m_flash; }
    const std::array<std::uint8_t, kBoardFlashBytes>& flash() const { return m_flash; }
    // Device addresses of the accepted "WF" commands, in the order they were written.
    const std::vector<std::uint32_t>& writtenAddresses() const { return m_writtenAddresses; }
    // True while a command has begun and not yet been answered.
    bool midCommand() const { return !m_command.empty(); }
    // The first letter of the command answered last ('G', 'W' or 'R'), 0 before any.
    char lastAnswered() const { return m_lastAnswered; }

private:
    void Execute(std::vector<std::uint8_t>& answer);

    std::array<std::uint8_t, kBoardFlashBytes> m_flash{};
    std::vector<std::uint8_t> m_command;  // bytes of the command being received
    std::vector<std::uint32_t> m_writtenAddresses;
    char m_lastAnswered = 0;
};

}  // namespace korvo
