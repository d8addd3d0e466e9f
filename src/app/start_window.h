// The window fmStart's logic: start-up, the button clicks, closing, and the window states.
#pragma once

#include <cstdint>

#include "app/window_services.h"
#include "link/serial_link.h"
#include "link/usb_serial_driver.h"
#include "protocol/loader_protocol.h"
#include "state/updater_state.h"

namespace korvo {

class StartWindow : public WindowEvents {
public:
    StartWindow(UpdaterState& state, WindowServices& window, UsbSerialDriver& driver);

    // The window's load: the program's start-up. Ends with the window shown in its first state,
    // or with the program ended or its window unloaded.
    void FormLoad();

    void ButtonClick(std::int16_t index) override;
    bool QueryClose() override;
    void FormUnload() override;

private:
    void EnterFirstState();
    void EnterCompleteState();

    UpdaterState& m_state;
    WindowServices& m_window;
    SerialLink m_link;
    LoaderProtocol m_protocol;
    bool m_busy = false;      // the device check or the flash sequence is running
    bool m_unloaded = false;  // the window is gone: nothing may touch it
};

}  // namespace korvo
