// The test's pseudo-terminal pair.
#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>

namespace korvo::test {

PtyPair::PtyPair() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        return;
    }
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname(master) == nullptr) {
        ::close(master);
        return;
    }
    m_master = master;
    m_portPath = ptsname(master);
}

PtyPair::~PtyPair() {
    CloseMaster();
}

void PtyPair::CloseMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool PtyPair::SendToPort(const std::vector<std::uint8_t>& bytes) const {
    return ::write(m_master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::vector<std::uint8_t> PtyPair::TakeFromPort(std::size_t count,
                                                std::chrono::milliseconds timeout) const {
    std::vector<std::uint8_t> bytes(count);
    std::size_t taken = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (taken < count) {
        const ssize_t n = ::read(m_master, bytes.data() + taken, count - taken);
        if (n > 0) {
            taken += static_cast<std::size_t>(n);
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{m_master, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
    }
    bytes.resize(taken);
    return bytes;
}

}  // namespace korvo::test
