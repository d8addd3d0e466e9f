// The time left of a running operation, estimated from the pace at which its progress value
// rises, and the short text that shows it on the progress bar.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace korvo {

// The phrase after the minutes and seconds left: "0:12 left".
inline constexpr std::string_view kTimeLeftSuffix = " left";

class TimeLeftEstimator {
public:
    using Clock = std::chrono::steady_clock;

    // Forgets the operation: the next value starts a new one.
    void Reset();

    // Takes the value just set on a bar that runs from 0 to `maximum`, at `now`. A value below
    // the one before starts a new operation; the last time the value stood at its starting point
    // is where the pace is measured from.
    void Record(int value, int maximum, Clock::time_point now);

    // The time left, once the value has risen at least once since the start; none at or past
    // the maximum.
    std::optional<std::chrono::seconds> TimeLeft() const;

    // "m:ss left" for the current estimate; empty before there is one.
    std::string Text() const;

private:
    // The weight of the newest step's pace in the smoothed pace: high enough to follow a run of
    // retried blocks within a few steps, low enough that one slow block does not swing it.
    static constexpr double kSmoothing = 0.3;

    bool m_started = false;
    int m_lastValue = 0;
    int m_maximum = 0;
    Clock::time_point m_lastRise{};          // when the value last rose, or stood at the start
    std::optional<double> m_secondsPerStep;  // smoothed pace
};

}  // namespace korvo
