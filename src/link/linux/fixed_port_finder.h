// A port finder with a fixed table of descriptions and device paths, for tests and for
// pointing the driver at a pseudo-terminal such as the board emulator's.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "link/linux/port_finder.h"

namespace korvo {

class FixedPortFinder : public PortFinder {
public:
    explicit FixedPortFinder(std::map<std::string, std::string, std::less<>> portsByDescription)
        : m_portsByDescription(std::move(portsByDescription)) {}

    // Returns the path listed for `description`, or nothing when it is not listed.
    std::optional<std::string> FindPort(std::string_view description) override;

private:
    std::map<std::string, std::string, std::less<>> m_portsByDescription;
};

}  // namespace korvo
