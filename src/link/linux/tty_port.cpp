// Reads and writes on a non-blocking tty with poll(), timed on the monotonic clock, and the
// port's exclusive opening and closing.
#include "link/linux/tty_port.h"

#include <fcntl.h>
#include <poll.h>

#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "link/linux/tty_settings.h"

namespace korvo {
namespace {

using Clock = std::chrono::steady_clock;

// Below the sysfs root: the directory of each character device, named "major:minor".
constexpr const char* kCharDeviceDirectory = "dev/char";

enum class Wait { Ready, TimedOut, Gone };

// Waits up to `left` for `events` on `fd`; a signal only shortens the wait.
Wait WaitFor(int fd, short events, Clock::duration left) {
    if (left <= Clock::duration::zero()) {
        return Wait::TimedOut;
    }
    pollfd entry{fd, events, 0};
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    const int ready = poll(&entry, 1, static_cast<int>(milliseconds));
    if (ready < 0) {
        return errno == EINTR ? Wait::Ready : Wait::Gone;
    }
    if (ready == 0) {
        return Wait::TimedOut;
    }
    // Failed or no longer valid: gone. Hung up: gone, unless data came with it, which the read
    // then takes (and sees the end after it).
    if ((entry.revents & (POLLERR | POLLNVAL)) != 0 ||
        ((entry.revents & POLLHUP) != 0 && (entry.revents & events) == 0)) {
        return Wait::Gone;
    }
    return Wait::Ready;
}

bool WriteAttribute(const std::filesystem::path& attribute, const std::string& value) {
    const int fd = ::open(attribute.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written =
        ::write(fd, value.data(), value.size()) == static_cast<ssize_t>(value.size());
    return (::close(fd) == 0) && written;
}

}  // namespace

FtStatus TtyPort::Open(const std::string& path, std::unique_ptr<TtyPort>& port) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return kPortNotOpened;
    }
    auto opened = std::make_unique<TtyPort>(fd);
    // TIOCEXCL keeps other users out but not root; the lock holds against every program that
    // takes one too, this one included.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0 ||
        !tty_settings::MakeRaw(fd)) {
        return kPortNotOpened;
    }
    port = std::move(opened);
    return kFtOk;
}

TtyPort::~TtyPort() {
    if (m_fd >= 0) {
        // A pseudo-terminal keeps its flags after the last close: leave it open to others.
        ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
}

FtStatus TtyPort::SetRate(std::uint32_t bitsPerSecond) {
    if (!tty_settings::SetExactRate(m_fd, bitsPerSecond)) {
        return kPortFailed;
    }
    m_byteTime =
        std::chrono::nanoseconds(std::int64_t{1'000'000'000} * kBitsPerByte / bitsPerSecond);
    return kFtOk;
}

FtStatus TtyPort::SetNoFlowControl() {
    return tty_settings::SetNoFlowControl(m_fd) ? kFtOk : kPortFailed;
}

FtStatus TtyPort::SetEightNoneOne() {
    return tty_settings::SetEightNoneOne(m_fd) ? kFtOk : kPortFailed;
}

FtStatus TtyPort::SetLatencyTimer(std::uint8_t milliseconds,
                                  const std::filesystem::path& sysfsRoot) {
    struct stat info {};
    if (fstat(m_fd, &info) == 0 && S_ISCHR(info.st_mode)) {
        const std::string device =
            std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
        const auto attribute = sysfsRoot / kCharDeviceDirectory / device / kLatencyTimerAttribute;
        if (WriteAttribute(attribute, std::to_string(milliseconds))) {
            return kFtOk;
        }
    }
    tty_settings::SetLowLatency(m_fd);  // without it the port works all the same, more slowly
    return kFtOk;
}

void TtyPort::SetTimeouts(std::chrono::milliseconds read, std::chrono::milliseconds write) {
    m_readTimeout = read;
    m_writeStallLimit = write.count() > 0 ? write : kWriteStallLimit;
}

FtStatus TtyPort::Purge() {
    return tty_settings::FlushBoth(m_fd) ? kFtOk : kPortFailed;
}

FtStatus TtyPort::Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t& written) {
    written = 0;
    auto lastProgress = Clock::now();
    while (written < count) {
        const ssize_t n = ::write(m_fd, buffer + written, count - written);
        if (n > 0) {
            written += static_cast<std::uint32_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0 || errno != EAGAIN) {
            return kPortFailed;  // EIO, ENXIO, ENODEV: the port is gone
        }
        const auto left = lastProgress + m_writeStallLimit - Clock::now();
        if (WaitFor(m_fd, POLLOUT, left) != Wait::Ready) {
            return kPortFailed;
        }
    }
    return kFtOk;
}

FtStatus TtyPort::Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received) {
    received = 0;
    const auto deadline = Clock::now() + m_readTimeout;
    while (received < count) {
        const ssize_t n = ::read(m_fd, buffer + received, count - received);
        if (n > 0) {
            received += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0 || errno != EAGAIN) {
            return kPortFailed;  // end of file after a hang-up, or EIO, ENXIO, ENODEV
        }
        switch (WaitFor(m_fd, POLLIN, deadline - Clock::now())) {
            case Wait::Ready: {
                const auto missing = static_cast<std::int64_t>(count - received);
                const auto gather = std::min<Clock::duration>(
                    {m_byteTime * missing, kMaxGather, deadline - Clock::now()});
                if (gather > Clock::duration::zero()) {
                    std::this_thread::sleep_for(gather);
                }
                break;
            }
            case Wait::TimedOut:
                return kFtOk;
            case Wait::Gone:
                return kPortFailed;
        }
    }
    return kFtOk;
}

}  // namespace korvo
