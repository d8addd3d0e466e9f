// The Qt window services on their own: the window's layout, closing, unloading and the program's
// end, the progress bar, the embedded firmware and random fractions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/qt/qt_window_services.h"
#include "box_catcher.h"
#include "image/firmware_image.h"
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

std::string Describe(const QRect& r) {
    return "(" + std::to_string(r.x()) + ", " + std::to_string(r.y()) + ", " +
           std::to_string(r.width()) + " x " + std::to_string(r.height()) + ")";
}

TEST_F(QtWindowServicesTest, ControlsSitAtTheirDesignPlacesInTabOrder) {
    FmStart* window = services.window();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->devicePixelRatio(), 1.0);

    // Design places in twips, 15 to a pixel; each edge rounded from its own place.
    struct Place {
        const char* name;
        QRect pixels;
    };
    const std::vector<Place> places{
        {"Picture1", QRect(88, 24, 160, 129)},     // 1320, 360, 2400, 1935
        {"DeviceName", QRect(36, 160, 265, 17)},   // 540, 2400, 3975, 255
        {"StatusText", QRect(35, 184, 265, 17)},   // 525, 2760, 3975, 255
        {"Button1", QRect(52, 216, 97, 33)},       // 773, 3240, 1455, 495
        {"Button0", QRect(108, 216, 121, 33)},     // 1613, 3240, 1815, 495
        {"Button3", QRect(132, 216, 72, 33)},      // 1980, 3240, 1080, 495
        {"Button2", QRect(188, 216, 97, 33)},      // 2813, 3240, 1455, 495
        {"ProgressBar", QRect(84, 218, 169, 29)},  // 1260, 3270, 2535, 435
    };
    for (const Place& place : places) {
        const auto* control = window->findChild<QWidget*>(place.name);
        ASSERT_NE(control, nullptr) << place.name;
        EXPECT_EQ(Describe(control->geometry()), Describe(place.pixels)) << place.name;
    }

    EXPECT_EQ(window->size(), QSize(336, 273));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the window must not resize";
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    const std::vector<std::string> expectedOrder{"Button3",    "Button2",     "Picture1",
                                                 "Button0",    "ProgressBar", "Button1",
                                                 "DeviceName", "StatusText"};
    std::vector<std::string> order;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (w->parentWidget() == window) {
            order.push_back(w->objectName().toStdString());
        }
    }
    EXPECT_EQ(order, expectedOrder);

    EXPECT_EQ(window->progressBar()->toolTip().toStdString(),
              "This bar shows the current progress of an operation.");
    for (int i = 0; i < FmStart::kButtonCount; ++i) {
        EXPECT_FALSE(window->button(i)->autoDefault() || window->button(i)->isDefault())
            << "button " << i << " would take the Enter key";
    }
}

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
