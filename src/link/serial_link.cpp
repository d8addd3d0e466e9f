// Opening, configuring and closing the adapter; sending a command and taking back its echo;
// receiving a reply of an exact length with the event pump running between reads.
#include "link/serial_link.h"

#include <algorithm>
#include <string>

namespace korvo {
namespace {

bool CountFits(std::int32_t count) {
    return count >= 0 && static_cast<std::size_t>(count) <= kTextBufferBytes;
}

}  // namespace

void SerialLink::OpenLink() {
    for (std::string_view description : kAdapterDescriptions) {
        const std::string terminated(description);  // NUL-ended for the driver
        m_state.LinkStatus = static_cast<std::int32_t>(
            m_driver.FT_OpenEx(terminated.c_str(), kFtOpenByDescription, &m_state.LinkHandle));
        if (m_state.LinkStatus == 0) {
            break;
        }
    }
    if (m_state.LinkStatus != 0) {
        m_state.LinkHandle = 0;
        return;
    }

    const FtHandle handle = m_state.LinkHandle;
    const auto setUp = [&](FtStatus status) {
        m_state.LinkStatus = static_cast<std::int32_t>(status);
        return status == kFtOk;
    };
    bool ok = setUp(m_driver.FT_SetBaudRate(handle, kLinkBitsPerSecond)) &&
              setUp(m_driver.FT_SetFlowControl(handle, kFtFlowNone, 0, 0)) &&
              setUp(m_driver.FT_SetLatencyTimer(handle, kLatencyTimerMs));
    if (ok) {
        // The transfer sizes are a tuning hint: an adapter that refuses them still works.
        setUp(m_driver.FT_SetUSBParameters(handle, kUsbInTransferBytes, kUsbOutTransferBytes));
        ok = setUp(m_driver.FT_SetDataCharacteristics(handle, kDataBits, kOneStopBit, kNoParity)) &&
             setUp(m_driver.FT_SetChars(handle, 0, 0, 0, 0)) &&
             setUp(m_driver.FT_SetTimeouts(handle, static_cast<std::uint32_t>(kReadTimeout.count()),
                                           static_cast<std::uint32_t>(kWriteTimeout.count())));
    }
    if (!ok) {
        AbandonLink();
        m_state.LinkHandle = 0;
        return;
    }

    // Take in whatever the board sent on its own when the port opened; it means nothing.
    m_state.RxCount = kOpeningDrainBytes;
    ReceiveReply();
    m_state.LinkStatus = 0;
}

void SerialLink::CloseLink() {
    if (m_state.LinkHandle != 0) {
        m_driver.FT_Close(m_state.LinkHandle);
    }
    m_state.LinkHandle = 0;
}

void SerialLink::AbandonLink() {
    m_driver.FT_Close(m_state.LinkHandle);
}

void SerialLink::SendCommand() {
    if (!CountFits(m_state.TxCount)) {
        m_state.LinkStatus = STATUS_TRANSFER_FAILED;
        return;
    }
    std::uint32_t written = 0;
    m_state.LinkStatus = static_cast<std::int32_t>(
        m_driver.FT_Write(m_state.LinkHandle, m_state.TxBuffer.data(),
                          static_cast<std::uint32_t>(m_state.TxCount), &written));
    if (m_state.LinkStatus != 0) {
        return;
    }
    m_state.RxCount = m_state.TxCount;
    ReceiveReply();
}

void SerialLink::ReceiveReply() {
    m_state.ReadTimedOut = false;
    m_state.ReadFailed = false;
    m_state.RxBuffer = BlankText();
    if (!CountFits(m_state.RxCount)) {
        m_state.LinkStatus = STATUS_TRANSFER_FAILED;
        m_state.ReadFailed = true;
        return;
    }
    const auto wanted = static_cast<std::uint32_t>(m_state.RxCount);
    std::uint32_t received = 0;
    do {
        const std::uint32_t missing = wanted - received;
        std::uint32_t got = 0;
        const FtStatus status =
            m_driver.FT_Read(m_state.LinkHandle, m_state.RxBuffer.data() + received, missing, &got);
        m_state.LinkStatus = static_cast<std::int32_t>(status);
        if (status != kFtOk && status != kFtIoError) {
            m_state.LinkStatus = STATUS_TRANSFER_FAILED;
            m_state.ReadFailed = true;
            break;
        }
        m_pump.PumpEvents();
        if (got > 0) {
            received += std::min(got, missing);  // a driver never delivers more than asked
        } else {
            m_state.LinkStatus = STATUS_TRANSFER_FAILED;
            m_state.ReadTimedOut = true;
        }
    } while (received != wanted && !m_state.ReadTimedOut && !m_state.ReadFailed);
}

}  // namespace korvo
