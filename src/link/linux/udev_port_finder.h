// Finds an FTDI adapter's tty by the product text of its USB device, through libudev. Under
// umockdev's preload library the same code reads a test's fake device tree.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/linux/port_finder.h"

namespace korvo {

class UdevPortFinder : public PortFinder {
public:
    // Enumerates the "tty" devices; a port matches when its nearest USB device ancestor
    // (subsystem "usb", devtype "usb_device") has a "product" attribute equal to
    // `description`. Of several matches the lowest device node in text order is returned.
    // Returns nothing when udev cannot be reached or no port matches.
    std::optional<std::string> FindPort(std::string_view description) override;
};

}  // namespace korvo
