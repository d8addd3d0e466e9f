// The whole update through the real window on the emulated board (virtual time): Find Device,
// Flash Device and Ok!, with each state's labels and buttons as the user sees them.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/qt_window_services.h"
#include "app/start_window.h"
#include "box_catcher.h"
#include "link/emulated_board.h"
#include "state/updater_state.h"

namespace korvo::testing {
namespace {

struct Look {
    std::string deviceName;
    std::string status;
    std::vector<bool> shown;  // buttons 0 to 3
    bool progressShown;
};

Look LookOf(FmStart& window) {
    Look look{window.deviceName()->text().toStdString(),
              window.statusText()->text().toStdString(),
              {},
              window.progressBar()->isVisible()};
    for (int i = 0; i < FmStart::kButtonCount; ++i) {
        look.shown.push_back(window.button(i)->isVisible());
    }
    return look;
}

void ExpectLook(FmStart& window, const Look& expected, const char* state) {
    const Look look = LookOf(window);
    EXPECT_EQ(look.deviceName, expected.deviceName) << state;
    EXPECT_EQ(look.status, expected.status) << state;
    EXPECT_EQ(look.shown, expected.shown) << state;
    EXPECT_EQ(look.progressShown, expected.progressShown) << state;
}

TEST(WholeUpdate, FindFlashAndOkMoveTheWindowThroughItsStates) {
    QTemporaryDir lockDir;
    EmulatedBoard board{Pacing::Virtual};
    auto state = std::make_unique<UpdaterState>();
    QtWindowServices services{lockDir.filePath("korvo-updater.lock")};
    StartWindow logic{*state, services, board};
    services.SetEventSink(&logic);
    BoxCatcher catcher(&services);

    logic.FormLoad();
    ASSERT_TRUE(services.loaded());
    FmStart& window = *services.window();
    ExpectLook(window, {"", "", {true, false, false, false}, false}, "first");

    window.button(0)->click();
    ExpectLook(
        window,
        {"Korvo", "Firmware: v1. 7  -  Upgrading to: v1. 8", {false, true, true, false}, false},
        "ready");

    int progressAtBlock30 = -1;
    board.beforeCall = [&](DriverCall call, int) {
        if (call == DriverCall::Purge && board.loader().writtenAddresses().size() == 30 &&
            progressAtBlock30 < 0) {
            progressAtBlock30 = window.progressBar()->value();
            ExpectLook(window, {"Korvo", "Flashing device...", {false, false, false, false}, true},
                       "flashing");
        }
    };
    window.button(1)->click();
    board.beforeCall = nullptr;
    EXPECT_EQ(progressAtBlock30, 29) << "block 30 of the main pass is under way";
    EXPECT_EQ(window.progressBar()->maximum(), 63);
    ExpectLook(window, {"Korvo", "Flash Complete!", {false, false, false, true}, false},
               "complete");

    window.button(3)->click();
    ExpectLook(window, {"", "", {true, false, false, false}, false}, "first again");
    EXPECT_TRUE(catcher.boxes().empty());
}

}  // namespace
}  // namespace korvo::testing
