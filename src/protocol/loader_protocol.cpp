// The update loader's commands over the serial link: "GI" identifies the loader and its firmware
// version, "WF" writes one 2048-byte block, "RF" reads a block back for comparison.
#include "protocol/loader_protocol.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace korvo {
namespace {

constexpr std::array<std::uint8_t, 2> kIdentifyCommand{'G', 'I'};
constexpr std::array<std::uint8_t, 2> kWriteCommand{'W', 'F'};
constexpr std::array<std::uint8_t, 2> kReadCommand{'R', 'F'};
constexpr std::array<std::uint8_t, 2> kIdentifyMagic{'J', 'D'};
constexpr std::array<std::uint8_t, 2> kAcknowledgement{'O', 'K'};
constexpr std::int32_t kIdentifyAnswerBytes = 4;
constexpr std::int32_t kAcknowledgementBytes = 2;
constexpr std::uint8_t kOverrideByte3 = 3;
constexpr std::uint8_t kOverrideByte4 = 255;

bool AddressFits(std::int32_t address) {
    return address >= 0 && address < kAddressLimit;
}

// Stores "XY" followed by the address, most significant byte first, at the start of TxBuffer;
// returns the number of bytes stored. The address must fit, so the high byte is always 0.
std::int32_t StoreAddressedCommand(TextBuffer& tx, const std::array<std::uint8_t, 2>& name,
                                   std::int32_t address) {
    const std::array<std::uint8_t, 5> command{
        name[0], name[1], static_cast<std::uint8_t>(address / 65'536),
        static_cast<std::uint8_t>(address / 256), static_cast<std::uint8_t>(address % 256)};
    StoreText(tx, command);
    return static_cast<std::int32_t>(command.size());
}

}  // namespace

void LoaderProtocol::IdentifyDevice() {
    StoreText(m_state.TxBuffer, kIdentifyCommand);
    m_state.TxCount = static_cast<std::int32_t>(kIdentifyCommand.size());
    m_link.SendCommand();
    if (m_state.LinkStatus != 0) {
        return;
    }
    m_state.RxCount = kIdentifyAnswerBytes;
    m_link.ReceiveReply();
    if (m_state.LinkStatus != 0) {
        return;
    }
    const std::uint8_t byte3 = m_state.RxBuffer[2];
    const std::uint8_t version = m_state.RxBuffer[3];
    m_state.VersionOverride = byte3 == kOverrideByte3 && version == kOverrideByte4;
    if (m_state.RxBuffer[0] != kIdentifyMagic[0] || m_state.RxBuffer[1] != kIdentifyMagic[1]) {
        return;
    }
    m_state.DevMajor = version / 16;
    m_state.DevMinor = version % 16;
}

void LoaderProtocol::WriteBlock() {
    UsbSerialDriver& driver = m_link.driver();
    m_state.LinkStatus =
        static_cast<std::int32_t>(driver.FT_Purge(m_state.LinkHandle, kFtPurgeRxTx));
    if (!AddressFits(m_state.DeviceAddress)) {
        // The command cannot carry it; sending a wrapped address would write the wrong block.
        m_state.LinkStatus = STATUS_TRANSFER_FAILED;
        return;
    }
    m_state.TxCount = StoreAddressedCommand(m_state.TxBuffer, kWriteCommand, m_state.DeviceAddress);
    m_link.SendCommand();
    if (m_state.LinkStatus != 0) {
        return;
    }

    m_state.TxCount = static_cast<std::int32_t>(kBlockBytes);
    std::uint32_t written = 0;
    m_state.LinkStatus = static_cast<std::int32_t>(
        driver.FT_Write(m_state.LinkHandle, m_state.BlockBuffer.data(), kBlockBytes, &written));
    if (m_state.LinkStatus != 0) {
        return;
    }
    m_state.RxCount = static_cast<std::int32_t>(kBlockBytes);  // the data's echo, not examined
    m_link.ReceiveReply();
    if (m_state.LinkStatus != 0) {
        return;
    }

    m_state.RxCount = kAcknowledgementBytes;
    m_link.ReceiveReply();
    if (m_state.RxBuffer[0] != kAcknowledgement[0] || m_state.RxBuffer[1] != kAcknowledgement[1]) {
        m_state.LinkStatus = STATUS_TRANSFER_FAILED;
    }
}

void LoaderProtocol::VerifyBlock() {
    m_state.LinkStatus =
        static_cast<std::int32_t>(m_link.driver().FT_Purge(m_state.LinkHandle, kFtPurgeRxTx));
    const std::int32_t words = m_state.BlockWords;
    // A read-back must fit ReadBackBuffer's block, which also keeps the length within the two
    // bytes the command gives it.
    const bool lengthFits = words >= 0 && static_cast<std::size_t>(words) * 4 <= kBlockBytes;
    if (!AddressFits(m_state.DeviceAddress) || !lengthFits) {
        m_state.LinkStatus = STATUS_TRANSFER_FAILED;
        return;
    }
    const std::int32_t addressBytes =
        StoreAddressedCommand(m_state.TxBuffer, kReadCommand, m_state.DeviceAddress);
    m_state.TxBuffer[5] = static_cast<std::uint8_t>(words / 256);
    m_state.TxBuffer[6] = static_cast<std::uint8_t>(words % 256);
    m_state.TxCount = addressBytes + 2;
    m_link.SendCommand();
    if (m_state.LinkStatus != 0) {
        return;
    }
    m_state.RxCount = 4 * words;
    ReceiveBlock();
}

void LoaderProtocol::ReceiveBlock() {
    m_state.ReadTimedOut = false;
    m_state.ReadFailed = false;
    if (m_state.RxCount < 0 || static_cast<std::size_t>(m_state.RxCount) > kBlockBytes) {
        m_state.LinkStatus = STATUS_TRANSFER_FAILED;
        m_state.ReadFailed = true;
        return;
    }
    UsbSerialDriver& driver = m_link.driver();
    const auto wanted = static_cast<std::uint32_t>(m_state.RxCount);
    std::uint32_t received = 0;
    do {  // the first read is always made, so an empty block cannot pass unread
        const std::uint32_t missing = wanted - received;
        std::uint32_t got = 0;
        const FtStatus status = driver.FT_Read(
            m_state.LinkHandle, m_state.ReadBackBuffer.data() + received, missing, &got);
        m_state.LinkStatus = static_cast<std::int32_t>(status);
        if (status != kFtOk && status != kFtIoError) {
            m_state.LinkStatus = STATUS_TRANSFER_FAILED;
            m_state.ReadFailed = true;
            return;
        }
        if (got == 0) {
            m_state.LinkStatus = STATUS_TRANSFER_FAILED;
            m_state.ReadTimedOut = true;
            return;
        }
        received += std::min(got, missing);  // a driver never delivers more than asked
    } while (received != wanted);
    if (m_state.LinkStatus != 0) {
        return;  // the read that completed the block reported an input/output error
    }
    if (std::memcmp(m_state.ReadBackBuffer.data(), m_state.BlockBuffer.data(), wanted) != 0) {
        m_state.LinkStatus = STATUS_TRANSFER_FAILED;
    }
}

}  // namespace korvo
