// The board emulator's command line: how the emulated board behaves and what it leaves behind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvo {

struct EmulatorOptions {
    bool pace = false;                    // send at the link's bit rate instead of at once
    std::uint32_t latencyMs = 0;          // with pace: an adapter holding bytes up to this long
    std::optional<std::uint8_t> version;  // the version byte of the identify answer
    std::string flashOut;                 // where the flash goes at the end; empty = nowhere
    bool exitOnClose = false;             // end when the host closes the port
    bool silent = false;                  // neither echo nor answer anything
    std::uint32_t bannerBytes = 0;        // sent of its own after the host first opens the port
    bool help = false;                    // show the usage and end

    // Fills `options` from the arguments; on a bad argument returns false with `error` set.
    static bool Parse(int argc, char** argv, EmulatorOptions& options, std::string& error);
};

inline constexpr const char* kEmulatorUsage =
    "usage: korvo-board-emulator [--help] [--pace] [--latency MS] [--version 0xNN] [--flash-out "
    "FILE] "
    "[--exit-on-close]\n"
    "                            [--silent] [--banner N]\n"
    "Plays the Korvo board's update loader on a pseudo-terminal and prints its path.\n"
    "  --pace           send at 125,000 bit/s 8N1 (80 us a byte) instead of at once\n"
    "  --latency MS     with --pace: hand bytes to the host in bursts of up to 62, or after MS\n"
    "                   milliseconds, as an FTDI adapter's latency timer does\n"
    "  --version 0xNN   the version byte of the identify answer (major and minor nibble)\n"
    "  --flash-out FILE write the 131,072-byte flash to FILE at the end\n"
    "  --exit-on-close  end when the host closes the port (else on SIGTERM or SIGINT)\n"
    "  --silent         a board that neither echoes nor answers (nor sends a banner)\n"
    "  --banner N       send N bytes of its own after the host first opens the port\n";

}  // namespace korvo
