// The board emulator program driven through the Linux tty driver, as the updater would drive
// it: identify, a block written and read back, its options and its idle reset.
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "emulator_process.h"
#include "link/emulated_board.h"
#include "link/linux/fixed_port_finder.h"
#include "link/linux/linux_tty_driver.h"
#include "link/loader_model.h"
#include "link/serial_link.h"
#include "pty_board.h"

namespace korvo {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kEmulator = KORVO_BOARD_EMULATOR;
const char* const kDescription = kAdapterDescriptions[0].data();
constexpr std::size_t kBytesPerAddress = 2;  // flash bytes per device address
constexpr std::size_t kReadBackCommandBytes = 7;
const Bytes kIdentify{'G', 'I'};
const Bytes kIdentifyExchange{'G', 'I', 'J', 'D', 0x00, 0x17};  // echo, then the answer

Bytes Concat(const Bytes& first, const Bytes& second) {
    Bytes joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    return joined;
}

// The first `count` bytes the board sends of its own with --banner.
Bytes BannerStart(std::size_t count) {
    Bytes banner;
    for (std::size_t i = 0; i < count; ++i) {
        banner.push_back(
            static_cast<std::uint8_t>(PtyBoard::kBannerText[i % PtyBoard::kBannerText.size()]));
    }
    return banner;
}

// The emulator and a driver with its port open and set up as the link sets it up.
class BoardEmulator : public ::testing::Test {
protected:
    void StartBoard(const std::vector<std::string>& arguments) {
        ASSERT_TRUE(m_board.Start(kEmulator, arguments)) << "no path from " << kEmulator;
        m_driver = std::make_unique<LinuxTtyDriver>(std::make_unique<FixedPortFinder>(
            std::map<std::string, std::string, std::less<>>{{kDescription, m_board.portPath()}}));
        ASSERT_EQ(m_driver->FT_OpenEx(kDescription, kFtOpenByDescription, &m_handle), kFtOk);
        ASSERT_EQ(m_driver->FT_SetBaudRate(m_handle, kLinkBitsPerSecond), kFtOk);
        ASSERT_EQ(m_driver->FT_SetFlowControl(m_handle, kFtFlowNone, 0, 0), kFtOk);
        ASSERT_EQ(m_driver->FT_SetLatencyTimer(m_handle, kLatencyTimerMs), kFtOk);
        ASSERT_EQ(m_driver->FT_SetDataCharacteristics(m_handle, kDataBits, kOneStopBit, kNoParity),
                  kFtOk);
        ASSERT_EQ(m_driver->FT_SetTimeouts(m_handle, kReadTimeout.count(), 0), kFtOk);
    }

    void Send(const Bytes& bytes) {
        std::uint32_t written = 0;
        ASSERT_EQ(m_driver->FT_Write(m_handle, bytes.data(), bytes.size(), &written), kFtOk);
    }

    // Up to `count` bytes, in one driver read as the link makes it.
    Bytes Receive(std::size_t count) {
        std::array<std::uint8_t, 4096> buffer{};
        std::uint32_t received = 0;
        EXPECT_EQ(m_driver->FT_Read(m_handle, buffer.data(), count, &received), kFtOk);
        return Bytes(buffer.begin(), buffer.begin() + received);
    }

    test::EmulatorProcess m_board;
    std::unique_ptr<LinuxTtyDriver> m_driver;
    FtHandle m_handle = 0;
};

struct BlockCase {
    const char* name;
    std::vector<std::string> arguments;
    std::chrono::microseconds
        leastReadBackTime;  // of the read-back's echo and 2048 bytes on the wire
};

void PrintTo(const BlockCase& c, std::ostream* os) {
    *os << c.name;
}

class BoardEmulatorBlocks : public BoardEmulator,
                            public ::testing::WithParamInterface<BlockCase> {};

TEST_P(BoardEmulatorBlocks, IdentifiesAndKeepsAWrittenBlock) {
    const std::filesystem::path flashFile =
        std::filesystem::temp_directory_path() /
        ("korvo-flash-" + std::to_string(::getpid()) + "-" + GetParam().name + ".bin");
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.end(), {"--flash-out", flashFile.string()});
    StartBoard(arguments);

    Send(kIdentify);
    EXPECT_EQ(Receive(6), kIdentifyExchange);

    const Bytes address{0x00, 0x04, 0x00};  // device address 1024, flash offset 2048
    Bytes block(kBlockBytes);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const Bytes write = Concat(Concat({'W', 'F'}, address), block);
    Send(write);
    EXPECT_EQ(Receive(write.size() + 2), Concat(write, {'O', 'K'}));

