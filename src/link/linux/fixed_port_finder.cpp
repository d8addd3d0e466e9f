// The fixed table of descriptions and device paths.
#include "link/linux/fixed_port_finder.h"

namespace korvo {

std::optional<std::string> FixedPortFinder::FindPort(std::string_view description) {
    const auto found = m_portsByDescription.find(description);
    if (found == m_portsByDescription.end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace korvo
