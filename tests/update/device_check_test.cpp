// The device check: the status line built from both versions, the lost connection, the image
// that does not load, and the identify exchange that fails between two good purges.
#include "update/device_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app_rig.h"

namespace korvo::testing {
namespace {

using korvo::testing::PrintTo;

TEST(VersionText, WritesMajorAsCharacterAndMinorInDecimal) {
    EXPECT_EQ(VersionText(1, 7), "1. 7");
    EXPECT_EQ(VersionText(2, 12), "2. 12");
    EXPECT_EQ(VersionText(0, 0), "0. 0");
    EXPECT_EQ(VersionText(10, 1), ":. 1");
    EXPECT_EQ(VersionText(15, 15), "?. 15");
}

struct StatusCase {
    std::string name;
    std::function<void(AppRig&)> setUp;
    std::string statusLine;
};

class DeviceCheckSucceeds : public ::testing::TestWithParam<StatusCase> {};

TEST_P(DeviceCheckSucceeds, ShowsBothVersionsAndOffersTheFlash) {
    const StatusCase& c = GetParam();
    AppRig app;
    c.setUp(app);
    app.StartAndFind();

    EXPECT_EQ(app.window.statusText, c.statusLine) << app.window.Transcript();
    EXPECT_EQ(app.window.deviceName, "Korvo");
    EXPECT_TRUE(app.window.ShowsOnly({1, 2}));
    EXPECT_FALSE(app.window.progressShown);
    EXPECT_TRUE(app.window.boxes.empty());
    EXPECT_FALSE(app.state.UpdateError);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, DeviceCheckSucceeds,
    ::testing::Values(StatusCase{"Device17Image18", [](AppRig&) {},
                                 "Firmware: v1. 7  -  Upgrading to: v1. 8"},
                      StatusCase{"OverrideAnswerShowsItsOwnVersion",
                                 [](AppRig& a) {
                                     a.board.loader().identifyAnswer = {'J', 'D', 3, 255};
                                 },
                                 "Firmware: v?. 15  -  Upgrading to: v1. 8"},
                      StatusCase{"OlderImageIsOfferedToo",
                                 [](AppRig& a) {
                                     a.board.loader().identifyAnswer = {'J', 'D', 0, 0x2C};
                                     a.window.imageResource = Scrambled(MakePlainImage(0x17));
                                 },
                                 "Firmware: v2. 12  -  Upgrading to: v1. 7"},
                      StatusCase{"FailedIdentifyKeepsTheVersionFromStartUp",
                                 [](AppRig& a) {
                                     a.board.EditAnswer('G', 2,
                                                        [](auto& answer) { answer.resize(3); });
                                 },
                                 "Firmware: v1. 7  -  Upgrading to: v1. 8"},
                      StatusCase{"AnswerWithoutJdKeepsTheVersionFromStartUp",
                                 [](AppRig& a) {
                                     a.board.EditAnswer('G', 2, [](auto& answer) {
                                         answer = {'X', 'D', 0, 0x55};
                                     });
                                 },
                                 "Firmware: v1. 7  -  Upgrading to: v1. 8"}),
    [](const auto& info) { return info.param.name; });

class LostConnection : public ::testing::TestWithParam<int> {};

TEST_P(LostConnection, UnloadsTheWindowThenTellsTheUser) {
    const int failingPurge = GetParam();
    AppRig app;
    app.logic.FormLoad();
    const std::size_t before = app.window.calls.size();
    app.board.FailCall(DriverCall::Purge, failingPurge, 17);
    app.window.Click(0);

    const std::vector<std::string> expected{"Click 0", "Unload",
                                            "Box Plain [USB Error] \"USB Connection Failure!\""};
    EXPECT_EQ(app.CallsSince(before), expected) << app.window.Transcript();
    EXPECT_TRUE(app.window.violations.empty());
    EXPECT_FALSE(app.state.UpdateError);
    EXPECT_FALSE(app.board.isOpen());
    EXPECT_EQ(app.CommandsStartingWith("GI").size(), failingPurge == 1 ? 1U : 2U)
        << "no identify after a failed first purge";
}

INSTANTIATE_TEST_SUITE_P(EitherPurge, LostConnection, ::testing::Values(1, 2));

struct ImageCase {
    std::string name;
    std::function<void(AppRig&)> setUp;
};

class UnsupportedImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(UnsupportedImage, ShowsTheBoxWithTheDeviceNameThenReturnsToTheFirstState) {
    AppRig app;
    GetParam().setUp(app);
    app.logic.FormLoad();
    app.window.whileBoxOpen = [&app](const Box&) {
        EXPECT_EQ(app.window.deviceName, "Korvo") << "the name stands while the box is open";
    };
    app.window.Click(0);

    ASSERT_EQ(app.window.boxes.size(), 1U) << app.window.Transcript();
    EXPECT_EQ(app.window.boxes[0].text, "Device not currently supported for upgrading!");
    EXPECT_EQ(app.window.boxes[0].title, "Device not supported!");
    EXPECT_EQ(app.window.boxes[0].style, MessageStyle::Plain);
    EXPECT_TRUE(app.state.UpdateError);
    EXPECT_TRUE(app.window.ShowsOnly({0}));
    EXPECT_EQ(app.window.statusText, "");
    EXPECT_EQ(app.window.deviceName, "");
}

INSTANTIATE_TEST_SUITE_P(
    Images, UnsupportedImage,
    ::testing::Values(ImageCase{"Missing", [](AppRig& a) { a.window.imageResource.reset(); }},
                      ImageCase{"OneGroupShort",
                                [](AppRig& a) { a.window.imageResource->resize(524'316); }},
                      ImageCase{"WrongMagic",
                                [](AppRig& a) {
                                    a.image[0] = 'f';
                                    a.window.imageResource = Scrambled(a.image);
                                }},
                      ImageCase{"ByteFourNotZero",
                                [](AppRig& a) {
                                    a.image[4] = 1;
                                    a.window.imageResource = Scrambled(a.image);
                                }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace korvo::testing
