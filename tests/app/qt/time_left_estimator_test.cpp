// The time-left estimate on the progress bar: a table of progress values at given times and the
// text that they leave.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/qt/time_left_estimator.h"

namespace korvo::testing {
namespace {

struct Step {
    int atMs;
    int value;
};

struct EstimateCase {
    const char* name;
    int maximum;
    std::vector<Step> steps;
    std::string text;
};

void PrintTo(const EstimateCase& c, std::ostream* os) {
    *os << c.name;
}

class TimeLeftEstimatorTest : public ::testing::TestWithParam<EstimateCase> {};

TEST_P(TimeLeftEstimatorTest, TellsTheTimeLeftFromThePaceOfTheValues) {
    const EstimateCase& c = GetParam();
    TimeLeftEstimator estimator;
    std::string trail;
    for (const Step& step : c.steps) {
        estimator.Record(
            step.value, c.maximum,
            TimeLeftEstimator::Clock::time_point{} + std::chrono::milliseconds(step.atMs));
        trail += ' ';
        trail += std::to_string(step.value);
        trail += '@';
        trail += std::to_string(step.atMs);
        trail += "ms";
    }
    EXPECT_EQ(estimator.Text(), c.text) << "values:" << trail << ", maximum " << c.maximum;
}

INSTANTIATE_TEST_SUITE_P(
    Paces, TimeLeftEstimatorTest,
    ::testing::Values(
        EstimateCase{"NoneBeforeAnyValue", 63, {}, ""},
        EstimateCase{"NoneWhileAtTheStart", 63, {{0, 0}, {5000, 0}}, ""},
        EstimateCase{"FirstRiseSetsThePace", 63, {{0, 0}, {1000, 1}}, "1:02 left"},
        EstimateCase{"PaceCountsFromTheLastValueAtTheStart",
                     63,
                     {{0, 0}, {9000, 0}, {10000, 1}},
                     "1:02 left"},
        EstimateCase{"RiseOfSeveralStepsSharesItsTime", 100, {{0, 0}, {2000, 4}}, "0:48 left"},
        // 0.3 x 3 s + 0.7 x 1 s = 1.6 s a step, 61 steps to go.
        EstimateCase{
            "SlowStepMovesThePacePartWay", 63, {{0, 0}, {1000, 1}, {4000, 2}}, "1:38 left"},
        EstimateCase{"RepeatedValueDoesNotRestartTheStep",
                     63,
                     {{0, 0}, {1000, 1}, {1500, 1}, {2000, 2}},
                     "1:01 left"},
        EstimateCase{"LowerValueStartsANewOperation", 63, {{0, 0}, {1000, 1}, {3000, 0}}, ""},
        EstimateCase{"NewOperationHasItsOwnPace",
                     63,
                     {{0, 0}, {1000, 1}, {3000, 0}, {5000, 1}},
                     "2:04 left"},
        EstimateCase{"SecondsHaveTwoDigits", 63, {{0, 0}, {100, 1}}, "0:06 left"},
        EstimateCase{"RoundsToTheNearestSecond", 11, {{0, 0}, {250, 1}}, "0:03 left"},
        EstimateCase{"MinutesPastAnHourStayMinutes", 63, {{0, 0}, {60000, 1}}, "62:00 left"},
        EstimateCase{"NoneAtTheMaximum", 63, {{0, 0}, {1000, 63}}, ""},
        EstimateCase{"NoneForAnOperationWithoutSteps", 0, {{0, 0}, {1000, 0}}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvo::testing
