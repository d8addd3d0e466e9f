// The window fmStart: builds its controls at their design places (in twips), shows its icon and
// the board's picture, and passes clicks and close requests on.
#include "app/qt/fm_start.h"

#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <QStringView>
#include <cmath>
#include <utility>

#include "app/messages.h"

namespace korvo {
namespace {

// Places are designed in twips: 15 to a logical pixel at 96 dots per inch.
constexpr double kTwipsPerPixel = 15.0;

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

constexpr int kClientWidthTwips = 5040;
constexpr int kClientHeightTwips = 4095;

constexpr TwipsRect kPicture1Place{1320, 360, 2400, 1935};
constexpr TwipsRect kDeviceNamePlace{540, 2400, 3975, 255};
constexpr TwipsRect kStatusTextPlace{525, 2760, 3975, 255};
constexpr std::array<TwipsRect, FmStart::kButtonCount> kButtonPlaces{{
    {1613, 3240, 1815, 495},  // 0 "Find Device"
    {773, 3240, 1455, 495},   // 1 "Flash Device"
    {2813, 3240, 1455, 495},  // 2 "Abort Flash"
    {1980, 3240, 1080, 495},  // 3 "Ok!"
}};
constexpr TwipsRect kProgressBarPlace{1260, 3270, 2535, 435};

constexpr int kProgressDefaultMax = 100;

// The bar's text: Qt puts the percentage in for %p; the time left follows after the separator.
constexpr QStringView kProgressPercentFormat = u"%p %";
constexpr QStringView kTimeLeftSeparator = u"  \u00B7  ";

// The embedded artwork: the icon in both of its sizes and the board's picture.
constexpr QStringView kIcon16Path = u":/artwork/korvo-updater-16.png";
constexpr QStringView kIcon32Path = u":/artwork/korvo-updater-32.png";
constexpr QStringView kBoardPicturePath = u":/artwork/board.png";

int TwipsToPixels(int twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

// Each edge is rounded from its own place, so neighbouring controls keep their gaps.
QRect ToPixels(const TwipsRect& r) {
    const int left = TwipsToPixels(r.left);
    const int top = TwipsToPixels(r.top);
    const int right = TwipsToPixels(r.left + r.width);
    const int bottom = TwipsToPixels(r.top + r.height);
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

FmStart::FmStart(std::function<void(int)> buttonClick, std::function<bool()> closeRequest)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_buttonClick(std::move(buttonClick)),
      m_closeRequest(std::move(closeRequest)) {
    setObjectName("fmStart");
    setFixedSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(kClientHeightTwips));

    QIcon icon;
    icon.addFile(kIcon16Path.toString(), QSize(16, 16));
    icon.addFile(kIcon32Path.toString(), QSize(32, 32));
    setWindowIcon(icon);

    // Children join the focus chain in the order they are made: this order is the tab order.
    AddButton(kOkButton);
    AddButton(kAbortFlashButton);

    m_picture = new QLabel(this);
    m_picture->setObjectName("Picture1");
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setScaledContents(false);
    m_picture->setPixmap(QPixmap(kBoardPicturePath.toString()));
    m_picture->setGeometry(ToPixels(kPicture1Place));

    AddButton(kFindDeviceButton);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName("ProgressBar");
    m_progressBar->setToolTip(QString::fromUtf8(kProgressToolTip.data(), kProgressToolTip.size()));
    m_progressBar->setRange(0, kProgressDefaultMax);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(true);
    m_progressBar->setAlignment(Qt::AlignCenter);
    m_progressBar->setFormat(kProgressPercentFormat.toString());
    m_progressBar->setGeometry(ToPixels(kProgressBarPlace));

    AddButton(kFlashDeviceButton);

    m_deviceName = new QLabel(this);
    m_deviceName->setObjectName("DeviceName");
    m_deviceName->setAlignment(Qt::AlignCenter);
    m_deviceName->setGeometry(ToPixels(kDeviceNamePlace));

    m_statusText = new QLabel(this);
    m_statusText->setObjectName("StatusText");
    m_statusText->setAlignment(Qt::AlignCenter);
    m_statusText->setGeometry(ToPixels(kStatusTextPlace));
}

void FmStart::AddButton(int index) {
    const auto i = static_cast<std::size_t>(index);
    const std::string_view caption = kButtonCaptions.at(i);
    auto* button = new QPushButton(QString::fromUtf8(caption.data(), caption.size()), this);
    button->setObjectName(QStringLiteral("Button%1").arg(index));
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(ToPixels(kButtonPlaces.at(i)));
    connect(button, &QPushButton::clicked, this, [this, index] {
        if (m_buttonClick) {
            m_buttonClick(index);
        }
    });
    m_buttons.at(i) = button;
}

void FmStart::SetProgressTimeLeft(std::string_view timeLeft) {
    QString format = kProgressPercentFormat.toString();
    if (!timeLeft.empty()) {
        format += kTimeLeftSeparator;
        format += QString::fromUtf8(timeLeft.data(), static_cast<qsizetype>(timeLeft.size()));
    }
    m_progressBar->setFormat(format);
}

void FmStart::ShowCentred() {
    CentreOnScreen();
    show();
    CentreOnScreen();
    // A window manager adds its frame (title bar, borders) after the window is shown; until
    // then the frame is the bare window.
    m_centreOnceFramed = frameGeometry() == geometry();
}

void FmStart::CentreOnScreen() {
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void FmStart::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_centreOnceFramed && frameGeometry() != geometry()) {
        m_centreOnceFramed = false;
        CentreOnScreen();
    }
}

void FmStart::closeEvent(QCloseEvent* event) {
    if (m_closeRequest && !m_closeRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace korvo
