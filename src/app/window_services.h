// The window and runtime services that the logic needs: the only way the logic reaches the
// window toolkit. The Qt window implements it for the program, a recording fake for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/image_platform.h"
#include "link/event_pump.h"

namespace korvo {

enum class Label { StatusText, DeviceName };

// Message box styles, with the toolkit-neutral values the logic passes.
enum class MessageStyle : std::uint32_t {
    Plain = 0,         // an OK button, no icon
    Critical = 0x1010  // an OK button, a stop icon, modal over everything
};

struct ProgramVersion {
    int major = 0;
    int minor = 0;
};

// The events that the window delivers to the logic.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    // A click on the button of `index` in the Button array.
    virtual void ButtonClick(std::int16_t index) = 0;
    // The user asked to close the window; true lets it unload, false keeps it open.
    virtual bool QueryClose() = 0;
    // The window is unloading (by its close box or by UnloadWindow).
    virtual void FormUnload() = 0;
};

class WindowServices : public EventPump, public ResourceLoader, public RandomFractions {
public:
    // Where the window delivers its events; set once before the window loads.
    virtual void SetEventSink(WindowEvents* events) = 0;

    // A modal box with an OK button; returns when the user has closed it. Without a title the
    // box shows the application title.
    virtual void ShowMessage(std::string_view text, MessageStyle style,
                             std::optional<std::string_view> title) = 0;
    virtual void SetTitle(std::string_view text) = 0;
    virtual void SetLabelText(Label label, std::string_view text) = 0;
    // Shows or hides the button of `index` (0 to 3); a hidden button cannot be clicked.
    virtual void SetButtonVisible(int index, bool shown) = 0;
    virtual void SetProgressVisible(bool shown) = 0;
    virtual void SetProgressMax(int max) = 0;
    virtual void SetProgressValue(int value) = 0;
    // The value last set.
    virtual int ProgressValue() const = 0;
    // Shows the window, modeless; returns at once.
    virtual void ShowWindow() = 0;
    // Unloads the window: runs FormUnload of the event sink before it returns. Once no window is
    // left and no handler runs, the program ends.
    virtual void UnloadWindow() = 0;
    // Ends the program. The logic makes no further call after it and returns at once.
    virtual void EndProgram() = 0;
    // True when another instance of this program is running.
    virtual bool PreviousInstanceRunning() = 0;
    // The program file's name without folder and extension.
    virtual std::string ExecutableName() = 0;
    virtual ProgramVersion Version() = 0;
};

}  // namespace korvo
