// A recording fake of the window services: every call in order as readable text, the window's
// current look, and events (clicks, close requests) delivered when the event pump runs.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/window_services.h"

namespace korvo::testing {

struct Box {
    std::string text;
    MessageStyle style;
    std::optional<std::string> title;
};

class FakeWindow : public WindowServices {
public:
    // --- What the runtime reports.
    bool previousInstance = false;
    std::string executableName = "korvo-updater";
    ProgramVersion version{1, 7};
    std::optional<std::vector<std::uint8_t>> imageResource;  // the "JPG" 100 resource
    // Runs inside every message box, as if the user did something before pressing OK.
    std::function<void(const Box&)> whileBoxOpen;

    // --- Events delivered by the n-th run of the event pump (counted from 1).
    void ClickAtPump(int pump, int buttonIndex) { m_events[pump].push_back(buttonIndex); }
    void CloseAtPump(int pump) { m_events[pump].push_back(kCloseEvent); }
    // Runs at every pump with its number; for tests that pick their moment as they go.
    std::function<void(int pump)> onPump;
    // A click as the toolkit delivers it: only on a shown button of a loaded, shown window.
    void Click(int buttonIndex);
    // The close box: the logic may refuse; otherwise the window unloads.
    void RequestClose();

    // --- What the window looks like now, and what happened.
    std::vector<std::string> calls;
    std::vector<Box> boxes;
    std::vector<std::string> violations;  // uses of the window after it unloaded
    bool loaded = true;
    bool shown = false;
    bool ended = false;
    std::string title;
    std::string statusText;
    std::string deviceName;
    std::array<bool, 4> buttonShown{};
    bool progressShown = false;
    int progressMax = 100;
    std::vector<int> progressValues;  // every value set, in order
    int pumps = 0;

    std::string Transcript() const;  // calls, one a line, for failure messages
    // True when only the given buttons are shown.
    bool ShowsOnly(std::initializer_list<int> buttons) const;

    // --- WindowServices.
    void SetEventSink(WindowEvents* events) override { m_sink = events; }
    void ShowMessage(std::string_view text, MessageStyle style,
                     std::optional<std::string_view> title) override;
    void SetTitle(std::string_view text) override;
    void SetLabelText(Label label, std::string_view text) override;
    void SetButtonVisible(int index, bool shownNow) override;
    void SetProgressVisible(bool shownNow) override;
    void SetProgressMax(int max) override;
    void SetProgressValue(int value) override;
    int ProgressValue() const override {
        return progressValues.empty() ? 0 : progressValues.back();
    }
    void ShowWindow() override;
    void UnloadWindow() override;
    void EndProgram() override;
    void PumpEvents() override;
    bool PreviousInstanceRunning() override;
    std::string ExecutableName() override;
    ProgramVersion Version() override;
    std::optional<std::vector<std::uint8_t>> LoadResource(std::string_view typeName,
                                                          int id) override;
    void SeedRandomFromClock() override;
    float NextRandomFraction() override;

private:
    static constexpr int kCloseEvent = -1;
    void Record(std::string call);
    bool Touch(const std::string& call);  // records; false (and a violation) after unload

    WindowEvents* m_sink = nullptr;
    std::map<int, std::vector<int>> m_events;
    std::mt19937 m_random{12345};
};

}  // namespace korvo::testing
