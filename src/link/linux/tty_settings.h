// Line settings of a serial port through the kernel's termios2 interface: raw mode, an exact
// bit rate, flow control, framing and the queues. Kept apart because <asm/termbits.h> cannot
// share a file with <termios.h>.
#pragma once

#include <cstdint>

namespace korvo::tty_settings {

// Raw 8N1: no echo, no line editing, no signals, no translation in either direction, receiver
// on, modem control lines ignored, no flow control; the bit rate is kept. Returns false when
// the port refuses or does not keep these settings.
bool MakeRaw(int fd);
// Sets input and output rate to exactly `bitsPerSecond`; false when the port refuses it or
// reads back any other rate (a rate the adapter can only approximate is refused, not rounded).
bool SetExactRate(int fd, std::uint32_t bitsPerSecond);
// No RTS/CTS and no XON/XOFF flow control; false unless the port reads back that way.
bool SetNoFlowControl(int fd);
// 8 data bits, 1 stop bit, no parity; false unless the port reads back that way.
bool SetEightNoneOne(int fd);
// Discards the data pending in both directions.
bool FlushBoth(int fd);
// Asks a serial driver to push received bytes up at once; false where it has no such flag.
bool SetLowLatency(int fd);

}  // namespace korvo::tty_settings
