// Fuzzes the loader and the player: arbitrary bytes are served as the embedded
// module, loaded, walked up to every bound the song promises, played for a few
// seconds, and released. Built with address and undefined-behaviour checks, so
// a read outside what the loader allocated, an overflow or a leak stops the run.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/resources.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/memory_file.h"
#include "music/render.h"

namespace {

// Reads every cell of every pattern and every frame up to the last guard
// frame of every sample, so that a count that overstates its array shows up.
uint32_t touchSong(const Song& song) {
    uint32_t sum = 0;
    for (int32_t position = 0; position < song.songLength; ++position) {
        const Pattern& pattern = song.patterns[song.orderTable[position]];
        sum += pattern.rowCount;
    }
    for (int32_t p = 0; p < song.patternCount; ++p) {
        const Pattern& pattern = song.patterns[p];
        const int64_t cells = int64_t{pattern.rowCount} * song.channelCount;
        for (int64_t i = 0; i < cells; ++i) sum += pattern.cells[i].note + pattern.cells[i].param;
    }
    for (int32_t i = 0; i < song.instrumentCount; ++i) {
        const Instrument& instrument = song.instruments[i];
        sum += instrument.volumeEnvelope[instrument.volumePointCount ? instrument.volumePointCount - 1 : 0].y;
        for (const Sample* sample : instrument.samples) {
            if (!sample->data) continue;
            sum += static_cast<uint16_t>(sample->data[sample->loopStart + sample->loopLength]);
            sum += static_cast<uint16_t>(sample->data[sample->length + 7]);
        }
    }
    return sum;
}

// Plays the first seconds of the song through the offline render, so that the
// player and the mixer run on every input that loads. The low rate keeps the
// number of ticks while mixing fewer frames, and drives the voices at large steps.
void playSong(Song& song) {
    constexpr int32_t rate = 8000;
    constexpr int32_t seconds = 4;
    static std::vector<int16_t> out(size_t{rate} * 2);
    if (!beginRender(&song, rate)) return;
    for (int32_t s = 0; s < seconds; ++s) renderFrames(out.data(), rate);
    endRender();
}

void exerciseSong(Song& song) {
    volatile uint32_t sink = touchSong(song);
    (void)sink;
    playSong(song);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ResourceEntry entry{};
    entry = ResourceEntry{ResourceType::RcData, 190, data, static_cast<uint32_t>(size)};
    installResourceTable(std::span<const ResourceEntry>(&entry, 1));
    installFileCallbacks(openResourceFile, closeMemoryFile, readMemoryFile, seekMemoryFile, tellMemoryFile);
    if (Song* song = loadSong("#190")) {
        exerciseSong(*song);
        freeSong(song);
    }
    return 0;
}
