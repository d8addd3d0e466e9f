// Start-up: the normal start into the first state, and the three stops with their boxes, in the
// order of box, unload and end that each one has.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app_rig.h"

namespace korvo::testing {
namespace {

using korvo::testing::PrintTo;

using Calls = std::vector<std::string>;

const Calls kFirstState{
    "Button 0 shown",     "Button 1 hidden", "Button 2 hidden", "Button 3 hidden",
    "ProgressBar hidden", "StatusText \"\"", "DeviceName \"\"",
};

TEST(StartUp, ShowsTheWindowInItsFirstStateWithTheLinkOpen) {
    AppRig app;
    app.state.ImageBuffer.fill(7);
    app.state.BlockBuffer.fill(7);
    app.logic.FormLoad();

    Calls expected{"Title \"Korvo Firmware Updater v1.7\""};
    expected.insert(expected.end(), kFirstState.begin(), kFirstState.end());
    expected.push_back("Show");
    EXPECT_EQ(app.window.calls, expected) << app.window.Transcript();
    EXPECT_EQ(app.state.LinkHandle, EmulatedBoard::kHandle);
    EXPECT_EQ(app.state.DevMajor, 1);
    EXPECT_EQ(app.state.DevMinor, 7);
    EXPECT_EQ(app.state.ImageResourceId, 100);
    EXPECT_EQ(app.state.ImageBuffer[0], 0) << "buffers are created empty";
    EXPECT_EQ(app.state.BlockBuffer[2048], 0);
    EXPECT_FALSE(app.window.ended);
}

struct StopCase {
    std::string name;
    std::function<void(AppRig&)> setUp;
    Calls calls;  // every window call of the start-up
    bool linkTouched;
};

class StartUpStops : public ::testing::TestWithParam<StopCase> {};

TEST_P(StartUpStops, ShowTheirBoxAndNeverTheWindow) {
    const StopCase& c = GetParam();
    AppRig app;
    c.setUp(app);
    app.logic.FormLoad();

    EXPECT_EQ(app.window.calls, c.calls) << app.window.Transcript();
    EXPECT_FALSE(app.window.shown);
    EXPECT_FALSE(app.window.loaded);
    EXPECT_EQ(app.state.LinkHandle, 0U);
    EXPECT_FALSE(app.board.isOpen()) << "the link is closed when start-up stops";
    EXPECT_EQ(app.board.transcript().empty(), !c.linkTouched) << app.DriverTranscript();
}

const std::string kTitle = "Title \"Korvo Firmware Updater v1.7\"";

INSTANTIATE_TEST_SUITE_P(
    Stops, StartUpStops,
    ::testing::Values(
        StopCase{"SecondInstance",
                 [](AppRig& a) {
                     a.window.previousInstance = true;
                     a.window.executableName = "flasher";
                 },
                 {"Box Critical [<none>] \"flasher already running! \"", "Unload", "End"},
                 false},
        StopCase{"NoAdapter",
                 [](AppRig& a) { a.board.descriptions.clear(); },
                 {kTitle, "Unload", "Box Plain [USB Error!] \"Serial Link interface not found!\""},
                 true},
        StopCase{"AdapterSetUpFails",
                 [](AppRig& a) { a.board.FailCall(DriverCall::SetTimeouts, 1, 17); },
                 {kTitle, "Unload", "Box Plain [USB Error!] \"Serial Link interface not found!\""},
                 true},
        StopCase{"VersionZero",
                 [](AppRig& a) {
                     a.board.loader().identifyAnswer = {'J', 'D', 0, 0x00};
                 },
                 {kTitle, "Box Critical [<none>] \"Korvo not in update mode! \"", "Unload", "End"},
                 true},
        StopCase{
            "NoDeviceBehindTheAdapter",
            [](AppRig& a) { a.board.EditAnswer('G', 1, [](auto& answer) { answer.clear(); }); },
            {kTitle, "Box Critical [<none>] \"Korvo not in update mode! \"", "Unload", "End"},
            true},
        StopCase{"AnswerWithoutJd",
                 [](AppRig& a) {
                     a.board.loader().identifyAnswer = {'J', 'X', 0, 0x17};
                 },
                 {kTitle, "Box Critical [<none>] \"Korvo not in update mode! \"", "Unload", "End"},
                 true}),
    [](const auto& info) { return info.param.name; });

TEST(StartUp, OverrideAnswerStartsAsVersionOneTwoWithOrWithoutJd) {
    for (const std::array<std::uint8_t, 4> answer :
         {std::array<std::uint8_t, 4>{'J', 'D', 3, 255},
          std::array<std::uint8_t, 4>{'?', '?', 3, 255}}) {
        AppRig app;
        app.board.loader().identifyAnswer = answer;
        app.logic.FormLoad();
        EXPECT_TRUE(app.window.shown) << app.window.Transcript();
        EXPECT_EQ(app.state.DevMajor, 1);
        EXPECT_EQ(app.state.DevMinor, 2);
    }
}

TEST(StartUp, OnlyVersionZeroZeroStops) {
    for (const std::uint8_t version : {0x01, 0x10, 0xF0}) {
        AppRig app;
        app.board.loader().identifyAnswer = {'J', 'D', 0, version};
        app.logic.FormLoad();
        EXPECT_TRUE(app.window.shown) << "version byte " << int{version};
    }
}

}  // namespace
}  // namespace korvo::testing
