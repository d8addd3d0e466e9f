// Port lookup over libudev's tty enumeration.
#include "link/linux/udev_port_finder.h"

#include <libudev.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace korvo {
namespace {

constexpr const char* kTtySubsystem = "tty";
constexpr const char* kUsbSubsystem = "usb";
constexpr const char* kUsbDeviceType = "usb_device";
constexpr const char* kProductAttribute = "product";

struct UdevUnref {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumeration) const { udev_enumerate_unref(enumeration); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

}  // namespace

std::optional<std::string> UdevPortFinder::FindPort(std::string_view description) {
    const UdevPtr<udev> context(udev_new());
    if (!context) {
        return std::nullopt;
    }
    const UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), kTtySubsystem) < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        return std::nullopt;
    }

    std::vector<std::string> matches;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
        const UdevPtr<udev_device> tty(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!tty) {
            continue;
        }
        // The parent belongs to `tty` and is released with it.
        udev_device* usbDevice =
            udev_device_get_parent_with_subsystem_devtype(tty.get(), kUsbSubsystem, kUsbDeviceType);
        if (usbDevice == nullptr) {
            continue;
        }
        const char* product = udev_device_get_sysattr_value(usbDevice, kProductAttribute);
        const char* node = udev_device_get_devnode(tty.get());
        if (product != nullptr && node != nullptr && description == product) {
            matches.emplace_back(node);
        }
    }
    if (matches.empty()) {
        return std::nullopt;
    }
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace korvo
