// The window and runtime services on Qt: drives the window fmStart for the logic and hands the
// window's events to the logic's event sink.
#include "app/qt/qt_window_services.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <chrono>
#include <utility>

#include "app/messages.h"

namespace korvo {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ExecutableBaseName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString DefaultInstanceLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(ExecutableBaseName() + ToQString(kInstanceLockSuffix));
}

// 24 random bits scaled by 2^-24: every result is exact in a float and below 1.
constexpr int kFractionBits = 24;
constexpr float kFractionScale = 1.0f / static_cast<float>(1u << kFractionBits);

}  // namespace

QtWindowServices::QtWindowServices(QString instanceLockPath, TimeSource clock)
    : m_window(new FmStart([this](int index) { OnButtonClick(index); },
                           [this] { return OnCloseRequest(); })),
      m_clock(std::move(clock)),
      m_instanceLockPath(std::move(instanceLockPath)) {}

QtWindowServices::~QtWindowServices() {
    delete m_window.data();
}

void QtWindowServices::ShowMessage(std::string_view text, MessageStyle style,
                                   std::optional<std::string_view> title) {
    QMessageBox box;
    box.setWindowTitle(ToQString(title.value_or(kApplicationTitle)));
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQString(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    if (style == MessageStyle::Critical) {
        box.setIcon(QMessageBox::Critical);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    } else {
        box.setIcon(QMessageBox::NoIcon);
    }
    box.exec();
}

void QtWindowServices::SetTitle(std::string_view text) {
    if (FmStart* w = window()) {
        w->setWindowTitle(ToQString(text));
    }
}

void QtWindowServices::SetLabelText(Label label, std::string_view text) {
    if (FmStart* w = window()) {
        QLabel* target = label == Label::StatusText ? w->statusText() : w->deviceName();
        target->setText(ToQString(text));
    }
}

void QtWindowServices::SetButtonVisible(int index, bool shown) {
    FmStart* w = window();
    if (w != nullptr && index >= 0 && index < FmStart::kButtonCount) {
        w->button(index)->setVisible(shown);
    }
}

void QtWindowServices::SetProgressVisible(bool shown) {
    if (FmStart* w = window()) {
        if (shown && w->progressBar()->isHidden()) {
            // A new operation: the pace of an earlier one says nothing about it.
            m_timeLeft.Reset();
            w->SetProgressTimeLeft({});
        }
        w->progressBar()->setVisible(shown);
    }
}

void QtWindowServices::SetProgressMax(int max) {
    if (FmStart* w = window()) {
        w->progressBar()->setRange(0, max);
    }
}

void QtWindowServices::SetProgressValue(int value) {
    m_progressValue = value;
    if (FmStart* w = window()) {
        QProgressBar* bar = w->progressBar();
        m_timeLeft.Record(value, bar->maximum(), m_clock());
        w->SetProgressTimeLeft(m_timeLeft.Text());
        bar->setValue(value);
    }
}

void QtWindowServices::ShowWindow() {
    FmStart* w = window();
    if (w == nullptr) {
        return;
    }
    w->ShowCentred();
}

void QtWindowServices::UnloadWindow() {
    if (!m_loaded) {
        return;
    }
    m_loaded = false;
    if (m_events != nullptr) {
        m_events->FormUnload();
    }
    if (m_window) {
        m_window->hide();
        // Later: this may run inside one of the window's own handlers.
        m_window->deleteLater();
    }
}

void QtWindowServices::EndProgram() {
    m_ended = true;
    QCoreApplication::quit();
}

void QtWindowServices::PumpEvents() {
    QCoreApplication::processEvents();
}

bool QtWindowServices::PreviousInstanceRunning() {
    if (m_instanceLock) {
        return false;  // this instance holds the lock
    }
    if (m_instanceLockPath.isEmpty()) {
        m_instanceLockPath = DefaultInstanceLockPath();
    }
    auto lock = std::make_unique<QLockFile>(m_instanceLockPath);
    // Held for the program's life, so never stale by age; a lock whose process has died is.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_instanceLock = std::move(lock);
        return false;
    }
    // A lock that cannot be made at all (no such folder, no rights) blocks no one.
    return lock->error() == QLockFile::LockFailedError;
}

std::string QtWindowServices::ExecutableName() {
    return ExecutableBaseName().toStdString();
}

std::optional<std::vector<std::uint8_t>> QtWindowServices::LoadResource(std::string_view typeName,
                                                                        int id) {
    QFile file(QStringLiteral(":/%1/%2").arg(ToQString(typeName)).arg(id));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

void QtWindowServices::SeedRandomFromClock() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<std::uint32_t>(ticks),
                       static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks) >> 32)};
    m_random.seed(seed);
}

float QtWindowServices::NextRandomFraction() {
    return static_cast<float>(m_random() >> (32 - kFractionBits)) * kFractionScale;
}

void QtWindowServices::OnButtonClick(int index) {
    if (m_events == nullptr || !m_loaded) {
        return;
    }
    ++m_handlerDepth;
    m_events->ButtonClick(static_cast<std::int16_t>(index));
    --m_handlerDepth;
    QuitIfUnloaded();
}

bool QtWindowServices::OnCloseRequest() {
    if (!m_loaded || m_ended || m_events == nullptr) {
        return true;
    }
    ++m_handlerDepth;
    const bool close = m_events->QueryClose();
    if (close) {
        UnloadWindow();
    }
    --m_handlerDepth;
    QuitIfUnloaded();
    return close;
}

void QtWindowServices::QuitIfUnloaded() {
    // Only the outermost handler quits: a nested one may run under an open message box, whose
    // own event loop an exit would end as well.
    if (!m_loaded && m_handlerDepth == 0) {
        QCoreApplication::quit();
    }
}

}  // namespace korvo
