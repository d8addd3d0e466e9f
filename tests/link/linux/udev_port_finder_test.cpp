// Port lookup by USB description on a fake device tree (umockdev): run under umockdev-wrapper,
// which points libudev at the test bed.
#include <umockdev.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/linux/udev_port_finder.h"
#include "link/serial_link.h"

namespace korvo {
namespace {

const std::string kFendral{kAdapterDescriptions[0]};
const std::string kFtdi{kAdapterDescriptions[1]};

// A tty in the fake tree: behind a USB adapter whose product text is `product`, or, with no
// product, a built-in serial port with no USB device above it.
struct FakePort {
    std::string tty;
    std::optional<std::string> product;
};

struct LookupCase {
    const char* name;
    std::vector<FakePort> ports;
    std::optional<std::string> fendralPort;  // what each description finds
    std::optional<std::string> ftdiPort;
};

void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << c.name;
}

class UdevPortFinderTest : public ::testing::TestWithParam<LookupCase> {
protected:
    void SetUp() override {
        m_testbed = umockdev_testbed_new();
        ASSERT_NE(m_testbed, nullptr);
        // Tells whether the preload library is in place, once a test bed exists.
        ASSERT_TRUE(umockdev_in_mock_environment())
            << "run this program under umockdev-wrapper, which the test command does";
    }
    void TearDown() override {
        if (m_testbed != nullptr) {
            g_object_unref(m_testbed);
        }
    }

    // Builds the chain the kernel makes for an FTDI adapter: USB device, its interface, the
    // usb-serial port and the tty; or a platform serial port and its tty.
    void Add(const FakePort& port) {
        const std::string devname = "/dev/" + port.tty;
        if (!port.product) {
            gchar* parent = umockdev_testbed_add_device(m_testbed, "platform", "serial8250",
                                                        nullptr, nullptr, nullptr);
            g_free(umockdev_testbed_add_device(m_testbed, "tty", port.tty.c_str(), parent, nullptr,
                                               "DEVNAME", devname.c_str(), nullptr));
            g_free(parent);
            return;
        }
        const std::string usbName = "1-" + std::to_string(++m_usbDevices);
        gchar* usb = umockdev_testbed_add_device(
            m_testbed, "usb", usbName.c_str(), nullptr, "product", port.product->c_str(),
            "idVendor", "0403", "idProduct", "6001", nullptr, "DEVTYPE", "usb_device", nullptr);
        gchar* interface =
            umockdev_testbed_add_device(m_testbed, "usb", (usbName + ":1.0").c_str(), usb, nullptr,
                                        "DEVTYPE", "usb_interface", nullptr);
        gchar* serial = umockdev_testbed_add_device(m_testbed, "usb-serial", port.tty.c_str(),
                                                    interface, nullptr, nullptr);
        g_free(umockdev_testbed_add_device(m_testbed, "tty", port.tty.c_str(), serial, nullptr,
                                           "DEVNAME", devname.c_str(), nullptr));
        g_free(serial);
        g_free(interface);
        g_free(usb);
    }

    UMockdevTestbed* m_testbed = nullptr;
    int m_usbDevices = 0;
};

TEST_P(UdevPortFinderTest, EachDescriptionFindsItsOwnAdapterOnly) {
    for (const FakePort& port : GetParam().ports) {
        Add(port);
    }
    UdevPortFinder finder;
    EXPECT_EQ(finder.FindPort(kFendral), GetParam().fendralPort) << kFendral;
    EXPECT_EQ(finder.FindPort(kFtdi), GetParam().ftdiPort) << kFtdi;
}

INSTANTIATE_TEST_SUITE_P(
    UdevPortFinder, UdevPortFinderTest,
    ::testing::Values(
        LookupCase{"FendralOnly", {{"ttyUSB0", kFendral}}, "/dev/ttyUSB0", std::nullopt},
        LookupCase{"FtdiOnly", {{"ttyUSB0", kFtdi}}, std::nullopt, "/dev/ttyUSB0"},
        LookupCase{
            "Both", {{"ttyUSB0", kFtdi}, {"ttyUSB1", kFendral}}, "/dev/ttyUSB1", "/dev/ttyUSB0"},
        LookupCase{"Neither", {}, std::nullopt, std::nullopt},
        LookupCase{"SerialPortWithoutUsb", {{"ttyS0", std::nullopt}}, std::nullopt, std::nullopt},
        LookupCase{"ProductTextOnlySimilar",
                   {{"ttyUSB0", "Fendral Serial Link 2"}, {"ttyUSB1", "ft232r usb uart"}},
                   std::nullopt,
                   std::nullopt},
        // Found in device node order, whatever order the adapters came in.
        LookupCase{"TwoOfTheSameKind",
                   {{"ttyUSB3", kFendral}, {"ttyUSB1", kFendral}, {"ttyS0", std::nullopt}},
                   "/dev/ttyUSB1",
                   std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvo
