// The whole window logic on the fake window and the emulated board, carrying a scrambled image
// of version 1.8 unless a test changes it.
#pragma once

#include <string>
#include <vector>

#include "app/start_window.h"
#include "rig.h"
#include "sample_image.h"

namespace korvo::testing {

struct AppRig : Rig {
    StartWindow logic{state, window, board};
    PlainImage image = MakePlainImage();

    AppRig() {
        window.SetEventSink(&logic);
        window.imageResource = Scrambled(image);
    }

    // Calls recorded from index `from` on.
    std::vector<std::string> CallsSince(std::size_t from) const {
        return {window.calls.begin() + static_cast<std::ptrdiff_t>(from), window.calls.end()};
    }
    // Starts the program and clicks "Find Device"; the window is then in its ready state.
    void StartAndFind() {
        logic.FormLoad();
        window.Click(0);
    }
};

}  // namespace korvo::testing
