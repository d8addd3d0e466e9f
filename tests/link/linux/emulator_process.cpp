// Starting and stopping the board emulator program.
#include "emulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace korvo::test {
namespace {

constexpr std::chrono::milliseconds kStartTimeout{5000};

}  // namespace

EmulatorProcess::~EmulatorProcess() {
    Stop();
}

bool EmulatorProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        return false;
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const int spawned =
        posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {
        m_pid = -1;
        close(output[0]);
        return false;
    }

    // The first line is the path; read it byte by byte so nothing after it is taken.
    std::string line;
    pollfd entry{output[0], POLLIN, 0};
    char byte = 0;
    while (poll(&entry, 1, static_cast<int>(kStartTimeout.count())) == 1 &&
           read(output[0], &byte, 1) == 1 && byte != '\n') {
        line.push_back(byte);
    }
    close(output[0]);
    m_portPath = line;
    return byte == '\n' && !line.empty();
}

std::optional<int> EmulatorProcess::Stop() {
    if (m_pid < 0) {
        return std::nullopt;
    }
    kill(m_pid, SIGTERM);
    const std::optional<int> status = WaitForExit(kStartTimeout);
    if (m_pid >= 0) {  // did not end: leave no process behind
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    return status;
}

std::optional<int> EmulatorProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (m_pid < 0) {
        return std::nullopt;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
    m_pid = -1;
    if (!WIFEXITED(status)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

}  // namespace korvo::test
