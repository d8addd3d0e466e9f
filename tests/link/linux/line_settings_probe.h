// Reads a port's line settings through termios2 on the test's own descriptor, to see what the
// driver left on the line.
#pragma once

#include <cstdint>
#include <optional>

namespace korvo::test {

struct LineSettings {
    std::uint32_t inputRate = 0;
    std::uint32_t outputRate = 0;
    bool otherRate = false;  // both directions set by number (BOTHER), not by a B-constant
    bool eightNoneOne = false;
    bool receiverOn = false;        // CREAD and CLOCAL
    bool hardwareFlow = false;      // CRTSCTS
    bool softwareFlow = false;      // IXON, IXOFF or IXANY
    bool inputTranslation = false;  // ICRNL, INLCR, IGNCR, ISTRIP
    bool outputProcessing = false;  // OPOST
    bool lineEditing = false;       // ICANON, ECHO or ISIG
};

std::optional<LineSettings> ReadLineSettings(int fd);

}  // namespace korvo::test
