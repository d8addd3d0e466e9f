// The flash sequence: what is written where and in which order, the progress shown, the shared
// budget of failed attempts, and the four failure boxes.
#include "update/flash_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app_rig.h"

namespace korvo::testing {
namespace {

using korvo::testing::PrintTo;

constexpr std::size_t kFinalBlock = 62;  // index of the block for device address 0 in a run

struct Exchange {
    char kind;  // 'W' or 'R'
    std::uint32_t address;
};

// The "WF" and "RF" commands sent, in order, with their addresses.
std::vector<Exchange> Exchanges(const Rig& rig) {
    std::vector<Exchange> found;
    for (const auto& record : rig.CallsOf(DriverCall::Write)) {
        const auto& b = record.bytes;
        const bool write = b.size() == 5 && b[0] == 'W' && b[1] == 'F';
        const bool read = b.size() == 7 && b[0] == 'R' && b[1] == 'F';
        if (write || read) {
            found.push_back({write ? 'W' : 'R',
                             (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 8) | b[4]});
        }
    }
    return found;
}

std::size_t Count(const std::vector<Exchange>& exchanges, char kind, std::uint32_t address) {
    return static_cast<std::size_t>(
        std::count_if(exchanges.begin(), exchanges.end(),
                      [&](const Exchange& e) { return e.kind == kind && e.address == address; }));
}

void CorruptFirstByte(std::vector<std::uint8_t>& answer) {
    if (!answer.empty()) {
        answer[0] ^= 0x01;
    }
}

TEST(FlashSequence, WritesEveryBlockInOrderWithAddressZeroLastAndCompletes) {
    AppRig app;
    app.StartAndFind();
    app.window.Click(1);

    ASSERT_TRUE(app.window.boxes.empty()) << app.window.Transcript();
    std::vector<std::uint32_t> expectedAddresses;
    for (std::uint32_t address = 1024; address <= 63'488; address += 1024) {
        expectedAddresses.push_back(address);
    }
    expectedAddresses.push_back(0);
    EXPECT_EQ(app.board.loader().writtenAddresses(), expectedAddresses);

    // Each block's data went in one write, taken from its own image offset.
    std::vector<std::vector<std::uint8_t>> data;
    for (const auto& record : app.CallsOf(DriverCall::Write)) {
        if (record.bytes.size() == kBlockBytes) {
            data.push_back(record.bytes);
        }
    }
    ASSERT_EQ(data.size(), 63U);
    for (std::size_t n = 0; n < data.size(); ++n) {
        const std::size_t offset = n == kFinalBlock ? 8 : 2056 + 2048 * n;
        EXPECT_TRUE(std::equal(data[n].begin(), data[n].end(), app.image.begin() + offset))
            << "block " << n << " should come from image offset " << offset;
    }

    // The board holds image blocks 0 to 62 at addresses 0 to 63,488; block 63's place is erased.
    const auto& flash = app.board.loader().flash();
    EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + 63 * 2048, app.image.begin() + 8));
    EXPECT_TRUE(std::all_of(flash.begin() + 63 * 2048, flash.end(),
                            [](std::uint8_t b) { return b == 0xFF; }));

    std::vector<int> expectedProgress{0, 0};
    for (int n = 0; n <= 62; ++n) {
        expectedProgress.push_back(n);
    }
    EXPECT_EQ(app.window.progressValues, expectedProgress);
    EXPECT_EQ(app.window.progressMax, 63);
    EXPECT_EQ(app.state.ImageOffset, 8);
    EXPECT_EQ(app.state.DeviceAddress, 0);

    // The complete state.
    EXPECT_FALSE(app.state.UpdateError);
    EXPECT_TRUE(app.window.ShowsOnly({3}));
    EXPECT_FALSE(app.window.progressShown);
    EXPECT_EQ(app.window.statusText, "Flash Complete!");
    EXPECT_EQ(app.window.deviceName, "Korvo");
    EXPECT_TRUE(app.window.violations.empty());
}

TEST(FlashSequence, StartsWithTheFlashingStateAndTwoPurges) {
    AppRig app;
    app.StartAndFind();
    const std::size_t before = app.window.calls.size();
    const std::size_t driverBefore = app.board.transcript().size();
    app.window.Click(1);

    const std::vector<std::string> calls = app.CallsSince(before);
    const std::vector<std::string> start{"Click 1",
                                         "Button 1 hidden",
                                         "Button 2 hidden",
                                         "ProgressBar shown",
                                         "ProgressBar Value 0",
                                         "StatusText \"Flashing device...\"",
                                         "ProgressBar Max 63",
                                         "ProgressBar Value 0",
                                         "ProgressBar Value 0"};
    ASSERT_GE(calls.size(), start.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 9), start);
    const auto& transcript = app.board.transcript();
    EXPECT_EQ(transcript[driverBefore].call, DriverCall::Purge);
    EXPECT_EQ(transcript[driverBefore + 1].call, DriverCall::Purge);
    EXPECT_EQ(transcript[driverBefore + 2].call, DriverCall::Purge) << "the first block's own";
}

