// The Qt window services on their own: the window's place on screen, closing, unloading and the
// program's end, the progress bar and its time left, the embedded firmware and random fractions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/qt/qt_window_services.h"
#include "box_catcher.h"
#include "image/firmware_image.h"
#include "rect_text.h"
#include "state/updater_state.h"

namespace korvo::testing {
namespace {

class RecordingSink : public WindowEvents {
public:
    void ButtonClick(std::int16_t index) override {
        clicks.push_back(index);
        if (onClick) {
            onClick(index);
        }
    }
    bool QueryClose() override {
        ++closeRequests;
        return allowClose;
    }
    void FormUnload() override { ++unloads; }

    std::function<void(std::int16_t)> onClick;
    bool allowClose = true;
    std::vector<std::int16_t> clicks;
    int closeRequests = 0;
    int unloads = 0;
};

class QtWindowServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_lockDir.isValid());
        services.SetEventSink(&sink);
    }

    // Shows the window, runs the event loop, lets `trigger` act from inside it, and returns the
    // loop's exit code, or kStuck when the program has not ended within a few seconds.
    int RunUntilProgramEnds(const std::function<void()>& trigger) {
        services.ShowWindow();
        QTimer::singleShot(0, trigger);
        QTimer watchdog;  // dies with the test, so it cannot end a later test's loop
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(kStuck); });
        watchdog.start(kStuckAfterMs);
        return QApplication::exec();
    }

    static constexpr int kStuck = 99;
    static constexpr int kStuckAfterMs = 5000;

    QTemporaryDir m_lockDir;
    QtWindowServices services{m_lockDir.filePath("korvo-updater.lock")};
    RecordingSink sink;
};

TEST_F(QtWindowServicesTest, ShowsTheWindowCentredOnTheScreen) {
    services.ShowWindow();
    FmStart* window = services.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    const QPoint offset = window->frameGeometry().center() - screenCentre;
    EXPECT_LE(offset.manhattanLength(), 1)
        << "window at " << Describe(window->frameGeometry()) << ", screen centre "
        << screenCentre.x() << ", " << screenCentre.y();
}

struct CloseCase {
    const char* name;
    bool logicAllowsClose;
};

void PrintTo(const CloseCase& answer, std::ostream* os) {
    *os << answer.name;
}

