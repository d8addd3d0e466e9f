// The fault campaign: many seeded update runs against the emulated board with random faults on
// the wire, the adapter and the user's side, each checked against the updater's promises.
//   fault_campaign [--scenarios N] [--seed S] [--verbose]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/start_window.h"
#include "fake_window.h"
#include "link/emulated_board.h"
#include "sample_image.h"

namespace korvo::testing {
namespace {

constexpr std::size_t kFlashedBytes = 63 * kBlockBytes;  // image blocks 0 to 62
constexpr EmulatedBoard::Clock kVirtualTimeBound{std::chrono::hours(12)};

using Random = std::mt19937_64;

int Uniform(Random& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool Chance(Random& random, double p) {
    return std::bernoulli_distribution(p)(random);
}

// A random change to a run of bytes: corrupt, drop, add, cut short, or silence.
EmulatedBoard::Edit RandomEdit(Random& random) {
    const int kind = Uniform(random, 0, 4);
    const auto where = static_cast<std::size_t>(Uniform(random, 0, 4095));
    const auto value = static_cast<std::uint8_t>(Uniform(random, 1, 255));
    return [kind, where, value](std::vector<std::uint8_t>& bytes) {
        if (bytes.empty()) {
            return;
        }
        const std::size_t at = where % bytes.size();
        switch (kind) {
            case 0:
                bytes[at] ^= value;
                break;
            case 1:
                bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 2:
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), value);
                break;
            case 3:
                bytes.resize(at);
                break;
            default:
                bytes.clear();
                break;
        }
    };
}

enum class Ending { Completed, FlashFailed, StartUpStopped, ConnectionLost, Other };

struct Outcome {
    Ending ending = Ending::Other;
    bool falseSuccess = false;
    std::vector<std::string> violations;
};

class Scenario {
public:
    Scenario(std::uint64_t seed, const PlainImage& image, const std::vector<std::uint8_t>& stored)
        : m_random(seed), m_image(image) {
        m_window.imageResource = stored;
        m_window.SetEventSink(&m_logic);
        m_board.RecordBytes(false);
        m_board.loader().beforeWrite = [this](std::uint32_t address) { CheckOrder(address); };
        ScriptFaults();
    }

    Outcome Run() {
        m_logic.FormLoad();
        if (m_window.shown && !Chance(m_random, 0.02)) {
            m_window.Click(kFindDeviceButton);
        }
        if (m_window.loaded && m_window.buttonShown[kFlashDeviceButton]) {
            if (Chance(m_random, 0.03)) {
                m_window.Click(kAbortFlashButton);
            } else {
                m_window.Click(kFlashDeviceButton);
            }
        }
        if (m_window.loaded && Chance(m_random, 0.5)) {
            m_window.RequestClose();  // closing is refused only while an operation runs
            Expect(!m_window.loaded, "a close outside an operation was refused");
        }
        Judge();
        return m_outcome;
    }

private:
    void Expect(bool holds, const std::string& what) {
        if (!holds) {
            m_outcome.violations.push_back(what);
        }
    }

    void ScriptFaults() {
        const int faults = Uniform(m_random, 0, 6);
        for (int i = 0; i < faults; ++i) {
            switch (Uniform(m_random, 0, 8)) {
                case 0:
                    m_board.EditEcho(Uniform(m_random, 1, 300), RandomEdit(m_random));
                    break;
                case 1:
                    m_board.EditReceived(Uniform(m_random, 1, 300), RandomEdit(m_random));
                    break;
                case 2: {
                    const char kinds[] = {'G', 'W', 'R'};
                    m_board.EditAnswer(kinds[Uniform(m_random, 0, 2)], Uniform(m_random, 1, 80),
                                       RandomEdit(m_random));
                    break;
                }
                case 3:
                    m_board.LimitRead(Uniform(m_random, 1, 600),
                                      static_cast<std::uint32_t>(Uniform(m_random, 0, 2047)));
                    break;
                case 4:
                    m_board.ReadStatus(Uniform(m_random, 1, 600),
                                       Chance(m_random, 0.7) ? kFtIoError : kFtOtherError);
                    break;
                case 5: {
                    const auto call = static_cast<DriverCall>(Uniform(m_random, 0, 11));
                    m_board.FailCall(call,
                                     Uniform(m_random, 1, call == DriverCall::OpenEx ? 2 : 200),
                                     static_cast<FtStatus>(Uniform(m_random, 1, 20)));
                    break;
                }
                case 6:
                    if (Chance(m_random, 0.3)) {
                        m_board.UnplugAtCall(Uniform(m_random, 1, 700),
                                             Chance(m_random, 0.5) ? kFtIoError : kFtOtherError);
                    }
                    break;
                case 7:
                    m_window.CloseAtPump(Uniform(m_random, 1, 800));
                    break;
                default:
                    m_window.ClickAtPump(Uniform(m_random, 1, 800), Uniform(m_random, 0, 3));
                    break;
            }
        }
    }

    // The block for device address 0 makes the board bootable: it may only be written once
    // every other block is in the flash as the image has it.
    void CheckOrder(std::uint32_t address) {
        if (address != 0 || m_checkedOrder) {
            return;
        }
        m_checkedOrder = true;
        const auto& flash = m_board.loader().flash();
        Expect(std::equal(flash.begin() + kBlockBytes, flash.begin() + kFlashedBytes,
                          m_image.begin() + 8 + kBlockBytes),
               "address 0 written before every other block was in place");
    }

