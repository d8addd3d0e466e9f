// A whole update through the Linux tty driver against the board emulator program in another
// process: start-up, device check, flash and close, then the emulator's flash is compared with
// the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "app/start_window.h"
#include "emulator_process.h"
#include "fake_window.h"
#include "link/linux/fixed_port_finder.h"
#include "link/linux/linux_tty_driver.h"
#include "sample_image.h"

namespace korvo::testing {
namespace {

TEST(FlashOnEmulator, WritesImageBlocksZeroToSixtyTwoThroughTheKernelsTerminalLayer) {
    const std::filesystem::path flashFile = std::filesystem::temp_directory_path() /
                                            ("korvo-flash-" + std::to_string(::getpid()) + ".bin");
    test::EmulatorProcess board;
    ASSERT_TRUE(
        board.Start(KORVO_BOARD_EMULATOR, {"--exit-on-close", "--flash-out", flashFile.string()}));

    LinuxTtyDriver driver(
        std::make_unique<FixedPortFinder>(std::map<std::string, std::string, std::less<>>{
            {"Fendral Serial Link", board.portPath()}}));
    auto state = std::make_unique<UpdaterState>();
    FakeWindow window;
    const PlainImage image = MakePlainImage();
    window.imageResource = Scrambled(image);
    StartWindow logic(*state, window, driver);
    window.SetEventSink(&logic);

    logic.FormLoad();
    ASSERT_TRUE(window.shown) << window.Transcript();
    window.Click(0);
    ASSERT_EQ(window.statusText, "Firmware: v1. 7  -  Upgrading to: v1. 8") << window.Transcript();
    window.Click(1);
    ASSERT_EQ(window.statusText, "Flash Complete!") << window.Transcript();
    window.RequestClose();
    ASSERT_FALSE(window.loaded);

    ASSERT_EQ(board.WaitForExit(std::chrono::seconds(10)), 0) << "the emulator ends on close";
    std::ifstream in(flashFile, std::ios::binary);
    const std::vector<std::uint8_t> flash{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    std::filesystem::remove(flashFile);
    ASSERT_EQ(flash.size(), 131'072U);
    const std::size_t flashed = 63 * kBlockBytes;
    EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + flashed, image.begin() + 8))
        << "blocks 0 to 62 at device addresses 0 to 63,488";
    EXPECT_TRUE(std::all_of(flash.begin() + flashed, flash.end(), [](std::uint8_t b) {
        return b == 0xFF;
    })) << "block 63 is never sent";
}

}  // namespace
}  // namespace korvo::testing
