// One open serial port: its file descriptor, held exclusively, and the reads, writes and
// settings that the tty driver makes on it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "link/usb_serial_driver.h"

namespace korvo {

// Why a port call failed, as the driver reports it (never kFtIoError, which the receive loops
// accept like success).
inline constexpr FtStatus kPortNotOpened = kFtDeviceNotOpened;  // busy, no permission, not a tty
inline constexpr FtStatus kPortFailed = kFtOtherError;  // gone, stalled, or a setting refused

class TtyPort {
public:
    // Until the driver is told otherwise: how long a read waits, and how long a write may go
    // without progress (a write time-out of 0 means this limit).
    static constexpr std::chrono::milliseconds kDefaultReadTimeout{1000};
    static constexpr std::chrono::milliseconds kWriteStallLimit{2000};
    // While a read waits for more bytes it lets them gather for the time they take on the wire,
    // at most this long (an FTDI adapter's own latency timer batches them the same way): one
    // wake-up per burst, not one per byte.
    static constexpr std::chrono::microseconds kMaxGather{2000};
    static constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
    // The latency timer attribute of a USB serial port, below the tty's sysfs directory.
    static constexpr const char* kLatencyTimerAttribute = "device/latency_timer";

    // Opens `path` read-write without making it the controlling terminal, takes it for this
    // process alone (TIOCEXCL, and an exclusive flock, which also holds against root) and puts it
    // in raw 8N1 mode. On success `port` holds it and kFtOk is returned; otherwise
    // kPortNotOpened and `port` is left alone.
    static FtStatus Open(const std::string& path, std::unique_ptr<TtyPort>& port);

    explicit TtyPort(int fd) : m_fd(fd) {}
    ~TtyPort();
    TtyPort(const TtyPort&) = delete;
    TtyPort& operator=(const TtyPort&) = delete;

    FtStatus SetRate(std::uint32_t bitsPerSecond);
    FtStatus SetNoFlowControl();
    FtStatus SetEightNoneOne();
    // Writes `milliseconds` to the port's latency timer attribute under `sysfsRoot` where that
    // is writable, else asks for low latency through the serial ioctls; kFtOk in any case, as a
    // port without either still works, only more slowly.
    FtStatus SetLatencyTimer(std::uint8_t milliseconds, const std::filesystem::path& sysfsRoot);
    void SetTimeouts(std::chrono::milliseconds read, std::chrono::milliseconds write);
    FtStatus Purge();

    // Writes all `count` bytes, waiting while the port is full; fails when the port is gone or
    // takes no byte for the write time-out. `written` gets the number handed over.
    FtStatus Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written);
    // Waits until `count` bytes have arrived or the read time-out has passed since the call, and
    // stores at most `count` bytes; `received` gets their number. Fails with kPortFailed when the
    // port is gone (hung up, unplugged), keeping the bytes that came before.
    FtStatus Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received);

private:
    int m_fd = -1;
    std::chrono::milliseconds m_readTimeout = kDefaultReadTimeout;
    std::chrono::milliseconds m_writeStallLimit = kWriteStallLimit;
    std::chrono::nanoseconds m_byteTime{0};  // 0 until the rate is set
};

}  // namespace korvo
