// The recording fake window: keeps the window's look, a transcript of every call, and delivers
// scripted events from inside the event pump.
#include "fake_window.h"

#include <algorithm>
#include <chrono>
#include <sstream>

namespace korvo::testing {
namespace {

const char* StyleName(MessageStyle style) {
    return style == MessageStyle::Critical ? "Critical" : "Plain";
}

}  // namespace

void FakeWindow::Record(std::string call) {
    calls.push_back(std::move(call));
}

bool FakeWindow::Touch(const std::string& call) {
    Record(call);
    if (!loaded) {
        violations.push_back("after unload: " + call);
        return false;
    }
    return true;
}

std::string FakeWindow::Transcript() const {
    std::ostringstream out;
    for (const auto& call : calls) {
        out << "  " << call << "\n";
    }
    return out.str();
}

bool FakeWindow::ShowsOnly(std::initializer_list<int> buttons) const {
    for (int i = 0; i < 4; ++i) {
        const bool wanted = std::find(buttons.begin(), buttons.end(), i) != buttons.end();
        if (buttonShown[static_cast<std::size_t>(i)] != wanted) {
            return false;
        }
    }
    return true;
}

void FakeWindow::Click(int buttonIndex) {
    const bool clickable = loaded && shown && buttonIndex >= 0 && buttonIndex < 4 &&
                           buttonShown[static_cast<std::size_t>(buttonIndex)];
    if (!clickable || m_sink == nullptr) {
        Record("click on hidden button " + std::to_string(buttonIndex) + " dropped");
        return;
    }
    Record("Click " + std::to_string(buttonIndex));
    m_sink->ButtonClick(static_cast<std::int16_t>(buttonIndex));
}

void FakeWindow::RequestClose() {
    if (!loaded || m_sink == nullptr) {
        return;
    }
    Record("Close request");
    if (m_sink->QueryClose()) {
        UnloadWindow();
    } else {
        Record("Close refused");
    }
}

void FakeWindow::ShowMessage(std::string_view text, MessageStyle style,
                             std::optional<std::string_view> boxTitle) {
    Box box{std::string(text), style, {}};
    if (boxTitle) {
        box.title = std::string(*boxTitle);
    }
    Record(std::string("Box ") + StyleName(style) + " [" + (box.title ? *box.title : "<none>") +
           "] \"" + box.text + "\"");
    boxes.push_back(box);
    if (whileBoxOpen) {
        whileBoxOpen(box);
    }
}

void FakeWindow::SetTitle(std::string_view text) {
    if (Touch("Title \"" + std::string(text) + "\"")) {
        title = text;
    }
}

void FakeWindow::SetLabelText(Label label, std::string_view text) {
    const bool status = label == Label::StatusText;
    if (Touch(std::string(status ? "StatusText" : "DeviceName") + " \"" + std::string(text) +
              "\"")) {
        (status ? statusText : deviceName) = text;
    }
}

void FakeWindow::SetButtonVisible(int index, bool shownNow) {
    if (Touch("Button " + std::to_string(index) + (shownNow ? " shown" : " hidden")) &&
        index >= 0 && index < 4) {
        buttonShown[static_cast<std::size_t>(index)] = shownNow;
    }
}

void FakeWindow::SetProgressVisible(bool shownNow) {
    if (Touch(std::string("ProgressBar ") + (shownNow ? "shown" : "hidden"))) {
        progressShown = shownNow;
    }
}

void FakeWindow::SetProgressMax(int max) {
    if (Touch("ProgressBar Max " + std::to_string(max))) {
        progressMax = max;
    }
}

void FakeWindow::SetProgressValue(int value) {
    if (Touch("ProgressBar Value " + std::to_string(value))) {
        progressValues.push_back(value);
    }
}

void FakeWindow::ShowWindow() {
    if (Touch("Show")) {
        shown = true;
    }
}

void FakeWindow::UnloadWindow() {
    if (!loaded) {
        Record("Unload (already unloaded)");
        return;
    }
    Record("Unload");
    loaded = false;
    shown = false;
    if (m_sink != nullptr) {
        m_sink->FormUnload();
    }
}

void FakeWindow::EndProgram() {
    Record("End");
    ended = true;
}

void FakeWindow::PumpEvents() {
    ++pumps;
    if (onPump) {
        onPump(pumps);
    }
    const auto due = m_events.find(pumps);
    if (due == m_events.end()) {
        return;
    }
    const std::vector<int> events = due->second;
    m_events.erase(due);
    for (const int event : events) {
        if (event == kCloseEvent) {
            RequestClose();
        } else {
            Click(event);
        }
    }
}

bool FakeWindow::PreviousInstanceRunning() {
    return previousInstance;
}

std::string FakeWindow::ExecutableName() {
    return executableName;
}

ProgramVersion FakeWindow::Version() {
    return version;
}

std::optional<std::vector<std::uint8_t>> FakeWindow::LoadResource(std::string_view typeName,
                                                                  int id) {
    if (typeName == "JPG" && id == 100) {
        return imageResource;
    }
    return std::nullopt;
}

void FakeWindow::SeedRandomFromClock() {
    m_random.seed(
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

float FakeWindow::NextRandomFraction() {
    return std::uniform_real_distribution<float>(0.0F, 0.99999F)(m_random);
}

}  // namespace korvo::testing
