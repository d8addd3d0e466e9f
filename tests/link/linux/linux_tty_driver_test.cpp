// The Linux tty driver on a pseudo-terminal: read time-out and pieces, a port that vanishes,
// exclusive opening, line settings, latency timer, purge, writes and refused handles.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "line_settings_probe.h"
#include "link/linux/fixed_port_finder.h"
#include "link/linux/linux_tty_driver.h"
#include "link/serial_link.h"
#include "pty_pair.h"

namespace korvo {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

const char* const kDescription = kAdapterDescriptions[0].data();
const auto kReadTimeoutMs = static_cast<std::uint32_t>(kReadTimeout.count());
// How late a timed return may be on a loaded machine (sanitizers, two cores).
constexpr milliseconds kLateness{200};

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

class LinuxTtyDriverOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.isOpen()) << "no pseudo-terminal available";
        m_driver = MakeDriver(LinuxTtyDriver::kSysfsRoot);
    }

    std::unique_ptr<LinuxTtyDriver> MakeDriver(const std::filesystem::path& sysfsRoot) const {
        return std::make_unique<LinuxTtyDriver>(
            std::make_unique<FixedPortFinder>(
                std::map<std::string, std::string, std::less<>>{{kDescription, m_pty.portPath()}}),
            sysfsRoot);
    }

    // Opens the port with the read time-out the link uses.
    FtHandle OpenPort() {
        FtHandle handle = 0;
        EXPECT_EQ(m_driver->FT_OpenEx(kDescription, kFtOpenByDescription, &handle), kFtOk);
        EXPECT_NE(handle, 0u);
        EXPECT_EQ(m_driver->FT_SetTimeouts(handle, kReadTimeoutMs, 0), kFtOk);
        return handle;
    }

    test::PtyPair m_pty;
    std::unique_ptr<LinuxTtyDriver> m_driver;
};

// --- Reading.

struct TimedReadCase {
    const char* name;
    Bytes sentBefore;  // by the device before the read
    std::uint32_t asked;
    bool waitsForTimeout;
};

void PrintTo(const TimedReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadTiming : public LinuxTtyDriverOnPty,
                   public ::testing::WithParamInterface<TimedReadCase> {};

TEST_P(ReadTiming, ReturnsAtTheCountOrAfterTheTimeoutWithWhatArrived) {
    const TimedReadCase& c = GetParam();
    const FtHandle handle = OpenPort();
    ASSERT_TRUE(m_pty.SendToPort(c.sentBefore));

    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t received = 99;
    const auto start = Clock::now();
    EXPECT_EQ(m_driver->FT_Read(handle, buffer.data(), c.asked, &received), kFtOk);
    const milliseconds elapsed = Since(start);

    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + received), c.sentBefore);
    if (c.waitsForTimeout) {
        EXPECT_GE(elapsed, kReadTimeout);
        EXPECT_LT(elapsed, kReadTimeout + kLateness);
    } else {
        EXPECT_LT(elapsed, kReadTimeout) << "returned only at the time-out";
    }
}

INSTANTIATE_TEST_SUITE_P(
    LinuxTtyDriver, ReadTiming,
    ::testing::Values(TimedReadCase{"SilentDevice", {}, 6, true},
                      TimedReadCase{"ReplyOneByteShort", {'J', 'D', 0x00}, 4, true},
                      TimedReadCase{"FullReply", {'J', 'D', 0x00, 0x17}, 4, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinuxTtyDriverOnPty, ReplyInTwoBurstsArrivesInOneRead) {
    const FtHandle handle = OpenPort();
    std::thread device([this] {
        m_pty.SendToPort({'J', 'D'});
        std::this_thread::sleep_for(milliseconds{80});
        m_pty.SendToPort({0x00, 0x17});
    });
    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t received = 0;
    const auto start = Clock::now();
    const FtStatus status = m_driver->FT_Read(handle, buffer.data(), 4, &received);
    const milliseconds elapsed = Since(start);
    device.join();

    EXPECT_EQ(status, kFtOk);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + received), (Bytes{'J', 'D', 0x00, 0x17}));
    EXPECT_LT(elapsed, kReadTimeout) << "waited for the time-out after the last piece";
}

