// termios2 access: every change is read back and checked, so a setting the driver did not take
// is reported instead of assumed.
#include "link/linux/tty_settings.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace korvo::tty_settings {
namespace {

constexpr tcflag_t kInputProcessing = IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK | IMAXBEL;
constexpr tcflag_t kLocalProcessing =
    ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN;
constexpr tcflag_t kSoftwareFlow = IXON | IXOFF | IXANY;
constexpr tcflag_t kFraming = CSIZE | PARENB | CSTOPB;
constexpr tcflag_t kRateBits = CBAUD | (CBAUD << IBSHIFT);
constexpr tcflag_t kOtherRate = BOTHER | (BOTHER << IBSHIFT);

bool Get(int fd, termios2& settings) {
    return ioctl(fd, TCGETS2, &settings) == 0;
}

// Reads the settings, lets `edit` change them, writes them and reads them back for `check`.
template <typename Edit, typename Check>
bool Change(int fd, Edit edit, Check check) {
    termios2 settings{};
    if (!Get(fd, settings)) {
        return false;
    }
    edit(settings);
    if (ioctl(fd, TCSETS2, &settings) != 0) {
        return false;
    }
    termios2 taken{};
    return Get(fd, taken) && check(taken);
}

bool EightNoneOne(const termios2& s) {
    return (s.c_cflag & kFraming) == CS8;
}

bool NoFlowControl(const termios2& s) {
    return (s.c_cflag & CRTSCTS) == 0 && (s.c_iflag & kSoftwareFlow) == 0;
}

}  // namespace

bool MakeRaw(int fd) {
    return Change(
        fd,
        [](termios2& s) {
            s.c_iflag &= ~kInputProcessing;
            s.c_oflag &= ~OPOST;
            s.c_lflag &= ~kLocalProcessing;
            s.c_cflag &= ~(kFraming | CRTSCTS);
            s.c_cflag |= CS8 | CLOCAL | CREAD;
            s.c_cc[VMIN] = 1;
            s.c_cc[VTIME] = 0;
        },
        [](const termios2& s) {
            return (s.c_iflag & kInputProcessing) == 0 && (s.c_oflag & OPOST) == 0 &&
                   (s.c_lflag & kLocalProcessing) == 0 && (s.c_cflag & CREAD) != 0 &&
                   (s.c_cflag & CLOCAL) != 0 && EightNoneOne(s) && NoFlowControl(s);
        });
}

bool SetExactRate(int fd, std::uint32_t bitsPerSecond) {
    if (bitsPerSecond == 0) {
        return false;  // rate 0 would hang up the line
    }
    return Change(
        fd,
        [bitsPerSecond](termios2& s) {
            s.c_cflag = (s.c_cflag & ~kRateBits) | kOtherRate;
            s.c_ispeed = bitsPerSecond;
            s.c_ospeed = bitsPerSecond;
        },
        [bitsPerSecond](const termios2& s) {
            return s.c_ispeed == bitsPerSecond && s.c_ospeed == bitsPerSecond;
        });
}

bool SetNoFlowControl(int fd) {
    return Change(
        fd,
        [](termios2& s) {
            s.c_cflag &= ~CRTSCTS;
            s.c_iflag &= ~kSoftwareFlow;
        },
        NoFlowControl);
}

bool SetEightNoneOne(int fd) {
    return Change(
        fd,
        [](termios2& s) {
            s.c_cflag &= ~kFraming;
            s.c_cflag |= CS8;
        },
        EightNoneOne);
}

bool FlushBoth(int fd) {
    return ioctl(fd, TCFLSH, TCIOFLUSH) == 0;
}

bool SetLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) {
        return false;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

}  // namespace korvo::tty_settings
