// The button dispatch and closing: each button's way between the window states, the close
// request in every state, and what arrives through the event pump while an operation runs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app_rig.h"

namespace korvo::testing {
namespace {

using korvo::testing::PrintTo;

TEST(Dispatch, AbortFlashReturnsToTheFirstStateWithoutTouchingTheLink) {
    AppRig app;
    app.StartAndFind();
    const std::size_t driverCalls = app.board.transcript().size();
    app.window.Click(2);
    EXPECT_TRUE(app.window.ShowsOnly({0}));
    EXPECT_EQ(app.window.statusText, "");
    EXPECT_EQ(app.window.deviceName, "");
    EXPECT_EQ(app.board.transcript().size(), driverCalls);
}

TEST(Dispatch, OkAfterACompleteFlashEmptiesTheDeviceName) {
    AppRig app;
    app.StartAndFind();
    app.window.Click(1);
    ASSERT_EQ(app.window.deviceName, "Korvo");
    app.window.Click(3);
    EXPECT_TRUE(app.window.ShowsOnly({0}));
    EXPECT_FALSE(app.window.progressShown);
    EXPECT_EQ(app.window.statusText, "");
    EXPECT_EQ(app.window.deviceName, "");
    app.window.Click(0);  // and the user can start again
    EXPECT_TRUE(app.window.ShowsOnly({1, 2})) << app.window.Transcript();
}

TEST(Dispatch, UnknownIndexOnlyClearsTheErrorFlag) {
    AppRig app;
    app.logic.FormLoad();
    app.state.UpdateError = true;
    const std::size_t calls = app.window.calls.size();
    app.logic.ButtonClick(7);
    EXPECT_FALSE(app.state.UpdateError);
    EXPECT_EQ(app.window.calls.size(), calls);
}

struct CloseCase {
    std::string name;
    std::function<void(AppRig&)> reachState;
};

class CloseInAState : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseInAState, UnloadsAndClosesTheLink) {
    AppRig app;
    GetParam().reachState(app);
    app.window.RequestClose();
    EXPECT_FALSE(app.window.loaded) << app.window.Transcript();
    EXPECT_EQ(app.state.LinkHandle, 0U);
    EXPECT_EQ(app.CallsOf(DriverCall::Close).size(), 1U);
    EXPECT_FALSE(app.board.isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    States, CloseInAState,
    ::testing::Values(CloseCase{"First", [](AppRig& a) { a.logic.FormLoad(); }},
                      CloseCase{"Ready", [](AppRig& a) { a.StartAndFind(); }},
                      CloseCase{"Complete",
                                [](AppRig& a) {
                                    a.StartAndFind();
                                    a.window.Click(1);
                                }},
                      CloseCase{"AfterAFailedFlash",
                                [](AppRig& a) {
                                    a.StartAndFind();
                                    for (int i = 1; i <= 50; ++i) {
                                        a.board.EditAnswer('W', i,
                                                           [](auto& answer) { answer.clear(); });
                                    }
                                    a.window.Click(1);
                                }}),
    [](const auto& info) { return info.param.name; });

// Events delivered by the event pump while the check or the flash runs: a close request is
// refused and the operation completes; a further "Find Device" click is ignored.
struct DuringCase {
    std::string name;
    int button;         // the operation's button
    int pumpsAfter;     // which pump after the click delivers the event
    bool closeRequest;  // otherwise a click on "Find Device"
    std::string status;
};

class EventsDuringAnOperation : public ::testing::TestWithParam<DuringCase> {};

TEST_P(EventsDuringAnOperation, DoNotDisturbIt) {
    const DuringCase& c = GetParam();
    AppRig app;
    app.logic.FormLoad();
    if (c.button == 1) {
        app.window.Click(0);
    }
    const int pump = app.window.pumps + c.pumpsAfter;
    if (c.closeRequest) {
        app.window.CloseAtPump(pump);
    } else {
        app.window.ClickAtPump(pump, 0);
    }
    app.window.Click(c.button);

    EXPECT_EQ(app.window.statusText, c.status) << app.window.Transcript();
    EXPECT_TRUE(app.window.loaded);
    EXPECT_TRUE(app.board.isOpen());
    EXPECT_EQ(app.CommandsStartingWith("GI").size(), 2U) << "one at start-up, one check";
    EXPECT_TRUE(app.window.violations.empty());
    // Once the operation is over, closing works again.
    app.window.RequestClose();
    EXPECT_FALSE(app.window.loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Events, EventsDuringAnOperation,
    ::testing::Values(
        DuringCase{"CloseDuringCheck", 0, 1, true, "Firmware: v1. 7  -  Upgrading to: v1. 8"},
        DuringCase{"ClickDuringCheck", 0, 2, false, "Firmware: v1. 7  -  Upgrading to: v1. 8"},
        DuringCase{"CloseDuringFlash", 1, 400, true, "Flash Complete!"},
        DuringCase{"CloseBeforeTheFinalBlock", 1, 62 * 7 + 1, true, "Flash Complete!"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace korvo::testing
