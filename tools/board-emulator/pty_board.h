// The emulated board on a pseudo-terminal: a host program opens the other side as if it were
// the adapter's port, and the board echoes every byte and answers as the update loader does.
#pragma once

#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emulator_options.h"
#include "link/emulated_board.h"
#include "link/loader_model.h"

namespace korvo {

class PtyBoard {
public:
    using Clock = std::chrono::steady_clock;

    // While no host has the port open, how often the board looks again. An open and close
    // quicker than this can go unseen; a host that exchanges anything is seen.
    static constexpr std::chrono::milliseconds kHostWatchInterval{10};
    static constexpr std::size_t kVersionIndex = 3;                      // in the identify answer
    static constexpr std::string_view kBannerText = "Korvo loader\r\n";  // repeated as needed

    explicit PtyBoard(const EmulatorOptions& options);
    ~PtyBoard();
    PtyBoard(const PtyBoard&) = delete;
    PtyBoard& operator=(const PtyBoard&) = delete;

    // Creates the pseudo-terminal and stores the path for the host to open; false with `error`
    // set when the system gives none.
    bool Open(std::string& path, std::string& error);
    // Plays the board until `stop` is set by a signal (delivered only while waiting, with
    // `waitMask` in force) or, with exitOnClose, until the host closes the port. Returns false
    // with `error` set when the pseudo-terminal fails.
    bool Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask, std::string& error);

    const LoaderModel& loader() const { return m_loader; }

private:
    bool HostHasClosed() const;
    void OnHostOpened(Clock::time_point now);
    void OnHostClosed();
    // One wait on the pseudo-terminal and what it brought; false on a failure.
    bool Serve(const sigset_t& waitMask, std::string& error);
    void ReceiveFromHost(Clock::time_point now);
    void Queue(const std::uint8_t* bytes, std::size_t count, Clock::time_point now);
    void SendDue(Clock::time_point now);
    std::size_t BytesDue(Clock::time_point now) const;
    // When bytes next fall due while none are.
    Clock::time_point NextDue() const;
    Clock::duration Latency() const;

    EmulatorOptions m_options;
    LoaderModel m_loader;
    int m_master = -1;
    bool m_hostOpen = false;
    bool m_bannerSent = false;
    std::vector<std::uint8_t> m_output;  // bytes on their way to the host, in order
    Clock::time_point m_lineFree{};      // when the line has sent the byte in progress
    Clock::time_point m_lastReceived{};  // when the loader last took a byte
};

}  // namespace korvo
