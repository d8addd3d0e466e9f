// The board's update loader commands: identify ("GI"), block write ("WF") and block read-back
// with verify ("RF").
#pragma once

#include <cstdint>

#include "link/serial_link.h"

namespace korvo {

inline constexpr std::int32_t kAddressLimit = 65'536;  // device addresses a command can carry

class LoaderProtocol {
public:
    explicit LoaderProtocol(SerialLink& link) : m_link(link), m_state(link.state()) {}

    // Sends "GI" and reads the 4-byte answer into DevMajor, DevMinor and VersionOverride.
    void IdentifyDevice();
    // Writes the first 2048 bytes of BlockBuffer to DeviceAddress; LinkStatus 0 when the loader
    // acknowledged them with "OK".
    void WriteBlock();
    // Reads back 4 x BlockWords bytes from DeviceAddress and compares them with BlockBuffer;
    // LinkStatus 0 when they are all there and equal.
    void VerifyBlock();
    // Reads RxCount bytes into ReadBackBuffer and compares them with BlockBuffer.
    void ReceiveBlock();

private:
    SerialLink& m_link;
    UpdaterState& m_state;
};

}  // namespace korvo
