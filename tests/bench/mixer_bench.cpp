// Mixer throughput in voice-frames per second: 32 voices on looping samples at
// varied pitches, at steady gains and with a ramp restarted on every call.
#include "music/mix_path.h"
#include "music/mixer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using namespace music;

namespace {

constexpr int32_t runFrames = 882;  // one tick at 125 BPM
constexpr int benchVoices = 32;

struct LoopedSamples {
    std::vector<std::vector<int16_t>> data;
    std::vector<Sample> samples;

    LoopedSamples() {
        for (int v = 0; v < benchVoices; ++v) {
            uint32_t length = 2000 + 500 * v;
            std::vector<int16_t>& frames = data.emplace_back(length + 8);
            for (uint32_t i = 0; i < length; ++i)
                frames[i] = static_cast<int16_t>(12000 * std::sin(i * 0.05 * (v + 1)));
            uint8_t mode = v % 3 == 0 ? 4 : 2;
            frames[length] = mode == 2 ? frames[100] : frames[length - 1];
            samples.push_back(Sample{frames.data(), length, 100, length - 100, 64, 0, 128, 16, mode, 0});
        }
    }
};

// Runs the mix with the inner loops of the path numbered by the benchmark's
// argument; false (and the benchmark skipped) where the processor lacks it.
bool usePath(benchmark::State& state) {
    auto path = static_cast<MixPath>(state.range(0));
    state.SetLabel(mixPathName(path));
    if (selectMixPath(path)) return true;
    state.SkipWithError("not available on this processor");
    return false;
}

void startVoices(LoopedSamples& set) {
    setMixRate(44100);
    resetVoices();
    for (int v = 0; v < benchVoices; ++v) {
        Voice& voice = mixerState.voices[v];
        voice.sample = &set.samples[v];
        voice.step = static_cast<uint64_t>((0.5 + 0.07 * v) * 4294967296.0);
        voice.targetLeft = 40 + 5 * v;
        voice.targetRight = 200 - 5 * v;
        voice.currentLeft = voice.targetLeft * 256;
        voice.currentRight = voice.targetRight * 256;
    }
}

void mixSteady(benchmark::State& state) {
    if (!usePath(state)) return;
    LoopedSamples set;
    startVoices(set);
    std::vector<float> out(2 * runFrames);
    for (auto _ : state) {
        mixVoices(out.data(), runFrames);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["voice-frames/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * runFrames * benchVoices, benchmark::Counter::kIsRate);
}
BENCHMARK(mixSteady)->DenseRange(0, mixPathCount - 1);

void mixWithRamps(benchmark::State& state) {
    if (!usePath(state)) return;
    LoopedSamples set;
    startVoices(set);
    std::vector<float> out(2 * runFrames);
    int flip = 0;
    for (auto _ : state) {
        // New targets on every tick: every voice ramps for the first 128 frames.
        flip ^= 1;
        for (int v = 0; v < benchVoices; ++v) mixerState.voices[v].targetLeft = 40 + 5 * v + 20 * flip;
        mixVoices(out.data(), runFrames);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["voice-frames/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * runFrames * benchVoices, benchmark::Counter::kIsRate);
}
BENCHMARK(mixWithRamps)->DenseRange(0, mixPathCount - 1);

}  // namespace
