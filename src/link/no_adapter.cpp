// A backend for platforms without one: no adapter can ever be opened.
#include <memory>

#include "link/adapter_driver.h"

namespace korvo {
namespace {

class NoAdapterDriver : public UsbSerialDriver {
public:
    FtStatus FT_OpenEx(const char*, std::uint32_t, FtHandle*) override { return kFtDeviceNotFound; }
    FtStatus FT_SetBaudRate(FtHandle, std::uint32_t) override { return kFtInvalidHandle; }
    FtStatus FT_SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return kFtInvalidHandle;
    }
    FtStatus FT_SetLatencyTimer(FtHandle, std::uint8_t) override { return kFtInvalidHandle; }
    FtStatus FT_SetUSBParameters(FtHandle, std::uint32_t, std::uint32_t) override {
        return kFtInvalidHandle;
    }
    FtStatus FT_SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t,
                                       std::uint8_t) override {
        return kFtInvalidHandle;
    }
    FtStatus FT_SetChars(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t,
                         std::uint8_t) override {
        return kFtInvalidHandle;
    }
    FtStatus FT_SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override {
        return kFtInvalidHandle;
    }
    FtStatus FT_Purge(FtHandle, std::uint32_t) override { return kFtInvalidHandle; }
    FtStatus FT_Write(FtHandle, const std::uint8_t*, std::uint32_t, std::uint32_t*) override {
        return kFtInvalidHandle;
    }
    FtStatus FT_Read(FtHandle, std::uint8_t*, std::uint32_t, std::uint32_t*) override {
        return kFtInvalidHandle;
    }
    FtStatus FT_Close(FtHandle) override { return kFtInvalidHandle; }
};

}  // namespace

std::unique_ptr<UsbSerialDriver> MakeAdapterDriver() {
    return std::make_unique<NoAdapterDriver>();
}

}  // namespace korvo
