// Measures the updater against the board emulator program on a pseudo-terminal, paced at the
// wire's 125,000 bit/s: start-up to the shown window with a board that sends nothing of its own,
// and a whole flash, each with its wall time and the updater's CPU time.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "app/start_window.h"
#include "emulator_process.h"
#include "fake_window.h"
#include "link/linux/fixed_port_finder.h"
#include "link/linux/linux_tty_driver.h"
#include "sample_image.h"

namespace {

using Seconds = std::chrono::duration<double>;

// 63 blocks, each 4,112 byte times of 80 us on the wire: the protocol's floor.
constexpr double kWireFloorSeconds = 63 * 4112 * 80e-6;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Measured {
    double wall;
    double cpu;
};

template <typename Action>
Measured Measure(Action action) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    action();
    return {Seconds(std::chrono::steady_clock::now() - start).count(), CpuSeconds() - cpuStart};
}

}  // namespace

int main() {
    using namespace korvo;
    using namespace korvo::testing;
    test::EmulatorProcess board;
    if (!board.Start(KORVO_BOARD_EMULATOR, {"--pace", "--latency", "2", "--exit-on-close"})) {
        std::fprintf(stderr, "the board emulator did not start\n");
        return 1;
    }
    LinuxTtyDriver driver(
        std::make_unique<FixedPortFinder>(std::map<std::string, std::string, std::less<>>{
            {"Fendral Serial Link", board.portPath()}}));
    auto state = std::make_unique<UpdaterState>();
    FakeWindow window;
    window.imageResource = Scrambled(MakePlainImage());
    StartWindow logic(*state, window, driver);
    window.SetEventSink(&logic);

    const Measured startUp = Measure([&] { logic.FormLoad(); });
    window.Click(0);
    if (!window.buttonShown[1]) {
        std::fprintf(stderr, "the device check failed:\n%s", window.Transcript().c_str());
        return 1;
    }
    const Measured flash = Measure([&] { window.Click(1); });
    const bool complete = window.statusText == "Flash Complete!";
    window.RequestClose();

    std::printf(
        "start-up to the shown window: %.3f s wall (the opening drain waits 0.250 s), "
        "%.1f %% CPU\n",
        startUp.wall, 100 * startUp.cpu / startUp.wall);
    std::printf(
        "flash: %.2f s wall, wire floor %.2f s, ratio %.3f, updater CPU %.2f s = %.2f %% "
        "of wall%s\n",
        flash.wall, kWireFloorSeconds, flash.wall / kWireFloorSeconds, flash.cpu,
        100 * flash.cpu / flash.wall, complete ? "" : "  (FLASH FAILED)");
    return complete ? 0 : 1;
}
