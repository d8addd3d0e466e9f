// The program's start-up through the real window on the emulated board: the first state, and
// the three stops with their boxes as the user sees them.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "app/qt/qt_window_services.h"
#include "app/start_window.h"
#include "box_catcher.h"
#include "link/emulated_board.h"
#include "state/updater_state.h"

namespace korvo::testing {
namespace {

// The name this test program's file has, as the second-instance box shows it.
constexpr const char* kTestProgramName = "qt_window_test";

// The members are public: the stop cases arrange them.
class StartUpTest : public ::testing::Test {
public:
    QTemporaryDir lockDir;
    QString lockPath = lockDir.filePath("korvo-updater.lock");
    EmulatedBoard board{Pacing::Virtual};
    std::unique_ptr<UpdaterState> state = std::make_unique<UpdaterState>();
    std::unique_ptr<QtWindowServices> firstInstance;
    QtWindowServices services{lockPath};
    StartWindow logic{*state, services, board};

protected:
    void SetUp() override {
        ASSERT_TRUE(lockDir.isValid());
        services.SetEventSink(&logic);
    }
};

TEST_F(StartUpTest, ShowsTheWindowInItsFirstState) {
    BoxCatcher catcher(&services);
    logic.FormLoad();

    ASSERT_TRUE(catcher.boxes().empty()) << catcher.boxes()[0].text.toStdString();
    ASSERT_TRUE(services.loaded());
    EXPECT_FALSE(services.ended());
    FmStart* window = services.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle().toStdString(), "Korvo Firmware Updater v1.7");
    const bool hidden[FmStart::kButtonCount] = {false, true, true, true};
    for (int i = 0; i < FmStart::kButtonCount; ++i) {
        EXPECT_EQ(window->button(i)->isHidden(), hidden[i])
            << "button " << i << " \"" << window->button(i)->text().toStdString() << "\"";
    }
    EXPECT_EQ(window->deviceName()->text().toStdString(), "");
    EXPECT_EQ(window->statusText()->text().toStdString(), "");
    EXPECT_TRUE(window->progressBar()->isHidden());
    EXPECT_TRUE(board.isOpen());
}

struct StopCase {
    const char* name;
    std::function<void(StartUpTest&)> arrange;
    std::string text;
    std::string title;
    bool critical;
    bool windowLoadedDuringBox;  // the box comes before the unload
    bool programEnded;
    bool linkTouched;
};

void PrintTo(const StopCase& stop, std::ostream* os) {
    *os << stop.name;
}

class StartUpStopTest : public StartUpTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StartUpStopTest, ShowsItsBoxAndNeverTheWindow) {
    const StopCase& stop = GetParam();
    stop.arrange(*this);
    BoxCatcher catcher(&services);

    logic.FormLoad();

    ASSERT_EQ(catcher.boxes().size(), 1u);
    const CaughtBox& box = catcher.boxes()[0];
    EXPECT_EQ(box.text.toStdString(), stop.text);
    EXPECT_EQ(box.title.toStdString(), stop.title);
    EXPECT_EQ(box.icon, stop.critical ? QMessageBox::Critical : QMessageBox::NoIcon);
    EXPECT_EQ(box.staysOnTop, stop.critical);
    EXPECT_EQ(box.modality, Qt::ApplicationModal);
    EXPECT_EQ(box.windowLoaded, stop.windowLoadedDuringBox);
    EXPECT_FALSE(box.windowVisible);

    EXPECT_FALSE(services.loaded());
    EXPECT_EQ(services.ended(), stop.programEnded);
    EXPECT_EQ(board.callCount() > 0, stop.linkTouched) << "driver calls: " << board.callCount();
    EXPECT_FALSE(board.isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Stops, StartUpStopTest,
    ::testing::Values(StopCase{"SecondInstance",
                               [](StartUpTest& t) {
                                   t.firstInstance = std::make_unique<QtWindowServices>(t.lockPath);
                                   ASSERT_FALSE(t.firstInstance->PreviousInstanceRunning());
                               },
                               std::string(kTestProgramName) + " already running! ",
                               "Korvo Firmware Updater", true, true, true, false},
                      StopCase{"NoAdapter", [](StartUpTest& t) { t.board.descriptions.clear(); },
                               "Serial Link interface not found!", "USB Error!", false, false,
                               false, true},
                      StopCase{"NotInUpdateMode",
                               [](StartUpTest& t) {
                                   t.board.loader().identifyAnswer = {'J', 'D', 0x00, 0x00};
                               },
                               "Korvo not in update mode! ", "Korvo Firmware Updater", true, true,
                               true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartUpTest, LockLeftByACrashedInstanceDoesNotBlock) {
    // A child takes the lock and dies without releasing it, as a crashed instance would.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        QLockFile lock(lockPath);
        lock.setStaleLockTime(0);
        _exit(lock.tryLock(0) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child got no lock";
    ASSERT_TRUE(QFileInfo::exists(lockPath)) << "the child's lock file is gone";

    BoxCatcher catcher(&services);
    logic.FormLoad();
    EXPECT_TRUE(catcher.boxes().empty()) << catcher.boxes()[0].text.toStdString();
    EXPECT_TRUE(services.loaded());
}

}  // namespace
}  // namespace korvo::testing
