// Finding the serial port of an adapter from its USB description: the interface that the tty
// driver asks, so that tests can point it at any device.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvo {

class PortFinder {
public:
    virtual ~PortFinder() = default;
    // Returns the device node (e.g. "/dev/ttyUSB0") of the first port whose adapter has
    // `description` as its USB product text, or nothing when no port matches.
    virtual std::optional<std::string> FindPort(std::string_view description) = 0;
};

}  // namespace korvo
