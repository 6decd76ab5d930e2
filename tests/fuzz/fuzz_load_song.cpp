// Fuzzes the loader: arbitrary bytes are served as the embedded module, loaded,
// walked up to every bound the song promises, and released. Built with address
// and undefined-behaviour checks, so a read outside what the loader allocated,
// an overflow or a leak stops the run.
#include <cstddef>
#include <cstdint>

#include "data/resources.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/memory_file.h"

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

// Where playing a loaded song for a while goes once the fuzz run covers the
// player as well.
void exerciseSong(Song& song) {
    volatile uint32_t sink = touchSong(song);
    (void)sink;
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
