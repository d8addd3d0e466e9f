// Measures loading the carried firmware: the whole load with its header tests, the unscramble
// alone, and the scrambler that makes the stored form.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "image/firmware_image.h"

namespace {

class FileResource : public korvo::ResourceLoader {
public:
    explicit FileResource(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    std::optional<std::vector<std::uint8_t>> LoadResource(std::string_view, int) override {
        return m_bytes;
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

class Fractions : public korvo::RandomFractions {
public:
    void SeedRandomFromClock() override { m_engine.seed(std::random_device{}()); }
    float NextRandomFraction() override {
        return static_cast<float>(m_engine() >> 8) * (1.0F / 16'777'216.0F);
    }

private:
    std::mt19937 m_engine;
};

std::vector<std::uint8_t> StoredFirmware() {
    std::ifstream in(KORVO_FIRMWARE_PATH, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void LoadImage(benchmark::State& run) {
    auto state = std::make_unique<korvo::UpdaterState>();
    state->ImageResourceId = korvo::kImageResourceId;
    FileResource resource(StoredFirmware());
    for (auto _ : run) {
        korvo::LoadImage(*state, resource);
        benchmark::DoNotOptimize(state->UpdateError);
    }
    if (state->UpdateError) {
        run.SkipWithError("the carried firmware did not load");
    }
}
BENCHMARK(LoadImage)->Unit(benchmark::kMillisecond);

void UnscrambleImage(benchmark::State& run) {
    auto state = std::make_unique<korvo::UpdaterState>();
    for (auto _ : run) {
        korvo::UnscrambleImage(*state);
        benchmark::DoNotOptimize(state->ImageBuffer.data());
    }
}
BENCHMARK(UnscrambleImage)->Unit(benchmark::kMillisecond);

void ScrambleImage(benchmark::State& run) {
    auto state = std::make_unique<korvo::UpdaterState>();
    Fractions fractions;
    for (auto _ : run) {
        korvo::ScrambleImage(*state, fractions);
        benchmark::DoNotOptimize(state->ScrambledImage.data());
    }
}
BENCHMARK(ScrambleImage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
