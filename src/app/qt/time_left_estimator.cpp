// The time-left estimate: an exponentially smoothed pace per step of the progress value, times the
// steps still to go.
#include "app/qt/time_left_estimator.h"

#include <cmath>

namespace korvo {

void TimeLeftEstimator::Reset() {
    *this = TimeLeftEstimator{};
}

void TimeLeftEstimator::Record(int value, int maximum, Clock::time_point now) {
    if (!m_started || value < m_lastValue) {
        Reset();
        m_started = true;
        m_lastValue = value;
        m_lastRise = now;
    }
    m_maximum = maximum;
    if (value == m_lastValue) {
        // Still at the start: the operation has not begun to move, so its pace starts later.
        if (!m_secondsPerStep) {
            m_lastRise = now;
        }
        return;
    }
    const std::chrono::duration<double> elapsed = now - m_lastRise;
    const double pace = elapsed.count() / (value - m_lastValue);
    m_secondsPerStep =
        m_secondsPerStep ? kSmoothing * pace + (1.0 - kSmoothing) * *m_secondsPerStep : pace;
    m_lastValue = value;
    m_lastRise = now;
}

std::optional<std::chrono::seconds> TimeLeftEstimator::TimeLeft() const {
    if (!m_secondsPerStep || m_lastValue >= m_maximum) {
        return std::nullopt;
    }
    const double left = *m_secondsPerStep * (m_maximum - m_lastValue);
    return std::chrono::seconds(std::lround(left));
}

std::string TimeLeftEstimator::Text() const {
    const auto left = TimeLeft();
    if (!left) {
        return {};
    }
    const auto minutes = left->count() / 60;
    const auto seconds = left->count() % 60;
    std::string text = std::to_string(minutes) + ":";
    if (seconds < 10) {
        text += "0";
    }
    text += std::to_string(seconds);
    text += kTimeLeftSuffix;
    return text;
}

}  // namespace korvo
