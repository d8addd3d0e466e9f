// The window's event pump during a link fuzz run: it can close the link after a set number of
// pumps, as a close request handled in the middle of a receive would, and it traps when the block
// read-back loop runs it.
#pragma once

#include "fuzz_check.h"
#include "link/event_pump.h"
#include "link/serial_link.h"
#include "scripted_driver.h"

namespace korvo::fuzz {

class ScriptedPump : public EventPump {
public:
    explicit ScriptedPump(const ScriptedDriver& driver) : m_driver(driver) {}

    // Closes `link` at the `pumps`-th pump from now; 0 never.
    void Arm(SerialLink& link, int pumps) {
        m_link = pumps > 0 ? &link : nullptr;
        m_countdown = pumps;
        m_closed = false;
    }

    void PumpEvents() override {
        FUZZ_CHECK(!m_driver.lastReadIntoReadBack(), "the block read-back ran the event pump");
        if (m_link != nullptr && --m_countdown == 0) {
            m_link->CloseLink();
            m_link = nullptr;
            m_closed = true;
        }
    }

    // Whether the pump closed the link since it was last armed.
    bool closed() const { return m_closed; }

private:
    const ScriptedDriver& m_driver;
    SerialLink* m_link = nullptr;
    int m_countdown = 0;
    bool m_closed = false;
};

}  // namespace korvo::fuzz
