// The product program's adapter driver on Linux: tty ports found through udev.
#include <memory>

#include "link/adapter_driver.h"
#include "link/linux/linux_tty_driver.h"
#include "link/linux/udev_port_finder.h"

namespace korvo {

std::unique_ptr<UsbSerialDriver> MakeAdapterDriver() {
    return std::make_unique<LinuxTtyDriver>(std::make_unique<UdevPortFinder>());
}

}  // namespace korvo