    const Bytes readBack = Concat(Concat({'R', 'F'}, address), {0x02, 0x00});  // 512 x 4 bytes
    const auto start = Clock::now();
    Send(readBack);
    const Bytes answer = Receive(readBack.size() + kBlockBytes);
    EXPECT_GE(Clock::now() - start, GetParam().leastReadBackTime) << "not paced like the wire";
    EXPECT_EQ(answer, Concat(readBack, block));

    ASSERT_EQ(m_driver->FT_Close(m_handle), kFtOk);
    EXPECT_EQ(m_board.Stop(), 0);
    std::ifstream in(flashFile, std::ios::binary);
    const Bytes flash{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(flashFile);
    ASSERT_EQ(flash.size(), kBoardFlashBytes);
    const std::size_t offset = 1024 * kBytesPerAddress;
    EXPECT_EQ(Bytes(flash.begin() + offset, flash.begin() + offset + kBlockBytes), block);
    EXPECT_EQ(flash[offset - 1], kErasedByte) << "bytes before the block are no longer erased";
}

INSTANTIATE_TEST_SUITE_P(LinuxTtyDriver, BoardEmulatorBlocks,
                         ::testing::Values(BlockCase{"AtOnce", {}, milliseconds{0}},
                                           // 2055 bytes at 80 us each
                                           BlockCase{"Paced", {"--pace"}, milliseconds{164}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OptionCase {
    const char* name;
    std::vector<std::string> arguments;
    Bytes afterIdentify;  // everything received after opening and sending "GI"
};

void PrintTo(const OptionCase& c, std::ostream* os) {
    *os << c.name;
}

class BoardEmulatorOptions : public BoardEmulator,
                             public ::testing::WithParamInterface<OptionCase> {};

TEST_P(BoardEmulatorOptions, ShapeWhatTheHostReceives) {
    StartBoard(GetParam().arguments);
    Send(kIdentify);
    EXPECT_EQ(Receive(64), GetParam().afterIdentify);
}

INSTANTIATE_TEST_SUITE_P(
    LinuxTtyDriver, BoardEmulatorOptions,
    ::testing::Values(
        OptionCase{"Version", {"--version", "0x21"}, {'G', 'I', 'J', 'D', 0x00, 0x21}},
        OptionCase{"Silent", {"--silent"}, {}},
        OptionCase{"Banner", {"--banner", "5"}, Concat(BannerStart(5), kIdentifyExchange)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BoardEmulator, DropsACommandLeftIdleFor100Milliseconds) {
    StartBoard({});
    Send({'G'});
    std::this_thread::sleep_for(milliseconds{150});
    Send({'I'});
    EXPECT_EQ(Receive(6), (Bytes{'G', 'I'})) << "answered a command split by a long pause";

    Send({'G'});
    std::this_thread::sleep_for(milliseconds{30});
    Send({'I'});
    EXPECT_EQ(Receive(6), kIdentifyExchange);
}

TEST_F(BoardEmulator, LatencyTimerHoldsShortRepliesButNotFullPackets) {
    constexpr milliseconds kLatency{20};
    StartBoard({"--pace", "--latency", std::to_string(kLatency.count())});
    Send(kIdentify);  // the board notices its host on the first exchange: time the second
    ASSERT_EQ(Receive(kIdentifyExchange.size()), kIdentifyExchange);

    auto start = Clock::now();
    Send(kIdentify);
    EXPECT_EQ(Receive(1), Bytes{'G'});
    EXPECT_GE(Clock::now() - start, kLatency) << "a short reply came before the timer ran out";
    EXPECT_EQ(Receive(kIdentifyExchange.size() - 1),
              Bytes(kIdentifyExchange.begin() + 1, kIdentifyExchange.end()));

    // 2055 bytes go in full packets as they come off the wire: about 164 ms, not one timer
    // period for each of the 34 packets.
    const Bytes readBack{'R', 'F', 0x00, 0x00, 0x00, 0x02, 0x00};
    start = Clock::now();
    Send(readBack);
    EXPECT_EQ(Receive(readBack.size() + kBlockBytes).size(), readBack.size() + kBlockBytes);
    EXPECT_LT(Clock::now() - start, milliseconds{164} + 34 * kLatency / 2);
}

TEST_F(BoardEmulator, EndsWhenTheHostClosesWithExitOnClose) {
    StartBoard({"--exit-on-close"});
    Send(kIdentify);  // the board looks for its host every few milliseconds: let it see this one
    EXPECT_EQ(Receive(6), kIdentifyExchange);
    ASSERT_EQ(m_driver->FT_Close(m_handle), kFtOk);
    EXPECT_EQ(m_board.WaitForExit(milliseconds{2000}), 0);
}

}  // namespace
}  // namespace korvo
