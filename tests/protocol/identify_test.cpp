// The identify exchange: which answers set the version fields and the override flag, and which
// leave them as they were.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "rig.h"

namespace korvo::testing {
namespace {

using korvo::testing::PrintTo;

struct IdentifyCase {
    std::string name;
    std::vector<std::uint8_t> answer;  // what the loader sends after the echo
    bool overrideBefore;
    std::int32_t status;
    std::uint8_t major;  // the version fields start at 2 and 5
    std::uint8_t minor;
    bool overrideAfter;
};

class IdentifyAnswers : public ::testing::TestWithParam<IdentifyCase> {};

TEST_P(IdentifyAnswers, SetOnlyWhatTheyCarry) {
    const IdentifyCase& c = GetParam();
    Rig rig;
    rig.board.EditAnswer('G', 1, [&c](std::vector<std::uint8_t>& answer) { answer = c.answer; });
    rig.link.OpenLink();
    rig.state.DevMajor = 2;
    rig.state.DevMinor = 5;
    rig.state.VersionOverride = c.overrideBefore;

    rig.protocol.IdentifyDevice();
    EXPECT_EQ(rig.state.LinkStatus, c.status) << rig.DriverTranscript();
    EXPECT_EQ(rig.state.DevMajor, c.major);
    EXPECT_EQ(rig.state.DevMinor, c.minor);
    EXPECT_EQ(rig.state.VersionOverride, c.overrideAfter);
    EXPECT_EQ(rig.CommandsStartingWith("GI").size(), 1U);
    EXPECT_TRUE(rig.CallsOf(DriverCall::Purge).empty()) << "identify never purges";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, IdentifyAnswers,
    ::testing::Values(
        IdentifyCase{"Version17", {'J', 'D', 0x00, 0x17}, false, 0, 1, 7, false},
        IdentifyCase{"OverrideAnswer", {'J', 'D', 3, 255}, false, 0, 15, 15, true},
        IdentifyCase{"VersionZero", {'J', 'D', 0x00, 0x00}, false, 0, 0, 0, false},
        IdentifyCase{"OverrideWithoutJd", {'X', 'Y', 3, 255}, false, 0, 2, 5, true},
        IdentifyCase{"LowerCaseJd", {'j', 'd', 0x00, 0x17}, true, 0, 2, 5, false},
        IdentifyCase{"ThreeBytesOnly", {'J', 'D', 0x00}, true, STATUS_TRANSFER_FAILED, 2, 5, true},
        IdentifyCase{"Silent", {}, false, STATUS_TRANSFER_FAILED, 2, 5, false}),
    [](const auto& info) { return info.param.name; });

TEST(Identify, LeavesEverythingWhenTheEchoFails) {
    Rig rig;
    rig.board.EditEcho(1, [](std::vector<std::uint8_t>& echo) { echo.resize(1); });
    rig.link.OpenLink();
    rig.protocol.IdentifyDevice();
    EXPECT_EQ(rig.state.LinkStatus, STATUS_TRANSFER_FAILED);
    EXPECT_TRUE(rig.state.ReadTimedOut);
    EXPECT_EQ(rig.state.DevMajor, 0);
    const auto reads = rig.CallsOf(DriverCall::Read);
    ASSERT_FALSE(reads.empty());
    EXPECT_NE(reads.back().args.at(0), 4U) << "the answer is not read after a failed echo";
}

}  // namespace
}  // namespace korvo::testing