    void Judge() {
        const auto& calls = m_window.calls;
        const bool complete =
            std::find(calls.begin(), calls.end(),
                      "StatusText \"" + std::string(kFlashCompleteText) + "\"") != calls.end();
        const auto& flash = m_board.loader().flash();
        const bool flashed =
            std::equal(flash.begin(), flash.begin() + kFlashedBytes, m_image.begin() + 8);
        if (complete && !flashed) {
            m_outcome.falseSuccess = true;
        }
        const auto boxTitled = [this](std::string_view title) {
            return std::any_of(m_window.boxes.begin(), m_window.boxes.end(),
                               [&](const Box& box) { return box.title == title; });
        };
        if (complete) {
            m_outcome.ending = Ending::Completed;
        } else if (boxTitled(kWriteFailureTitle) || boxTitled(kVerifyFailureTitle)) {
            m_outcome.ending = Ending::FlashFailed;
        } else if (!m_window.shown && !boxTitled(kConnectionFailureTitle)) {
            m_outcome.ending = Ending::StartUpStopped;
        } else if (boxTitled(kConnectionFailureTitle)) {
            m_outcome.ending = Ending::ConnectionLost;
        }

        std::vector<const Box*> failures;
        for (const Box& box : m_window.boxes) {
            if (box.title == kWriteFailureTitle || box.title == kVerifyFailureTitle) {
                failures.push_back(&box);
            }
        }
        Expect(failures.size() <= 1, "more than one failure box");
        if (failures.size() == 1) {
            const bool finalBlock = m_state.DeviceAddress == 0;
            const std::string& text = failures[0]->text;
            const bool saysDoNotPowerOff = text.find("DO NOT POWER OFF") != std::string::npos;
            Expect(saysDoNotPowerOff == finalBlock,
                   "power-off warning on the wrong block: " + text);
            Expect(!complete, "a failure box and a completed flash");
            Expect(m_window.ShowsOnly({kFindDeviceButton}) && !m_window.progressShown &&
                       m_window.statusText.empty() && m_window.deviceName.empty(),
                   "the window did not return to its first state after a failure");
        }
        for (const auto& violation : m_window.violations) {
            Expect(false, violation);
        }
        Expect(m_board.callsOnStaleHandle() == 0, "a driver call on a closed handle");
        Expect(m_board.now() < kVirtualTimeBound, "the run did not end in bounded time");
        if (!m_window.loaded) {
            Expect(m_state.LinkHandle == 0 && !m_board.isOpen(),
                   "the window unloaded with the link still open");
        }
    }

    Random m_random;
    const PlainImage& m_image;
    std::unique_ptr<UpdaterState> m_owned = std::make_unique<UpdaterState>();
    UpdaterState& m_state = *m_owned;
    FakeWindow m_window;
    EmulatedBoard m_board;
    StartWindow m_logic{m_state, m_window, m_board};
    Outcome m_outcome;
    bool m_checkedOrder = false;
};

}  // namespace
}  // namespace korvo::testing

int main(int argc, char** argv) {
    using namespace korvo::testing;
    long scenarios = 1000;
    std::uint64_t seed = 1;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--scenarios" && i + 1 < argc) {
            scenarios = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (arg == "--verbose") {
            verbose = true;
        } else {
            std::fprintf(stderr, "usage: %s [--scenarios N] [--seed S] [--verbose]\n", argv[0]);
            return 2;
        }
    }

    const PlainImage image = MakePlainImage();
    const std::vector<std::uint8_t> stored = Scrambled(image);
    long falseSuccesses = 0;
    long violations = 0;
    long failedScenarios = 0;
    long endings[5] = {};
    for (long n = 0; n < scenarios; ++n) {
        const std::uint64_t scenarioSeed = seed * 1'000'003 + static_cast<std::uint64_t>(n);
        const Outcome outcome = Scenario(scenarioSeed, image, stored).Run();
        ++endings[static_cast<int>(outcome.ending)];
        falseSuccesses += outcome.falseSuccess ? 1 : 0;
        violations += static_cast<long>(outcome.violations.size());
        if (outcome.falseSuccess || !outcome.violations.empty()) {
            ++failedScenarios;
            std::printf("scenario seed %llu:%s\n", static_cast<unsigned long long>(scenarioSeed),
                        outcome.falseSuccess ? " FALSE SUCCESS" : "");
            for (const auto& v : outcome.violations) {
                std::printf("  %s\n", v.c_str());
            }
        } else if (verbose) {
            std::printf("scenario seed %llu: ok\n", static_cast<unsigned long long>(scenarioSeed));
        }
    }
    std::printf(
        "completed: %ld, flash failures: %ld, start-up stops: %ld, connection lost: %ld, "
        "other: %ld\n",
        endings[0], endings[1], endings[2], endings[3], endings[4]);
    std::printf("scenarios run: %ld, false successes: %ld, invariant violations: %ld\n", scenarios,
                falseSuccesses, violations);
    std::printf("%ld passed, %ld failed\n", scenarios - failedScenarios, failedScenarios);
    return failedScenarios == 0 ? 0 : 1;
}
