// The window's event pump as the link sees it: run pending window events, then return.
#pragma once

namespace korvo {

class EventPump {
public:
    virtual ~EventPump() = default;
    // Runs the window events that are pending (clicks, a close request, repaints) on this thread.
    virtual void PumpEvents() = 0;
};

}  // namespace korvo
