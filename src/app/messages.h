// Every text the program shows: window title, labels, button captions and message boxes, exact to
// the blank.
#pragma once

#include <array>
#include <string_view>

namespace korvo {

inline constexpr std::string_view kApplicationTitle = "Korvo Firmware Updater";
inline constexpr std::string_view kWindowTitlePrefix = "Korvo Firmware Updater v";

// Captions of the Button array, by index.
inline constexpr int kFindDeviceButton = 0;
inline constexpr int kFlashDeviceButton = 1;
inline constexpr int kAbortFlashButton = 2;
inline constexpr int kOkButton = 3;
inline constexpr std::array<std::string_view, 4> kButtonCaptions{"Find Device", "Flash Device",
                                                                 "Abort Flash", "Ok!"};
inline constexpr std::string_view kProgressToolTip =
    "This bar shows the current progress of an operation.";

// Start-up.
inline constexpr std::string_view kAlreadyRunningSuffix = " already running! ";
inline constexpr std::string_view kNoLinkText = "Serial Link interface not found!";
inline constexpr std::string_view kNoLinkTitle = "USB Error!";
inline constexpr std::string_view kNotInUpdateModeText = "Korvo not in update mode! ";

// Device check.
inline constexpr std::string_view kDeviceName = "Korvo";
inline constexpr std::string_view kConnectionFailureText = "USB Connection Failure!";
inline constexpr std::string_view kConnectionFailureTitle = "USB Error";
inline constexpr std::string_view kNotSupportedText =
    "Device not currently supported for upgrading!";
inline constexpr std::string_view kNotSupportedTitle = "Device not supported!";
inline constexpr std::string_view kFirmwarePrefix = "Firmware: v";
inline constexpr std::string_view kUpgradingToInfix = "  -  Upgrading to: v";

// Flash sequence.
inline constexpr std::string_view kFlashingText = "Flashing device...";
inline constexpr std::string_view kFlashCompleteText = "Flash Complete!";
inline constexpr std::string_view kWriteFailureTitle = "Write Failure!";
inline constexpr std::string_view kVerifyFailureTitle = "Verify Failure!";
inline constexpr std::string_view kWriteFailureText =
    "Device write error! Data is corrupted!  Re-try update!";
inline constexpr std::string_view kVerifyFailureText =
    "Device verify error!  Data is corrupted!  Re-try update!";
inline constexpr std::string_view kFinalWriteFailureText =
    "Step 3 - Device write error!  Data is corrupted!  ** DO NOT POWER OFF BOARD!! **  Re-try "
    "update!";
inline constexpr std::string_view kFinalVerifyFailureText =
    "Device verify error!  Data is corrupted!  ** DO NOT POWER OFF BOARD!! **  Re-try update!";

}  // namespace korvo
