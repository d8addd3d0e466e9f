// The window's start-up checks, its states, the dispatch of the four buttons, and closing.
#include "app/start_window.h"

#include <string>

#include "app/messages.h"
#include "image/firmware_image.h"
#include "update/device_check.h"
#include "update/flash_sequence.h"

namespace korvo {

StartWindow::StartWindow(UpdaterState& state, WindowServices& window, UsbSerialDriver& driver)
    : m_state(state), m_window(window), m_link(state, driver, window), m_protocol(m_link) {}

void StartWindow::FormLoad() {
    if (m_window.PreviousInstanceRunning()) {
        m_window.ShowMessage(m_window.ExecutableName() + std::string(kAlreadyRunningSuffix),
                             MessageStyle::Critical, std::nullopt);
        m_window.UnloadWindow();
        m_window.EndProgram();
        return;
    }

    const ProgramVersion version = m_window.Version();
    m_window.SetTitle(std::string(kWindowTitlePrefix) + std::to_string(version.major) + "." +
                      std::to_string(version.minor));

    if (m_state.LinkHandle == 0) {
        m_link.OpenLink();
        if (m_state.LinkStatus != 0) {
            m_window.UnloadWindow();
            m_window.ShowMessage(kNoLinkText, MessageStyle::Plain, kNoLinkTitle);
            return;
        }
    }

    m_protocol.IdentifyDevice();
    if (m_state.VersionOverride) {
        m_state.DevMajor = 1;
        m_state.DevMinor = 2;
    }
    if (m_state.DevMajor + m_state.DevMinor == 0) {
        m_window.ShowMessage(kNotInUpdateModeText, MessageStyle::Critical, std::nullopt);
        m_window.UnloadWindow();
        m_window.EndProgram();
        return;
    }

    EnterFirstState();
    m_window.ShowWindow();
    m_state.ImageResourceId = kImageResourceId;
    m_state.ImageBuffer.fill(0);
    m_state.ScrambledImage.fill(0);
    m_state.ReadBackBuffer.fill(0);
    m_state.BlockBuffer.fill(0);
}

void StartWindow::ButtonClick(std::int16_t index) {
    if (m_busy || m_unloaded) {
        return;  // a click let through by the event pump while an operation runs
    }
    m_state.UpdateError = false;
    UpdateContext context{m_state, m_window, m_link, m_protocol};
    switch (index) {
        case kFindDeviceButton:
            m_busy = true;
            CheckDevice(context);
            m_busy = false;
            if (!m_unloaded && m_state.UpdateError) {
                EnterFirstState();
            }
            break;
        case kFlashDeviceButton:
            m_busy = true;
            FlashDevice(context);
            m_busy = false;
            if (m_state.UpdateError) {
                EnterFirstState();
            } else {
                EnterCompleteState();
            }
            break;
        case kAbortFlashButton:
        case kOkButton:
            EnterFirstState();
            break;
        default:
            break;
    }
}

bool StartWindow::QueryClose() {
    // Closing mid-operation would cut the link under a half-written board: wait for the end.
    return !m_busy;
}

void StartWindow::FormUnload() {
    m_unloaded = true;
    m_link.CloseLink();
}

void StartWindow::EnterFirstState() {
    m_window.SetButtonVisible(kFindDeviceButton, true);
    m_window.SetButtonVisible(kFlashDeviceButton, false);
    m_window.SetButtonVisible(kAbortFlashButton, false);
    m_window.SetButtonVisible(kOkButton, false);
    m_window.SetProgressVisible(false);
    m_window.SetLabelText(Label::StatusText, "");
    m_window.SetLabelText(Label::DeviceName, "");
}

void StartWindow::EnterCompleteState() {
    m_window.SetButtonVisible(kOkButton, true);
    m_window.SetButtonVisible(kFlashDeviceButton, false);
    m_window.SetButtonVisible(kAbortFlashButton, false);
    m_window.SetProgressVisible(false);
    m_window.SetLabelText(Label::StatusText, kFlashCompleteText);
}

}  // namespace korvo
