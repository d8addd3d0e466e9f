// The serial link: opening and configuring the adapter, closing it, sending a command and taking
// back its echo, and receiving a reply of an exact length.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "link/event_pump.h"
#include "link/usb_serial_driver.h"
#include "state/updater_state.h"

namespace korvo {

// The program's own status: a receive ended short, or a reply or read-back was not the one
// expected.
inline constexpr std::int32_t STATUS_TRANSFER_FAILED = 8;

// The adapter descriptions tried, in this order.
inline constexpr std::string_view kAdapterDescriptions[] = {"Fendral Serial Link",
                                                            "FT232R USB UART"};
inline constexpr std::uint32_t kLinkBitsPerSecond = 125'000;
inline constexpr std::uint8_t kLatencyTimerMs = 2;
inline constexpr std::uint32_t kUsbInTransferBytes = 4096;
inline constexpr std::uint32_t kUsbOutTransferBytes = 0;
inline constexpr std::uint8_t kDataBits = 8;
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kNoParity = 0;
inline constexpr std::chrono::milliseconds kReadTimeout{250};
inline constexpr std::chrono::milliseconds kWriteTimeout{0};  // the driver's own meaning
inline constexpr std::int32_t kOpeningDrainBytes = 20;        // taken in right after the link opens

class SerialLink {
public:
    SerialLink(UpdaterState& state, UsbSerialDriver& driver, EventPump& pump)
        : m_state(state), m_driver(driver), m_pump(pump) {}

    // Opens the first adapter that answers to one of the descriptions and configures it; leaves
    // LinkHandle non-zero and LinkStatus 0 on success, LinkHandle 0 and the failing call's status
    // otherwise.
    void OpenLink();
    // Closes the link when one is open; LinkHandle becomes 0 in every case.
    void CloseLink();
    // Closes LinkHandle without testing it; the caller clears it.
    void AbandonLink();
    // Writes the first TxCount bytes of TxBuffer and receives their echo into RxBuffer.
    void SendCommand();
    // Receives RxCount bytes into RxBuffer; LinkStatus 0 (or 4) when they all arrived,
    // STATUS_TRANSFER_FAILED with ReadTimedOut or ReadFailed set otherwise.
    void ReceiveReply();

    UpdaterState& state() { return m_state; }
    UsbSerialDriver& driver() { return m_driver; }

private:
    UpdaterState& m_state;
    UsbSerialDriver& m_driver;
    EventPump& m_pump;
};

}  // namespace korvo
