// The window fmStart as the user sees it, at the screen density the test run was given: its size,
// its controls' places and tab order, its frame, its icon and the board's picture.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSet>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/qt/fm_start.h"
#include "rect_text.h"

namespace korvo::testing {
namespace {

// The device pixel ratio this run's screen was configured with (the offscreen platform's
// configuration file); 1 when the run names none.
double ExpectedDevicePixelRatio() {
    bool ok = false;
    const double ratio = qEnvironmentVariable("KORVO_TEST_DEVICE_PIXEL_RATIO").toDouble(&ok);
    return ok ? ratio : 1.0;
}

class WindowLookTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_NE(window.windowHandle(), nullptr);
        ASSERT_EQ(window.devicePixelRatio(), ExpectedDevicePixelRatio())
            << "the screen does not have the density this run was configured for";
    }

    FmStart window{{}, {}};
};

TEST_F(WindowLookTest, ControlsSitAtTheirDesignPlacesInLogicalPixels) {
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
        const auto* control = window.findChild<QWidget*>(place.name);
        ASSERT_NE(control, nullptr) << place.name;
        EXPECT_EQ(Describe(control->geometry()), Describe(place.pixels)) << place.name;
    }
    for (const QLabel* label : {window.deviceName(), window.statusText()}) {
        EXPECT_TRUE(label->alignment().testFlag(Qt::AlignHCenter))
            << label->objectName().toStdString() << " does not centre its text";
    }
    // 5040 x 4095 twips.
    EXPECT_EQ(window.size(), QSize(336, 273));
    EXPECT_EQ(window.grab().deviceIndependentSize().toSize(), QSize(336, 273));
}

TEST_F(WindowLookTest, HasAFixedSizeAndNoMaximizeBox) {
    EXPECT_EQ(window.minimumSize(), QSize(336, 273));
    EXPECT_EQ(window.maximumSize(), QSize(336, 273));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
}

TEST_F(WindowLookTest, TabsThroughTheControlsInTheirOrder) {
    const std::vector<std::string> expectedOrder{"Button3",    "Button2",     "Picture1",
                                                 "Button0",    "ProgressBar", "Button1",
                                                 "DeviceName", "StatusText"};
    std::vector<std::string> order;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
        if (w->parentWidget() == &window) {
            order.push_back(w->objectName().toStdString());
        }
    }
    EXPECT_EQ(order, expectedOrder);

    for (int i = 0; i < FmStart::kButtonCount; ++i) {
        EXPECT_FALSE(window.button(i)->autoDefault() || window.button(i)->isDefault())
            << "button " << i << " would take the Enter key";
    }
}

TEST_F(WindowLookTest, ProgressBarExplainsItselfAndShowsItsPercentage) {
    QProgressBar* bar = window.progressBar();
    EXPECT_EQ(bar->toolTip().toStdString(), "This bar shows the current progress of an operation.");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_TRUE(bar->isTextVisible());
    bar->setValue(42);
    EXPECT_EQ(bar->text().toStdString(), "42 %");
}

TEST_F(WindowLookTest, IconHasA16And32PixelImageOfAtMost16Colours) {
    const QIcon icon = window.windowIcon();
    for (const int size : {16, 32}) {
        const QList<QSize> sizes = icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << "no " << size << " pixel image";
        // The image of exactly this size, not one scaled from the other.
        const QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
        ASSERT_EQ(image.size(), QSize(size, size)) << size << " pixel image";
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) != 0) {
                    colours.insert(pixel);
                }
            }
        }
        EXPECT_LE(colours.size(), 16) << size << " pixel image";
    }
}

TEST_F(WindowLookTest, PictureShowsTheBoardUnscaledFromItsTopLeftCorner) {
    auto* picture = window.findChild<QLabel*>("Picture1");
    ASSERT_NE(picture, nullptr);
    const QPixmap board = picture->pixmap();
    ASSERT_EQ(board.deviceIndependentSize().toSize(), QSize(160, 120)) << "no board picture";
    const QImage expected = board.toImage().convertToFormat(QImage::Format_RGB32);

    // What the label paints, read back in logical pixels: each logical pixel's centre.
    const QPixmap shot = picture->grab();
    const double ratio = shot.devicePixelRatio();
    const QImage painted = shot.toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.deviceIndependentSize().toSize(), QSize(160, 129));
    const auto paintedAt = [&](int x, int y) {
        return painted.pixel(static_cast<int>((x + 0.5) * ratio),
                             static_cast<int>((y + 0.5) * ratio));
    };
    const auto distance = [](QRgb a, QRgb b) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))});
    };

    // Scaling to the screen's density may blend neighbouring pixels, so the picture need not
    // match pixel for pixel; but it must match the board image best where it is not shifted.
    constexpr int kMaxShift = 3;
    const auto meanDifference = [&](int dx, int dy) {
        long long sum = 0;
        int count = 0;
        for (int y = kMaxShift; y < 120 - kMaxShift; ++y) {
            for (int x = kMaxShift; x < 160 - kMaxShift; ++x) {
                sum += distance(paintedAt(x, y), expected.pixel(x - dx, y - dy));
                ++count;
            }
        }
        return static_cast<double>(sum) / count;
    };
    const double unshifted = meanDifference(0, 0);
    constexpr double kSamePicture =
        16.0;  // mean channel difference; a different picture is far off
    EXPECT_LE(unshifted, kSamePicture) << "the painted picture is not the board image";
    for (int dy = -kMaxShift; dy <= kMaxShift; ++dy) {
        for (int dx = -kMaxShift; dx <= kMaxShift; ++dx) {
            if (dx != 0 || dy != 0) {
                EXPECT_LT(unshifted, meanDifference(dx, dy))
                    << "the picture matches better shifted by " << dx << ", " << dy;
            }
        }
    }

    // Below the picture, the box shows its background.
    constexpr int kBackgroundTolerance = 8;
    const QRgb background = picture->palette().color(picture->backgroundRole()).rgb();
    for (int y = 120; y < 129; ++y) {
        for (const int x : {0, 80, 159}) {
            EXPECT_LE(distance(paintedAt(x, y), background), kBackgroundTolerance)
                << "not background at " << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace korvo::testing
