// The device check: the link must survive two purges around the identify exchange, and the
// carried image must load, before the flash is offered.
#include "update/device_check.h"

#include "app/messages.h"
#include "image/firmware_image.h"

namespace korvo {

std::string VersionText(std::uint8_t major, std::uint8_t minor) {
    std::string text(1, static_cast<char>('0' + major));
    text += ". ";
    text += std::to_string(minor);
    return text;
}

void CheckDevice(UpdateContext& context) {
    UpdaterState& state = context.state;
    WindowServices& window = context.window;
    UsbSerialDriver& driver = context.link.driver();

    state.LinkStatus = static_cast<std::int32_t>(driver.FT_Purge(state.LinkHandle, kFtPurgeRxTx));
    if (state.LinkStatus == 0) {
        context.protocol.IdentifyDevice();  // its outcome shows in the version fields only
        state.LinkStatus =
            static_cast<std::int32_t>(driver.FT_Purge(state.LinkHandle, kFtPurgeRxTx));
    }
    if (state.LinkStatus != 0) {
        window.UnloadWindow();
        window.ShowMessage(kConnectionFailureText, MessageStyle::Plain, kConnectionFailureTitle);
        return;
    }

    window.SetLabelText(Label::DeviceName, kDeviceName);
    const std::string deviceVersion = VersionText(state.DevMajor, state.DevMinor);
    LoadImage(state, window);
    if (state.UpdateError) {
        window.ShowMessage(kNotSupportedText, MessageStyle::Plain, kNotSupportedTitle);
        return;
    }
    const std::string imageVersion = VersionText(state.ImgMajor, state.ImgMinor);
    std::string status(kFirmwarePrefix);
    status += deviceVersion;
    status += kUpgradingToInfix;
    status += imageVersion;
    window.SetLabelText(Label::StatusText, status);

    window.SetButtonVisible(kFindDeviceButton, false);
    window.SetButtonVisible(kFlashDeviceButton, true);
    window.SetButtonVisible(kAbortFlashButton, true);
}

}  // namespace korvo
