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
#include "music/render.h"
#include "tests/bench/busy_module.h"

using namespace music;

namespace {

void renderBusyModule(benchmark::State& state) {
    std::string path = writeBusyModule();
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    Song* song = loadSong(path.c_str());
    std::remove(path.c_str());
    if (song == nullptr) {
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
}
BENCHMARK(renderBusyModule)->Unit(benchmark::kMillisecond);

}  // namespace
