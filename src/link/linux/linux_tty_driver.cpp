// The handle table and the checks of each driver call's arguments; the port does the work.
#include "link/linux/linux_tty_driver.h"

#include <utility>

namespace korvo {

LinuxTtyDriver::LinuxTtyDriver(std::unique_ptr<PortFinder> finder, std::filesystem::path sysfsRoot)
    : m_finder(std::move(finder)), m_sysfsRoot(std::move(sysfsRoot)) {}

TtyPort* LinuxTtyDriver::Find(FtHandle handle) {
    const auto found = m_ports.find(handle);
    return found == m_ports.end() ? nullptr : found->second.get();
}

FtStatus LinuxTtyDriver::FT_OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) {
    if (description == nullptr || handle == nullptr || flags != kFtOpenByDescription) {
        return kPortFailed;
    }
    const auto path = m_finder->FindPort(description);
    if (!path) {
        return kFtDeviceNotFound;
    }
    std::unique_ptr<TtyPort> port;
    const FtStatus status = TtyPort::Open(*path, port);
    if (status != kFtOk) {
        return status;
    }
    const FtHandle opened = m_nextHandle++;
    m_ports.emplace(opened, std::move(port));
    *handle = opened;
    return kFtOk;
}

FtStatus LinuxTtyDriver::FT_SetBaudRate(FtHandle handle, std::uint32_t bitsPerSecond) {
    TtyPort* port = Find(handle);
    return port == nullptr ? kFtInvalidHandle : port->SetRate(bitsPerSecond);
}

FtStatus LinuxTtyDriver::FT_SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t,
                                           std::uint8_t) {
    TtyPort* port = Find(handle);
    if (port == nullptr) {
        return kFtInvalidHandle;
    }
    return flow == kFtFlowNone ? port->SetNoFlowControl() : kPortFailed;
}

FtStatus LinuxTtyDriver::FT_SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) {
    TtyPort* port = Find(handle);
    return port == nullptr ? kFtInvalidHandle : port->SetLatencyTimer(milliseconds, m_sysfsRoot);
}

FtStatus LinuxTtyDriver::FT_SetUSBParameters(FtHandle handle, std::uint32_t, std::uint32_t) {
    return Find(handle) == nullptr ? kFtInvalidHandle : kFtOk;
}

FtStatus LinuxTtyDriver::FT_SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                   std::uint8_t stopBits, std::uint8_t parity) {
    TtyPort* port = Find(handle);
    if (port == nullptr) {
        return kFtInvalidHandle;
    }
    const bool eightNoneOne =
        wordLength == kWordLength8 && stopBits == kStopBits1 && parity == kParityNone;
    return eightNoneOne ? port->SetEightNoneOne() : kPortFailed;
}

FtStatus LinuxTtyDriver::FT_SetChars(FtHandle handle, std::uint8_t, std::uint8_t, std::uint8_t,
                                     std::uint8_t) {
    return Find(handle) == nullptr ? kFtInvalidHandle : kFtOk;
}

FtStatus LinuxTtyDriver::FT_SetTimeouts(FtHandle handle, std::uint32_t readMilliseconds,
                                        std::uint32_t writeMilliseconds) {
    TtyPort* port = Find(handle);
    if (port == nullptr) {
        return kFtInvalidHandle;
    }
    port->SetTimeouts(std::chrono::milliseconds{readMilliseconds},
                      std::chrono::milliseconds{writeMilliseconds});
    return kFtOk;
}

FtStatus LinuxTtyDriver::FT_Purge(FtHandle handle, std::uint32_t mask) {
    TtyPort* port = Find(handle);
    if (port == nullptr) {
        return kFtInvalidHandle;
    }
    return mask == kFtPurgeRxTx ? port->Purge() : kPortFailed;
}

FtStatus LinuxTtyDriver::FT_Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                                  std::uint32_t* written) {
    TtyPort* port = Find(handle);
    if (port == nullptr) {
        return kFtInvalidHandle;
    }
    if ((buffer == nullptr && count > 0) || written == nullptr) {
        return kPortFailed;
    }
    return port->Write(buffer, count, *written);
}

FtStatus LinuxTtyDriver::FT_Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t count,
                                 std::uint32_t* received) {
    TtyPort* port = Find(handle);
    if (port == nullptr) {
        return kFtInvalidHandle;
    }
    if ((buffer == nullptr && count > 0) || received == nullptr) {
        return kPortFailed;
    }
    return port->Read(buffer, count, *received);
}

FtStatus LinuxTtyDriver::FT_Close(FtHandle handle) {
    return m_ports.erase(handle) == 1 ? kFtOk : kFtInvalidHandle;
}

}  // namespace korvo
