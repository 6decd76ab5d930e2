// A whole render of a 32-channel module through loader, player and mixer,
// in multiples of real time: every channel plays looping notes with
// vibrato, volume slides and panning, so most voices are busy all the time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "music/disk_file.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/mix_path.h"
#include "music/render.h"
#include "tests/bench/busy_module.h"

using namespace music;

namespace {

// Renders with the inner loops of the path numbered by the benchmark's
// argument; skipped where the processor lacks it.
void renderBusyModule(benchmark::State& state) {
    auto mixPath = static_cast<MixPath>(state.range(0));
    state.SetLabel(mixPathName(mixPath));
    MixPath startUpPath = activeMixPath();
    if (!selectMixPath(mixPath)) {
        state.SkipWithError("not available on this processor");
        return;
    }
    std::string path = writeBusyModule();
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    Song* song = loadSong(path.c_str());
    std::remove(path.c_str());
    if (song == nullptr) {
        selectMixPath(startUpPath);
        state.SkipWithError("the module does not load");
        return;
    }
    constexpr int64_t seconds = 30;
    std::vector<int16_t> out(2 * 44100);
    for (auto _ : state) {
        beginRender(song, 44100);
        for (int64_t s = 0; s < seconds; ++s) renderFrames(out.data(), 44100);
        endRender();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x real time"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * seconds, benchmark::Counter::kIsRate);
    freeSong(song);
    selectMixPath(startUpPath);
}
BENCHMARK(renderBusyModule)->DenseRange(0, mixPathCount - 1)->Unit(benchmark::kMillisecond);

}  // namespace
