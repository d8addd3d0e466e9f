// The USB serial adapter's driver calls: the one interface through which the program reaches an
// adapter, whether a real one, the emulated board or a test's fake.
#pragma once

#include <cstdint>

namespace korvo {

using FtHandle = std::uint32_t;  // 0 = no adapter
using FtStatus = std::uint32_t;  // 0 = success

// Statuses. Callers test only for kFtOk, and the receive loops accept kFtIoError like it; the
// others say why a call failed and are passed on unchanged.
inline constexpr FtStatus kFtOk = 0;
inline constexpr FtStatus kFtInvalidHandle = 1;
inline constexpr FtStatus kFtDeviceNotFound = 2;
inline constexpr FtStatus kFtDeviceNotOpened = 3;
inline constexpr FtStatus kFtIoError = 4;
inline constexpr FtStatus kFtOtherError = 18;

inline constexpr std::uint32_t kFtOpenByDescription = 2;  // FT_OpenEx flag
inline constexpr std::uint32_t kFtPurgeRxTx = 3;          // FT_Purge mask: receive and transmit
inline constexpr std::uint16_t kFtFlowNone = 0;

class UsbSerialDriver {
public:
    virtual ~UsbSerialDriver() = default;

    // Opens the adapter whose USB description equals `description` (a NUL-ended string) when
    // `flags` is kFtOpenByDescription, and stores its non-zero handle; fails when no such
    // adapter can be opened, leaving `handle` alone.
    virtual FtStatus FT_OpenEx(const char* description, std::uint32_t flags, FtHandle* handle) = 0;
    virtual FtStatus FT_SetBaudRate(FtHandle handle, std::uint32_t bitsPerSecond) = 0;
    virtual FtStatus FT_SetFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                       std::uint8_t xoff) = 0;
    virtual FtStatus FT_SetLatencyTimer(FtHandle handle, std::uint8_t milliseconds) = 0;
    virtual FtStatus FT_SetUSBParameters(FtHandle handle, std::uint32_t inTransferBytes,
                                         std::uint32_t outTransferBytes) = 0;
    virtual FtStatus FT_SetDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus FT_SetChars(FtHandle handle, std::uint8_t eventChar, std::uint8_t eventEnable,
                                 std::uint8_t errorChar, std::uint8_t errorEnable) = 0;
    virtual FtStatus FT_SetTimeouts(FtHandle handle, std::uint32_t readMilliseconds,
                                    std::uint32_t writeMilliseconds) = 0;
    // Discards pending data in the directions that `mask` names.
    virtual FtStatus FT_Purge(FtHandle handle, std::uint32_t mask) = 0;
    // Sends `count` bytes; kFtOk means all were handed to the adapter.
    virtual FtStatus FT_Write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                              std::uint32_t* written) = 0;
    // Returns once `count` bytes have arrived or the read time-out has passed, storing at most
    // `count` bytes and their number in `received` (0 = none arrived). kFtIoError may come with
    // bytes that still count.
    virtual FtStatus FT_Read(FtHandle handle, std::uint8_t* buffer, std::uint32_t count,
                             std::uint32_t* received) = 0;
    virtual FtStatus FT_Close(FtHandle handle) = 0;
};

// Every call made on handle 0 fails with this status (never kFtOk, never kFtIoError).
inline constexpr FtStatus kFtNoHandleStatus = kFtInvalidHandle;

}  // namespace korvo
