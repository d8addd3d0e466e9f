// A test rig: the state record, the recording fake window, the emulated board (virtual time),
// and the link and loader protocol over them; with helpers for reading the board's transcript.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/window_services.h"
#include "fake_window.h"
#include "link/emulated_board.h"
#include "link/serial_link.h"
#include "protocol/loader_protocol.h"
#include "state/updater_state.h"

namespace korvo::testing {

struct Rig {
    std::unique_ptr<UpdaterState> owned = std::make_unique<UpdaterState>();
    UpdaterState& state = *owned;
    FakeWindow window;
    EmulatedBoard board;
    SerialLink link{state, board, window};
    LoaderProtocol protocol{link};

    // The board's records of one kind of call, in order.
    std::vector<DriverRecord> CallsOf(DriverCall call) const {
        std::vector<DriverRecord> found;
        for (const auto& record : board.transcript()) {
            if (record.call == call) {
                found.push_back(record);
            }
        }
        return found;
    }

    // The bytes of every FT_Write that starts with `prefix` (e.g. "WF"), in order.
    std::vector<std::vector<std::uint8_t>> CommandsStartingWith(const std::string& prefix) const {
        std::vector<std::vector<std::uint8_t>> found;
        for (const auto& record : CallsOf(DriverCall::Write)) {
            if (record.bytes.size() >= prefix.size() &&
                std::equal(prefix.begin(), prefix.end(), record.bytes.begin())) {
                found.push_back(record.bytes);
            }
        }
        return found;
    }

    // The driver calls as "FT_Name(args) -> status" lines, for failure messages.
    std::string DriverTranscript() const {
        std::string text;
        for (const auto& record : board.transcript()) {
            text += "  ";
            text += DriverCallName(record.call);
            text += "(";
            for (std::size_t i = 0; i < record.args.size(); ++i) {
                text += (i ? ", " : "") + std::to_string(record.args[i]);
            }
            text += ") " + std::to_string(record.bytes.size()) + " bytes -> " +
                    std::to_string(record.status) + "\n";
        }
        return text;
    }
};

// Table cases print as their name, so test listings stay readable. A test file brings it into
// the namespace of its cases with `using korvo::testing::PrintTo;`.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// The text of a reply: the first `n` bytes of a text buffer.
inline std::string Head(const TextBuffer& buffer, std::size_t n) {
    return std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
}

}  // namespace korvo::testing
