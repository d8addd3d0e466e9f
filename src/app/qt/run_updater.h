// The program's run from start to end, shared by the product program and the demo: the
// application, the state record, the window and its logic over the given driver.
#pragma once

#include "link/usb_serial_driver.h"

namespace korvo {

// Runs the updater over `driver` and returns the program's exit code.
int RunUpdater(int argc, char* argv[], UsbSerialDriver& driver);

}  // namespace korvo
