// korvo-board-emulator: the Korvo board's update loader on a pseudo-terminal, for trying the
// updater and the Linux adapter backend without hardware.
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

#include "emulator_options.h"
#include "pty_board.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void RequestStop(int) {
    g_stop = 1;
}

bool WriteFlash(const std::string& file, const korvo::LoaderModel& loader) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(loader.flash().data()),
              static_cast<std::streamsize>(loader.flash().size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    korvo::EmulatorOptions options;
    std::string error;
    if (!korvo::EmulatorOptions::Parse(argc, argv, options, error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), korvo::kEmulatorUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(korvo::kEmulatorUsage, stdout);
        return 0;
    }

    // The stop signals are held back except while the board waits, so none is missed.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    korvo::PtyBoard board(options);
    std::string path;
    if (!board.Open(path, error)) {
        std::fprintf(stderr, "korvo-board-emulator: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    const bool ran = board.Run(g_stop, waitMask, error);
    if (!ran) {
        std::fprintf(stderr, "korvo-board-emulator: %s\n", error.c_str());
    }
    if (!options.flashOut.empty() && !WriteFlash(options.flashOut, board.loader())) {
        std::fprintf(stderr, "korvo-board-emulator: cannot write %s\n", options.flashOut.c_str());
        return 1;
    }
    return ran ? 0 : 1;
}