struct BudgetCase {
    std::string name;
    std::function<void(EmulatedBoard&)> faults;
    std::string title;  // empty: the flash completes
    std::string text;
    std::uint32_t watchedAddress;
    std::size_t writes;  // "WF" commands for the watched address
    std::size_t reads;   // "RF" commands for it
    int lastProgress;
};

class RetryBudget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(RetryBudget, IsSharedByWritesAndVerifiesOfOneBlock) {
    const BudgetCase& c = GetParam();
    AppRig app;
    app.StartAndFind();
    c.faults(app.board);
    app.window.Click(1);

    const auto exchanges = Exchanges(app);
    EXPECT_EQ(Count(exchanges, 'W', c.watchedAddress), c.writes) << app.window.Transcript();
    EXPECT_EQ(Count(exchanges, 'R', c.watchedAddress), c.reads);
    EXPECT_EQ(app.window.progressValues.back(), c.lastProgress);
    EXPECT_TRUE(app.window.violations.empty());
    if (c.title.empty()) {
        EXPECT_TRUE(app.window.boxes.empty());
        EXPECT_EQ(app.window.statusText, "Flash Complete!");
        return;
    }
    ASSERT_EQ(app.window.boxes.size(), 1U) << app.window.Transcript();
    EXPECT_EQ(app.window.boxes[0].title, c.title);
    EXPECT_EQ(app.window.boxes[0].text, c.text);
    EXPECT_EQ(app.window.boxes[0].style, MessageStyle::Plain);
    EXPECT_TRUE(app.state.UpdateError);
    // Back in the first state, the progress bar hidden.
    EXPECT_TRUE(app.window.ShowsOnly({0}));
    EXPECT_FALSE(app.window.progressShown);
    EXPECT_EQ(app.window.statusText, "");
    EXPECT_EQ(app.window.deviceName, "");
}

void RefuseWrites(EmulatedBoard& board, int from, int to) {
    for (int i = from; i <= to; ++i) {
        board.EditAnswer('W', i, [](auto& answer) { answer = {'N', 'O'}; });
    }
}

void CorruptReads(EmulatedBoard& board, int from, int to) {
    for (int i = from; i <= to; ++i) {
        board.EditAnswer('R', i, CorruptFirstByte);
    }
}

const std::string kShortWrite = "Device write error! Data is corrupted!  Re-try update!";
const std::string kShortVerify = "Device verify error!  Data is corrupted!  Re-try update!";
const std::string kFinalWrite =
    "Step 3 - Device write error!  Data is corrupted!  ** DO NOT POWER OFF BOARD!! **  Re-try "
    "update!";
const std::string kFinalVerify =
    "Device verify error!  Data is corrupted!  ** DO NOT POWER OFF BOARD!! **  Re-try update!";

INSTANTIATE_TEST_SUITE_P(
    Cases, RetryBudget,
    ::testing::Values(BudgetCase{"FiftyRefusedWrites", [](auto& b) { RefuseWrites(b, 1, 50); },
                                 "Write Failure!", kShortWrite, 1024, 50, 0, 0},
                      BudgetCase{"FortyNineRefusedWritesThenOneBadVerify",
                                 [](auto& b) {
                                     RefuseWrites(b, 1, 49);
                                     CorruptReads(b, 1, 1);
                                 },
                                 "Verify Failure!", kShortVerify, 1024, 50, 1, 0},
                      BudgetCase{"ThreeBadVerifiesThenAGoodOne",
                                 [](auto& b) { CorruptReads(b, 1, 3); }, "", "", 1024, 1, 4, 62},
                      BudgetCase{"VerifyRetriesNeverRewrite",
                                 [](auto& b) { CorruptReads(b, 1, 49); }, "", "", 1024, 1, 50, 62},
                      BudgetCase{"BadVerifiesOnAMiddleBlock",
                                 [](auto& b) { CorruptReads(b, 10, 59); }, "Verify Failure!",
                                 kShortVerify, 10 * 1024, 1, 50, 9},
                      BudgetCase{"FinalBlockRefused", [](auto& b) { RefuseWrites(b, 63, 112); },
                                 "Write Failure!", kFinalWrite, 0, 50, 0, 62},
                      BudgetCase{"FinalBlockReadsBackWrong",
                                 [](auto& b) { CorruptReads(b, 63, 112); }, "Verify Failure!",
                                 kFinalVerify, 0, 1, 50, 62}),
    [](const auto& info) { return info.param.name; });

TEST(FlashSequence, UnpluggedAdapterMidwayEndsInOneFailureBoxNeverInSuccess) {
    AppRig app;
    app.StartAndFind();
    app.board.UnplugAtCall(app.board.callCount() + 300);  // about block 30
    app.window.Click(1);

    ASSERT_EQ(app.window.boxes.size(), 1U) << app.window.Transcript();
    EXPECT_TRUE(app.window.boxes[0].text == kShortWrite || app.window.boxes[0].text == kShortVerify)
        << app.window.boxes[0].text;
    EXPECT_TRUE(app.state.UpdateError);
    EXPECT_TRUE(app.window.ShowsOnly({0}));
    EXPECT_NE(app.board.loader().writtenAddresses().back(), 0U) << "address 0 is never reached";
}

}  // namespace
}  // namespace korvo::testing
