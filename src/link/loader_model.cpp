// The update loader's command parser and flash: "GI" answers the identify bytes, "WF" + 3
// address bytes + 2048 data bytes writes flash and answers "OK", "RF" + 3 address bytes + 2
// length bytes answers 4 x length bytes of flash.
#include "link/loader_model.h"

#include <algorithm>

namespace korvo {
namespace {

constexpr std::size_t kWriteCommandBytes = 5 + 2048;  // "WF", address, data
constexpr std::size_t kReadCommandBytes = 7;          // "RF", address, length
constexpr std::size_t kBytesPerAddress = 2;

std::uint32_t Address(const std::vector<std::uint8_t>& command) {
    return (std::uint32_t{command[2]} << 16) | (std::uint32_t{command[3]} << 8) | command[4];
}

}  // namespace

LoaderModel::LoaderModel() {
    m_flash.fill(kErasedByte);
}

void LoaderModel::ResetParser() {
    m_command.clear();
}

void LoaderModel::Receive(std::uint8_t byte, std::vector<std::uint8_t>& answer) {
    m_command.push_back(byte);
    if (m_command.size() == 1) {
        if (byte != 'G' && byte != 'W' && byte != 'R') {
            m_command.clear();  // not the start of a command: the loader skips it
        }
        return;
    }
    if (m_command.size() == 2) {
        const bool known = (m_command[0] == 'G' && byte == 'I') ||
                           (m_command[0] == 'W' && byte == 'F') ||
                           (m_command[0] == 'R' && byte == 'F');
        if (!known) {
            m_command.erase(m_command.begin());  // the second byte may start a command itself
            if (byte != 'G' && byte != 'W' && byte != 'R') {
                m_command.clear();
            }
            return;
        }
    }
    Execute(answer);
}

void LoaderModel::Execute(std::vector<std::uint8_t>& answer) {
    const std::uint8_t kind = m_command[0];
    if (kind == 'G') {
        answer.insert(answer.end(), identifyAnswer.begin(), identifyAnswer.end());
        m_command.clear();
    } else if (kind == 'W' && m_command.size() == kWriteCommandBytes) {
        const std::uint32_t address = Address(m_command);
        const std::size_t start = std::size_t{address} * kBytesPerAddress;
        if (beforeWrite) {
            beforeWrite(address);
        }
        for (std::size_t i = 0; i < 2048 && start + i < m_flash.size(); ++i) {
            m_flash[start + i] = m_command[5 + i];
        }
        m_writtenAddresses.push_back(address);
        answer.push_back('O');
        answer.push_back('K');
        m_command.clear();
    } else if (kind == 'R' && m_command.size() == kReadCommandBytes) {
        const std::size_t start = std::size_t{Address(m_command)} * kBytesPerAddress;
        const std::size_t length = 4 * ((std::size_t{m_command[5]} << 8) | m_command[6]);
        for (std::size_t i = 0; i < length; ++i) {
            answer.push_back(start + i < m_flash.size() ? m_flash[start + i] : kErasedByte);
        }
        m_command.clear();
    }
    if (m_command.empty()) {
        m_lastAnswered = static_cast<char>(kind);
    }
}

}  // namespace korvo
