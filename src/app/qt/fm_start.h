// The window fmStart: its controls at their fixed places, in their tab order. It holds no logic:
// it hands button clicks and close requests to the callbacks it was given.
#pragma once

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AddButton(int index);

    std::function<void(int)> m_buttonClick;
    std::function<bool()> m_closeRequest;
    QLabel* m_picture = nullptr;
    QLabel* m_deviceName = nullptr;
    QLabel* m_statusText = nullptr;
    std::array<QPushButton*, kButtonCount> m_buttons{};
    QProgressBar* m_progressBar = nullptr;
};

}  // namespace korvo
