// The board's loop: wait for the host, take its bytes, and send echo and answers back, paced
// like the wire when asked to.
#include "pty_board.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace korvo {
namespace {

constexpr std::size_t kReadChunkBytes = 4096;
// The wire and the loader keep the emulated board's timing: a byte every 80 us at 125,000 bit/s,
// and a command dropped after 100 ms of silence.
constexpr auto kByteTime = EmulatedBoard::kByteTime;
constexpr std::size_t kAdapterPacketBytes = 62;  // the data bytes of one FTDI USB packet
constexpr auto kLoaderIdleReset = EmulatedBoard::kLoaderIdleReset;

timespec ToTimespec(std::chrono::nanoseconds duration) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(duration);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((duration - seconds).count())};
}

bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PtyBoard::PtyBoard(const EmulatorOptions& options) : m_options(options) {
    if (m_options.version) {
        m_loader.identifyAnswer[kVersionIndex] = *m_options.version;
    }
}

PtyBoard::~PtyBoard() {
    if (m_master >= 0) {
        ::close(m_master);
    }
}

bool PtyBoard::Open(std::string& path, std::string& error) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 || !MakeRaw(m_master)) {
        error = SystemError("cannot create a pseudo-terminal");
        return false;
    }
    path = ptsname(m_master);
    // Open and close the host's side once: it starts raw, and the board sees the host's first
    // open as the end of the hang-up that this close leaves.
    const int host = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (host < 0 || !MakeRaw(host)) {
        error = SystemError("cannot set up the pseudo-terminal");
        if (host >= 0) {
            ::close(host);
        }
        return false;
    }
    ::close(host);
    return true;
}

bool PtyBoard::HostHasClosed() const {
    pollfd entry{m_master, 0, 0};
    return poll(&entry, 1, 0) == 1 && (entry.revents & POLLHUP) != 0;
}

bool PtyBoard::Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask,
                   std::string& error) {
    while (stop == 0) {
        if (HostHasClosed()) {
            if (m_hostOpen) {
                OnHostClosed();
                if (m_options.exitOnClose) {
                    return true;
                }
            }
            // The hang-up shows at every look until the host opens again: nap between looks.
            const timespec nap = ToTimespec(kHostWatchInterval);
            ppoll(nullptr, 0, &nap, &waitMask);
            continue;
        }
        if (!m_hostOpen) {
            OnHostOpened(Clock::now());
        }
        if (!Serve(waitMask, error)) {
            return false;
        }
    }
    return true;
}

void PtyBoard::OnHostOpened(Clock::time_point now) {
    m_hostOpen = true;
    if (m_bannerSent || m_options.silent) {
        return;
    }
    m_bannerSent = true;
    for (std::uint32_t i = 0; i < m_options.bannerBytes; ++i) {
        const auto byte = static_cast<std::uint8_t>(kBannerText[i % kBannerText.size()]);
        Queue(&byte, 1, now);
    }
}

void PtyBoard::OnHostClosed() {
    m_hostOpen = false;
    m_output.clear();  // what was still on the wire is lost
    m_loader.ResetParser();
}

bool PtyBoard::Serve(const sigset_t& waitMask, std::string& error) {
    // Wake for the host's bytes, room for due output, the next paced byte, or the loader's idle
    // reset; a hang-up always wakes.
    auto now = Clock::now();
    std::optional<Clock::time_point> wake;
    short events = POLLIN;
    if (!m_output.empty()) {
        if (BytesDue(now) > 0) {
            events |= POLLOUT;
        } else {
            wake = NextDue();
        }
    }
    if (m_loader.midCommand()) {
        const auto reset = m_lastReceived + kLoaderIdleReset;
        wake = wake ? std::min(*wake, reset) : reset;
    }
    pollfd entry{m_master, events, 0};
    timespec timeout{};
    if (wake) {
        timeout = ToTimespec(std::max(*wake - now, Clock::duration::zero()));
    }
    if (ppoll(&entry, 1, wake ? &timeout : nullptr, &waitMask) < 0 && errno != EINTR) {
        error = SystemError("waiting on the pseudo-terminal");
        return false;
    }

    now = Clock::now();
    if (m_loader.midCommand() && now - m_lastReceived >= kLoaderIdleReset) {
        m_loader.ResetParser();  // the host fell silent in the middle of a command
    }
    if ((entry.revents & POLLIN) != 0) {
        ReceiveFromHost(now);
    }
    SendDue(now);
    return true;
}

void PtyBoard::ReceiveFromHost(Clock::time_point now) {
    std::uint8_t bytes[kReadChunkBytes];
    const ssize_t count = ::read(m_master, bytes, sizeof bytes);
    if (count <= 0 || m_options.silent) {
        return;  // nothing, or the host has gone: the loop's next look sees it
    }
    std::vector<std::uint8_t> answer;
    for (ssize_t i = 0; i < count; ++i) {
        Queue(&bytes[i], 1, now);  // the echo goes ahead of the answer
        answer.clear();
        m_loader.Receive(bytes[i], answer);
        Queue(answer.data(), answer.size(), now);
    }
    m_lastReceived = now;
}

void PtyBoard::Queue(const std::uint8_t* bytes, std::size_t count, Clock::time_point now) {
    if (m_output.empty()) {
        m_lineFree = std::max(m_lineFree, now);  // an idle line starts the next byte at once
    }
    m_output.insert(m_output.end(), bytes, bytes + count);
}

std::size_t PtyBoard::BytesDue(Clock::time_point now) const {
    if (!m_options.pace) {
        return m_output.size();
    }
    if (now < m_lineFree + kByteTime) {
        return 0;
    }
    const auto sent =
        std::min(m_output.size(), static_cast<std::size_t>((now - m_lineFree) / kByteTime));
    // An adapter with a latency timer passes bytes on in full packets, or once the first of them
    // has waited out the timer.
    const bool held = m_options.latencyMs > 0 && sent < kAdapterPacketBytes &&
                      now < m_lineFree + kByteTime + Latency();
    return held ? 0 : sent;
}

PtyBoard::Clock::time_point PtyBoard::NextDue() const {
    const auto nextByte = m_lineFree + kByteTime;
    if (m_options.latencyMs == 0) {
        return nextByte;
    }
    const auto timerRunsOut = nextByte + Latency();
    if (m_output.size() < kAdapterPacketBytes) {
        return timerRunsOut;
    }
    return std::min(timerRunsOut,
                    m_lineFree + kByteTime * static_cast<std::int64_t>(kAdapterPacketBytes));
}

PtyBoard::Clock::duration PtyBoard::Latency() const {
    return std::chrono::milliseconds(m_options.latencyMs);
}

void PtyBoard::SendDue(Clock::time_point now) {
    const std::size_t due = BytesDue(now);
    if (due == 0) {
        return;
    }
    const ssize_t written = ::write(m_master, m_output.data(), due);
    if (written <= 0) {
        return;  // full for now, or the host has gone
    }
    m_output.erase(m_output.begin(), m_output.begin() + written);
    m_lineFree += written * std::chrono::duration_cast<Clock::duration>(kByteTime);
}

}  // namespace korvo