class CloseRequestTest : public QtWindowServicesTest,
                         public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseRequestTest, CloseBoxUnloadsOnlyWhenTheLogicAgrees) {
    sink.allowClose = GetParam().logicAllowsClose;
    services.ShowWindow();
    QPointer<FmStart> window = services.window();
    ASSERT_FALSE(window.isNull());

    window->close();
    EXPECT_EQ(sink.closeRequests, 1);

    if (!GetParam().logicAllowsClose) {
        EXPECT_TRUE(services.loaded());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(sink.unloads, 0);
        return;
    }
    EXPECT_FALSE(services.loaded());
    EXPECT_EQ(services.window(), nullptr);
    EXPECT_EQ(sink.unloads, 1);

    // Calls that come after the unload touch nothing and unload nothing again.
    services.SetTitle("late");
    services.SetLabelText(Label::StatusText, "late");
    services.SetButtonVisible(0, true);
    services.SetProgressVisible(true);
    services.SetProgressMax(63);
    services.SetProgressValue(5);
    services.ShowWindow();
    services.UnloadWindow();
    EXPECT_EQ(sink.unloads, 1);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "the unloaded window was never deleted";
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseRequestTest,
                         ::testing::Values(CloseCase{"Refused", false}, CloseCase{"Allowed", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtWindowServicesTest, ClickThatUnloadsTheWindowEndsTheProgramAfterItsBox) {
    // As the device check does on a lost connection: unload first, then tell the user.
    sink.onClick = [this](std::int16_t) {
        services.UnloadWindow();
        services.ShowMessage("USB Connection Failure!", MessageStyle::Plain, "USB Error");
    };
    BoxCatcher catcher(&services);

    EXPECT_EQ(RunUntilProgramEnds([this] { services.window()->button(0)->click(); }), 0)
        << "the program did not end after the click";
    ASSERT_EQ(catcher.boxes().size(), 1u) << "the box was cut short by the program's end";
    EXPECT_EQ(catcher.boxes()[0].text.toStdString(), "USB Connection Failure!");
    EXPECT_FALSE(catcher.boxes()[0].windowLoaded);
    EXPECT_EQ(sink.unloads, 1);
}

TEST_F(QtWindowServicesTest, CloseBoxEndsTheProgram) {
    EXPECT_EQ(RunUntilProgramEnds([this] { services.window()->close(); }), 0)
        << "the program did not end after the close";
    EXPECT_EQ(sink.unloads, 1);
}

TEST_F(QtWindowServicesTest, ProgressValueIsTheValueLastSet) {
    QProgressBar* bar = services.window()->progressBar();
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);

    services.SetProgressMax(63);
    services.SetProgressValue(62);
    EXPECT_EQ(bar->maximum(), 63);
    EXPECT_EQ(bar->value(), 62);
    EXPECT_EQ(services.ProgressValue(), 62);

    // The bar refuses a value past its maximum; the read still returns what was set.
    services.SetProgressValue(64);
    EXPECT_EQ(services.ProgressValue(), 64);
}

TEST_F(QtWindowServicesTest, ProgressBarTellsTheTimeLeftOfTheOperationShown) {
    using namespace std::chrono_literals;
    TimeLeftEstimator::Clock::time_point now{};
    QtWindowServices timed(m_lockDir.filePath("timed.lock"), [&now] { return now; });
    QProgressBar* bar = timed.window()->progressBar();

    // The calls of a flash: shown, 0, the maximum, 0 again, then one value per block.
    timed.SetProgressVisible(true);
    timed.SetProgressValue(0);
    timed.SetProgressMax(63);
    now += 5s;  // the start's own delays are not the pace of the blocks
    timed.SetProgressValue(0);
    EXPECT_EQ(bar->text().toStdString(), "0 %");
    now += 2s;
    timed.SetProgressValue(1);
    EXPECT_EQ(bar->text().toStdString(), "1 %  \u00B7  2:04 left");  // 62 blocks at 2 s

    // Hidden and shown again: a new operation, whose pace is not known yet.
    timed.SetProgressVisible(false);
    timed.SetProgressVisible(true);
    EXPECT_EQ(bar->text().toStdString(), "1 %");
    timed.SetProgressValue(0);
    now += 1s;
    timed.SetProgressValue(1);
    EXPECT_EQ(bar->text().toStdString(), "1 %  \u00B7  1:02 left");
}

TEST_F(QtWindowServicesTest, EmbedsTheScrambledFirmwareAsJpg100) {
    const auto bytes = services.LoadResource("JPG", 100);
    ASSERT_TRUE(bytes.has_value()) << "no resource :/JPG/100";
    ASSERT_EQ(bytes->size(), kScrambledBytes);

    auto state = std::make_unique<UpdaterState>();
    state->ImageResourceId = kImageResourceId;
    LoadImage(*state, services);
    EXPECT_FALSE(state->UpdateError);
    EXPECT_EQ(state->ImgMajor, 1);
    EXPECT_EQ(state->ImgMinor, 8);

    EXPECT_FALSE(services.LoadResource("JPG", 101).has_value());
    EXPECT_FALSE(services.LoadResource("PNG", 100).has_value());
}

TEST_F(QtWindowServicesTest, RandomFractionsSpanZeroToBelowOne) {
    services.SeedRandomFromClock();
    float lowest = 1.0f;
    float highest = 0.0f;
    for (int i = 0; i < 200'000; ++i) {
        const float r = services.NextRandomFraction();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_LT(lowest, 0.001f);
    EXPECT_GT(highest, 0.999f);
}

}  // namespace
}  // namespace korvo::testing
