// A pseudo-terminal pair inside a test: the driver opens the port side by its path, and the
// test plays the device on the master side.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace korvo::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isOpen() const { return m_master >= 0; }
    // The port side's path, e.g. "/dev/pts/3".
    const std::string& portPath() const { return m_portPath; }
    // Sends bytes to the port side as the device would; false when not all were taken.
    bool SendToPort(const std::vector<std::uint8_t>& bytes) const;
    // Bytes written on the port side, up to `count`, waiting at most `timeout` for them.
    std::vector<std::uint8_t> TakeFromPort(std::size_t count,
                                           std::chrono::milliseconds timeout) const;
    // Closes the device side: the port hangs up, as when the adapter is unplugged.
    void CloseMaster();

private:
    int m_master = -1;
    std::string m_portPath;
};

}  // namespace korvo::test