TEST_F(LinuxTtyDriverOnPty, ReadNeverStoresMoreThanAsked) {
    const FtHandle handle = OpenPort();
    const Bytes sent{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(m_pty.SendToPort(sent));

    constexpr std::uint8_t kUntouched = 0xAA;
    std::array<std::uint8_t, 16> buffer{};
    buffer.fill(kUntouched);
    std::uint32_t received = 0;
    ASSERT_EQ(m_driver->FT_Read(handle, buffer.data(), 4, &received), kFtOk);
    EXPECT_EQ(received, 4u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(Bytes(buffer.begin() + 4, buffer.end()), Bytes(12, kUntouched))
        << "bytes stored past the count asked";

    ASSERT_EQ(m_driver->FT_Read(handle, buffer.data(), 6, &received), kFtOk);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + received), (Bytes{5, 6, 7, 8, 9, 10}));
}

struct VanishCase {
    const char* name;
    milliseconds closeAfter;  // from the start of the read; negative = before it
};

void PrintTo(const VanishCase& c, std::ostream* os) {
    *os << c.name;
}

class PortVanishing : public LinuxTtyDriverOnPty,
                      public ::testing::WithParamInterface<VanishCase> {};

TEST_P(PortVanishing, IsADriverFailureWithinTheTimeout) {
    const FtHandle handle = OpenPort();
    if (GetParam().closeAfter < milliseconds::zero()) {
        m_pty.CloseMaster();
    }
    std::thread unplug([this] {
        if (GetParam().closeAfter >= milliseconds::zero()) {
            std::this_thread::sleep_for(GetParam().closeAfter);
            m_pty.CloseMaster();
        }
    });
    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t received = 0;
    const auto start = Clock::now();
    const FtStatus status = m_driver->FT_Read(handle, buffer.data(), 8, &received);
    const milliseconds elapsed = Since(start);
    unplug.join();

    EXPECT_NE(status, kFtOk);
    EXPECT_NE(status, kFtIoError) << "the receive loop would take this read as good";
    EXPECT_LT(elapsed, kReadTimeout) << "waited out the time-out on a port that had gone";

    const std::array<std::uint8_t, 2> command{'G', 'I'};
    std::uint32_t written = 0;
    EXPECT_NE(m_driver->FT_Write(handle, command.data(), 2, &written), kFtOk);
}

