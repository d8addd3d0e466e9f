// The driver for real adapters on this platform, as the product program uses it.
#pragma once

#include <memory>

#include "link/usb_serial_driver.h"

namespace korvo {

// The platform's adapter backend.
std::unique_ptr<UsbSerialDriver> MakeAdapterDriver();

}  // namespace korvo
