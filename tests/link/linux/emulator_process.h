// The board emulator program run as a child process for a test: started with its arguments,
// its pseudo-terminal path taken from its first line of output, stopped by a signal.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace korvo::test {

class EmulatorProcess {
public:
    EmulatorProcess() = default;
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // Starts `program` with `arguments` and waits for the path line; false when it does not come.
    bool Start(const std::string& program, const std::vector<std::string>& arguments);
    const std::string& portPath() const { return m_portPath; }
    // Sends SIGTERM and returns the exit status, or nothing when it did not end normally.
    std::optional<int> Stop();
    // Waits up to `timeout` for the program to end by itself; its exit status, or nothing.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

private:
    pid_t m_pid = -1;
    std::string m_portPath;
};

}  // namespace korvo::test
