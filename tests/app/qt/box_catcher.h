// Closes the message boxes a test's code opens: while it lives, it polls for the active modal
// box, records what it showed and accepts it, so that the modal call returns.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <vector>

#include "app/qt/qt_window_services.h"

namespace korvo::testing {

struct CaughtBox {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
    bool staysOnTop = false;
    // The program's window while the box was open.
    bool windowLoaded = false;
    bool windowVisible = false;
};

class BoxCatcher {
public:
    // `services`, when given, is the program's window, whose state each caught box records.
    explicit BoxCatcher(const QtWindowServices* services = nullptr) : m_services(services) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(kPollMs);
    }

    const std::vector<CaughtBox>& boxes() const { return m_boxes; }

private:
    static constexpr int kPollMs = 5;

    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        m_boxes.push_back({box->text(), box->windowTitle(), box->icon(), box->windowModality(),
                           box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                           m_services != nullptr && m_services->loaded(),
                           m_services != nullptr && m_services->window() != nullptr &&
                               m_services->window()->isVisible()});
        box->accept();
    }

    const QtWindowServices* m_services = nullptr;
    QTimer m_timer;
    std::vector<CaughtBox> m_boxes;
};

}  // namespace korvo::testing
