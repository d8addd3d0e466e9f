// termios2 read-back for the tests, apart from anything that includes <termios.h>.
#include "line_settings_probe.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace korvo::test {

std::optional<LineSettings> ReadLineSettings(int fd) {
    termios2 s{};
    if (ioctl(fd, TCGETS2, &s) != 0) {
        return std::nullopt;
    }
    LineSettings line;
    line.inputRate = s.c_ispeed;
    line.outputRate = s.c_ospeed;
    line.otherRate = (s.c_cflag & CBAUD) == BOTHER && ((s.c_cflag >> IBSHIFT) & CBAUD) == BOTHER;
    line.eightNoneOne = (s.c_cflag & (CSIZE | PARENB | CSTOPB)) == CS8;
    line.receiverOn = (s.c_cflag & (CREAD | CLOCAL)) == (CREAD | CLOCAL);
    line.hardwareFlow = (s.c_cflag & CRTSCTS) != 0;
    line.softwareFlow = (s.c_iflag & (IXON | IXOFF | IXANY)) != 0;
    line.inputTranslation = (s.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP)) != 0;
    line.outputProcessing = (s.c_oflag & OPOST) != 0;
    line.lineEditing = (s.c_lflag & (ICANON | ECHO | ISIG)) != 0;
    return line;
}

}  // namespace korvo::test
