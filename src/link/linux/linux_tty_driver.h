// The driver calls over Linux serial ports: an FTDI adapter found by its USB description is
// opened as its /dev/ttyUSB* port (the kernel's ftdi_sio driver) and driven through termios.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>

#include "link/linux/port_finder.h"
#include "link/linux/tty_port.h"
#include "link/usb_serial_driver.h"

namespace korvo {

class LinuxTtyDriver : public UsbSerialDriver {
public:
    // The framing values of FT_SetDataCharacteristics that a port can be set to.
    static constexpr std::uint8_t kWordLength8 = 8;
    static constexpr std::uint8_t kStopBits1 = 0;
    static constexpr std::uint8_t kParityNone = 0;
    static constexpr const char* kSysfsRoot = "/sys";

    // Finds ports through `finder`; the latency timer is looked for under `sysfsRoot`.
    explicit LinuxTtyDriver(std::unique_ptr<PortFinder> finder,
                            std::filesystem::path sysfsRoot = kSysfsRoot);

    // Finds the port of the adapter described `description` and opens it exclusively; the handle
    // is a small number of the driver's own, never reused. Fails with kFtDeviceNotFound when no
    // port matches, kPortNotOpened when it cannot be had (busy, no permission), and with
    // kPortFailed for flags other than kFtOpenByDescription or a missing argument.
    FtStatus FT_OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) override;
    // Every call below fails with kFtInvalidHandle on a handle that is 0, closed or unknown.
    // Refuses a rate the port does not take exactly.
    FtStatus FT_SetBaudRate(FtHandle handle, std::uint32_t bitsPerSecond) override;
    // Only kFtFlowNone; the XON and XOFF characters then do not matter.
    FtStatus FT_SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                               std::uint8_t xoff) override;
    // Succeeds even where the timer cannot be set; the link is then slower, not broken.
    FtStatus FT_SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) override;
    // The kernel driver sizes its own transfers: nothing to do.
    FtStatus FT_SetUSBParameters(FtHandle handle, std::uint32_t inTransferBytes,
                                 std::uint32_t outTransferBytes) override;
    // Only 8 data bits, 1 stop bit, no parity.
    FtStatus FT_SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    // A tty has no event or error character: nothing to do.
    FtStatus FT_SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventEnable,
                         std::uint8_t errorChar, std::uint8_t errorEnable) override;
    // The read time-out bounds each FT_Read; a write time-out of 0 means the port's stall limit.
    FtStatus FT_SetTimeouts(FtHandle handle, std::uint32_t readMilliseconds,
                            std::uint32_t writeMilliseconds) override;
    // Only kFtPurgeRxTx.
    FtStatus FT_Purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus FT_Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                      std::uint32_t* written) override;
    // Fails with kPortFailed, never kFtIoError, when the port has gone.
    FtStatus FT_Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t count,
                     std::uint32_t* received) override;
    // Releases the port and forgets the handle.
    FtStatus FT_Close(FtHandle handle) override;

private:
    TtyPort* Find(FtHandle handle);

    std::unique_ptr<PortFinder> m_finder;
    std::filesystem::path m_sysfsRoot;
    std::map<FtHandle, std::unique_ptr<TtyPort>> m_ports;
    FtHandle m_nextHandle = 1;
};

}  // namespace korvo
