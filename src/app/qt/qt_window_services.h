// The window and runtime services on Qt: the window fmStart, message boxes, the event pump, the
// single-instance lock, the embedded resources and random fractions.
#pragma once

#include <QLockFile>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/qt/fm_start.h"
#include "app/qt/time_left_estimator.h"
#include "app/window_services.h"

namespace korvo {

inline constexpr ProgramVersion kProgramVersion{1, 7};
// The single-instance lock is the file "<executable base name>.lock" in the user's runtime folder:
// each program (the updater, the demo) is single by itself.
inline constexpr std::string_view kInstanceLockSuffix = ".lock";

class QtWindowServices : public WindowServices {
public:
    using TimeSource = std::function<TimeLeftEstimator::Clock::time_point()>;

    // Makes the window, hidden. `instanceLockPath` overrides where the single-instance lock
    // lives (tests); empty means the user's runtime folder, or the temp folder without one.
    // `clock` times the progress values for the time-left estimate (tests pass their own).
    explicit QtWindowServices(QString instanceLockPath = {},
                              TimeSource clock = TimeLeftEstimator::Clock::now);
    ~QtWindowServices() override;
    QtWindowServices(const QtWindowServices&) = delete;
    QtWindowServices& operator=(const QtWindowServices&) = delete;

    // The window until it unloads, then nullptr.
    FmStart* window() const { return m_loaded ? m_window.data() : nullptr; }
    // False once the window has unloaded.
    bool loaded() const { return m_loaded; }
    // True once the logic has ended the program.
    bool ended() const { return m_ended; }

    void SetEventSink(WindowEvents* events) override { m_events = events; }
    void ShowMessage(std::string_view text, MessageStyle style,
                     std::optional<std::string_view> title) override;
    void SetTitle(std::string_view text) override;
    void SetLabelText(Label label, std::string_view text) override;
    void SetButtonVisible(int index, bool shown) override;
    void SetProgressVisible(bool shown) override;
    void SetProgressMax(int max) override;
    void SetProgressValue(int value) override;
    int ProgressValue() const override { return m_progressValue; }
    void ShowWindow() override;
    void UnloadWindow() override;
    void EndProgram() override;
    void PumpEvents() override;
    bool PreviousInstanceRunning() override;
    std::string ExecutableName() override;
    ProgramVersion Version() override { return kProgramVersion; }

    std::optional<std::vector<std::uint8_t>> LoadResource(std::string_view typeName,
                                                          int id) override;
    void SeedRandomFromClock() override;
    float NextRandomFraction() override;

private:
    void OnButtonClick(int index);
    bool OnCloseRequest();
    // Once the window has unloaded and the outermost handler has returned, the program ends.
    void QuitIfUnloaded();

    QPointer<FmStart> m_window;
    WindowEvents* m_events = nullptr;
    bool m_loaded = true;
    bool m_ended = false;
    int m_handlerDepth = 0;  // window event handlers running, nested through the event pump
    int m_progressValue = 0;
    TimeSource m_clock;
    TimeLeftEstimator m_timeLeft;
    QString m_instanceLockPath;
    std::unique_ptr<QLockFile> m_instanceLock;
    std::mt19937 m_random;
};

}  // namespace korvo
