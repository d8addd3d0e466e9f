// The window fmStart: its controls at their fixed places, in their tab order, its icon and the
// board's picture. It holds no logic: it hands button clicks and close requests to the callbacks
// it was given.
#pragma once

#include <QCloseEvent>
#include <QLabel>
#include <QMoveEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>
#include <string_view>

#include "app/messages.h"

namespace korvo {

class FmStart : public QWidget {
public:
    static constexpr int kButtonCount = static_cast<int>(kButtonCaptions.size());

    // `buttonClick` gets the index of the clicked button of the Button array; `closeRequest`
    // answers a close request: true lets the window close, false keeps it open.
    FmStart(std::function<void(int)> buttonClick, std::function<bool()> closeRequest);

    QLabel* picture() const { return m_picture; }
    QLabel* deviceName() const { return m_deviceName; }
    QLabel* statusText() const { return m_statusText; }
    // The button of `index` in the Button array (0 to 3).
    QPushButton* button(int index) const { return m_buttons.at(static_cast<std::size_t>(index)); }
    QProgressBar* progressBar() const { return m_progressBar; }

    // Shows the window with its frame centred on the screen.
    void ShowCentred();

    // The progress bar's text: its percentage, then `timeLeft` when that is not empty.
    void SetProgressTimeLeft(std::string_view timeLeft);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void AddButton(int index);
    void CentreOnScreen();

    std::function<void(int)> m_buttonClick;
    std::function<bool()> m_closeRequest;
    QLabel* m_picture = nullptr;
    QLabel* m_deviceName = nullptr;
    QLabel* m_statusText = nullptr;
    std::array<QPushButton*, kButtonCount> m_buttons{};
    QProgressBar* m_progressBar = nullptr;
    // Shown before the window manager had framed the window: centre it again once it has.
    bool m_centreOnceFramed = false;
};

}  // namespace korvo
