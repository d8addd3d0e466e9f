// The device check that precedes an update: purge, identify, load the carried image, and show
// both firmware versions.
#pragma once

#include <cstdint>
#include <string>

#include "update/update_context.h"

namespace korvo {

// "1. 7" for major 1 and minor 7: the character 48 + major, a full stop, a blank, the minor in
// decimal. Majors 10 to 15 come out as ":" ";" "<" "=" ">" "?".
std::string VersionText(std::uint8_t major, std::uint8_t minor);

// Leaves the window in its ready state on success; UpdateError True after the "Device not
// supported!" box; the window unloaded after a lost connection (UpdateError untouched).
void CheckDevice(UpdateContext& context);

}  // namespace korvo
