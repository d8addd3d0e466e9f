// What the device check and the flash sequence work with: the state record, the window
// services, and the link with its loader protocol.
#pragma once

#include "app/window_services.h"
#include "link/serial_link.h"
#include "protocol/loader_protocol.h"
#include "state/updater_state.h"

namespace korvo {

struct UpdateContext {
    UpdaterState& state;
    WindowServices& window;
    SerialLink& link;
    LoaderProtocol& protocol;
};

}  // namespace korvo