INSTANTIATE_TEST_SUITE_P(LinuxTtyDriver, PortVanishing,
                         ::testing::Values(VanishCase{"BeforeTheRead", milliseconds{-1}},
                                           VanishCase{"DuringTheRead", milliseconds{50}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Opening and handles.

TEST_F(LinuxTtyDriverOnPty, SecondOpenOfATakenPortIsRefusedUntilItIsClosed) {
    const FtHandle first = OpenPort();
    const auto otherDriver = MakeDriver(LinuxTtyDriver::kSysfsRoot);
    FtHandle second = 0;
    EXPECT_NE(m_driver->FT_OpenEx(kDescription, kFtOpenByDescription, &second), kFtOk);
    EXPECT_NE(otherDriver->FT_OpenEx(kDescription, kFtOpenByDescription, &second), kFtOk);
    EXPECT_EQ(second, 0u) << "a refused open stored a handle";

    EXPECT_EQ(m_driver->FT_Close(first), kFtOk);
    EXPECT_EQ(otherDriver->FT_OpenEx(kDescription, kFtOpenByDescription, &second), kFtOk)
        << "the port stayed taken after FT_Close";
}

TEST_F(LinuxTtyDriverOnPty, OpenFailsWithoutAUsablePort) {
    const std::filesystem::path notATty =
        std::filesystem::temp_directory_path() / ("korvo-not-a-tty-" + std::to_string(getpid()));
    std::ofstream(notATty) << "plain file";
    struct Case {
        const char* name;
        std::string description;
        std::string path;
        std::uint32_t flags;
    };
    const Case cases[] = {
        {"UnknownDescription", std::string(kAdapterDescriptions[1]), m_pty.portPath(),
         kFtOpenByDescription},
        {"OtherFlags", kDescription, m_pty.portPath(), 1},
        {"PathMissing", kDescription, "/dev/korvo-no-such-port", kFtOpenByDescription},
        {"NotATerminal", kDescription, notATty.string(), kFtOpenByDescription},
    };
    for (const Case& c : cases) {
        LinuxTtyDriver driver(std::make_unique<FixedPortFinder>(
            std::map<std::string, std::string, std::less<>>{{kDescription, c.path}}));
        constexpr FtHandle kUntouched = 0x5A5A;
        FtHandle handle = kUntouched;
        EXPECT_NE(driver.FT_OpenEx(c.description.c_str(), c.flags, &handle), kFtOk) << c.name;
        EXPECT_EQ(handle, kUntouched) << c.name;
    }
    std::filesystem::remove(notATty);
}

TEST_F(LinuxTtyDriverOnPty, EveryCallRefusesHandleZeroAndClosedOrUnknownHandles) {
    const FtHandle closed = OpenPort();
    ASSERT_EQ(m_driver->FT_Close(closed), kFtOk);
    const FtHandle open = OpenPort();  // a live port must not answer for the others

    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t count = 7;
    using Call = std::function<FtStatus(FtHandle)>;
    const std::vector<std::pair<const char*, Call>> calls = {
        {"FT_SetBaudRate", [&](FtHandle h) { return m_driver->FT_SetBaudRate(h, 125000); }},
        {"FT_SetFlowControl", [&](FtHandle h) { return m_driver->FT_SetFlowControl(h, 0, 0, 0); }},
        {"FT_SetLatencyTimer", [&](FtHandle h) { return m_driver->FT_SetLatencyTimer(h, 2); }},
        {"FT_SetUSBParameters",
         [&](FtHandle h) { return m_driver->FT_SetUSBParameters(h, 4096, 0); }},
        {"FT_SetDataCharacteristics",
         [&](FtHandle h) { return m_driver->FT_SetDataCharacteristics(h, 8, 0, 0); }},
        {"FT_SetChars", [&](FtHandle h) { return m_driver->FT_SetChars(h, 0, 0, 0, 0); }},
        {"FT_SetTimeouts", [&](FtHandle h) { return m_driver->FT_SetTimeouts(h, 250, 0); }},
        {"FT_Purge", [&](FtHandle h) { return m_driver->FT_Purge(h, kFtPurgeRxTx); }},
        {"FT_Write", [&](FtHandle h) { return m_driver->FT_Write(h, buffer.data(), 4, &count); }},
        {"FT_Read", [&](FtHandle h) { return m_driver->FT_Read(h, buffer.data(), 4, &count); }},
        {"FT_Close", [&](FtHandle h) { return m_driver->FT_Close(h); }},
    };
    for (const FtHandle handle : {FtHandle{0}, closed, FtHandle{open + 100}}) {
        for (const auto& [name, call] : calls) {
            count = 7;
            EXPECT_EQ(call(handle), kFtNoHandleStatus) << name << " on handle " << handle;
            EXPECT_EQ(count, 7u) << name << " on handle " << handle << " reported a count";
        }
    }
    EXPECT_EQ(m_driver->FT_Close(open), kFtOk) << "a refused call closed the open port";
}

// --- Line settings.

TEST_F(LinuxTtyDriverOnPty, SetUpLeavesTheLineAt125000BitsRaw8N1WithoutFlowControl) {
    // Opened before the driver takes the port, so the test can read the line's settings.
    const int observer = ::open(m_pty.portPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(observer, 0);
    const FtHandle handle = OpenPort();

    EXPECT_EQ(m_driver->FT_SetBaudRate(handle, kLinkBitsPerSecond), kFtOk);
    EXPECT_EQ(m_driver->FT_SetFlowControl(handle, kFtFlowNone, 0, 0), kFtOk);
    EXPECT_EQ(m_driver->FT_SetLatencyTimer(handle, kLatencyTimerMs), kFtOk);
    EXPECT_EQ(m_driver->FT_SetUSBParameters(handle, kUsbInTransferBytes, kUsbOutTransferBytes),
              kFtOk);
    EXPECT_EQ(m_driver->FT_SetDataCharacteristics(handle, kDataBits, kOneStopBit, kNoParity),
              kFtOk);
    EXPECT_EQ(m_driver->FT_SetChars(handle, 0, 0, 0, 0), kFtOk);
    EXPECT_EQ(m_driver->FT_SetTimeouts(handle, kReadTimeoutMs, 0), kFtOk);

    const auto line = test::ReadLineSettings(observer);
    ::close(observer);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->inputRate, kLinkBitsPerSecond);
    EXPECT_EQ(line->outputRate, kLinkBitsPerSecond) << "a later set-up call lost the rate";
    EXPECT_TRUE(line->otherRate);
    EXPECT_TRUE(line->eightNoneOne);
    EXPECT_TRUE(line->receiverOn);
    EXPECT_FALSE(line->hardwareFlow);
    EXPECT_FALSE(line->softwareFlow);
    EXPECT_FALSE(line->inputTranslation);
    EXPECT_FALSE(line->outputProcessing);
    EXPECT_FALSE(line->lineEditing);
}

TEST_F(LinuxTtyDriverOnPty, RefusesSettingsItCannotGive) {
    const FtHandle handle = OpenPort();
    EXPECT_NE(m_driver->FT_SetBaudRate(handle, 0), kFtOk) << "rate 0";
    EXPECT_NE(m_driver->FT_SetFlowControl(handle, 0x0100, 0, 0), kFtOk) << "RTS/CTS";
    EXPECT_NE(m_driver->FT_SetFlowControl(handle, 0x0400, 0x11, 0x13), kFtOk) << "XON/XOFF";
    EXPECT_NE(m_driver->FT_SetDataCharacteristics(handle, 7, 0, 0), kFtOk) << "7 data bits";
    EXPECT_NE(m_driver->FT_SetDataCharacteristics(handle, 8, 2, 0), kFtOk) << "2 stop bits";
    EXPECT_NE(m_driver->FT_SetDataCharacteristics(handle, 8, 0, 2), kFtOk) << "even parity";
}

struct LatencyCase {
    const char* name;
    bool attributePresent;
};

void PrintTo(const LatencyCase& c, std::ostream* os) {
    *os << c.name;
}

class LatencyTimer : public LinuxTtyDriverOnPty,
                     public ::testing::WithParamInterface<LatencyCase> {};

TEST_P(LatencyTimer, IsWrittenWhereThePortHasOneAndNeverFailsTheSetUp) {
    struct stat info {};
    ASSERT_EQ(stat(m_pty.portPath().c_str(), &info), 0);
    const std::filesystem::path sysfs =
        std::filesystem::temp_directory_path() / ("korvo-sysfs-" + std::to_string(getpid()));
    const std::filesystem::path device =
        sysfs / "dev" / "char" /
        (std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev))) /
        "device";
    const std::filesystem::path attribute = device / "latency_timer";
    std::filesystem::create_directories(device);
    if (GetParam().attributePresent) {
        std::ofstream(attribute) << "16\n";
    }
    m_driver = MakeDriver(sysfs);
    const FtHandle handle = OpenPort();

    EXPECT_EQ(m_driver->FT_SetLatencyTimer(handle, 2), kFtOk);
    if (GetParam().attributePresent) {
        std::string value;
        std::ifstream(attribute) >> value;
        EXPECT_EQ(value, "2");
    } else {
        EXPECT_FALSE(std::filesystem::exists(attribute)) << "created an attribute";
    }
    std::filesystem::remove_all(sysfs);
}

INSTANTIATE_TEST_SUITE_P(LinuxTtyDriver, LatencyTimer,
                         ::testing::Values(LatencyCase{"AttributePresent", true},
                                           LatencyCase{"AttributeMissing", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Purge and write.

TEST_F(LinuxTtyDriverOnPty, PurgeDiscardsWhatIsPendingAndTheLinkGoesOn) {
    const FtHandle handle = OpenPort();
    ASSERT_TRUE(m_pty.SendToPort({'s', 't', 'a', 'l', 'e'}));
    std::this_thread::sleep_for(milliseconds{50});  // let the bytes reach the port's queue
    EXPECT_EQ(m_driver->FT_Purge(handle, kFtPurgeRxTx), kFtOk);
    ASSERT_TRUE(m_pty.SendToPort({'Z'}));

    std::array<std::uint8_t, 1> buffer{};
    std::uint32_t received = 0;
    EXPECT_EQ(m_driver->FT_Read(handle, buffer.data(), 1, &received), kFtOk);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + received), Bytes{'Z'});
}

TEST_F(LinuxTtyDriverOnPty, WriteDeliversEveryByteInOrder) {
    const FtHandle handle = OpenPort();
    std::array<std::uint8_t, kBlockBytes> block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    std::uint32_t written = 0;
    EXPECT_EQ(m_driver->FT_Write(handle, block.data(), block.size(), &written), kFtOk);
    EXPECT_EQ(written, block.size());
    EXPECT_EQ(m_pty.TakeFromPort(block.size() + 1, milliseconds{500}),
              Bytes(block.begin(), block.end()));
}

TEST_F(LinuxTtyDriverOnPty, WriteThatCannotProgressFailsInsteadOfHanging) {
    const FtHandle handle = OpenPort();
    constexpr std::uint32_t kWriteStallMs = 300;
    ASSERT_EQ(m_driver->FT_SetTimeouts(handle, kReadTimeoutMs, kWriteStallMs), kFtOk);
    const Bytes flood(1 << 20, 0x55);  // far more than the pseudo-terminal holds; nobody reads
    std::uint32_t written = 0;
    const auto start = Clock::now();
    EXPECT_NE(m_driver->FT_Write(handle, flood.data(), flood.size(), &written), kFtOk);
    EXPECT_LT(written, flood.size());
    // The pseudo-terminal may still take a few bytes late, each restarting the stall limit.
    EXPECT_LT(Since(start), 4 * milliseconds{kWriteStallMs}) << "kept waiting on a full port";
}

}  // namespace
}  // namespace korvo
