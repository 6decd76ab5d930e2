// The fuzz targets' common work on a song.
#include "tests/fuzz/fuzz_exercise.h"

#include <algorithm>
#include <array>
#include <span>

#include "data/resources.h"
#include "music/audio_output.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/memory_file.h"
#include "music/mixer.h"
#include "music/render.h"

using namespace music;

uint32_t touchSong(const Song& song) {
    uint32_t sum = 0;
    for (int32_t position = 0; position < song.songLength; ++position) {
        const Pattern& pattern = song.patterns[song.orderTable[static_cast<size_t>(position)]];
        sum += static_cast<uint32_t>(pattern.rowCount);
    }
    for (int32_t p = 0; p < song.patternCount; ++p) {
        const Pattern& pattern = song.patterns[p];
        const int64_t cells = int64_t{pattern.rowCount} * song.channelCount;
        for (int64_t i = 0; i < cells; ++i) sum += pattern.cells[i].note + pattern.cells[i].param;
    }
    for (int32_t i = 0; i < song.instrumentCount; ++i) {
        const Instrument& instrument = song.instruments[i];
        for (int32_t point = 0; point < instrument.volumePointCount; ++point)
            sum += instrument.volumeEnvelope[static_cast<size_t>(point)].y;
        for (int32_t point = 0; point < instrument.panningPointCount; ++point)
            sum += instrument.panningEnvelope[static_cast<size_t>(point)].y;
        for (const Sample* sample : instrument.samples) {
            if (!sample->data) continue;
            sum += static_cast<uint16_t>(sample->data[sample->loopStart + sample->loopLength]);
            sum += static_cast<uint16_t>(sample->data[sample->length + 7]);
        }
    }
    return sum;
}

void playTicks(Song& song) {
    constexpr int32_t rate = 8000;
    std::array<float, 2 * fuzzFramesPerTick> mix{};
    std::array<int16_t, 2 * fuzzFramesPerTick> pcm{};
    if (!beginRender(&song, rate)) return;
    for (int32_t tick = 0; tick < fuzzTicks; ++tick) {
        // A tick at the start of every short stretch of frames: the player
        // runs as many ticks as a real render would, on far fewer frames.
        song.framesLeftInTick = 0;
        mix.fill(0.0f);
        mixSongFrames(mix.data(), fuzzFramesPerTick);
        convertToPcm16(pcm.data(), mix.data(), fuzzFramesPerTick);
    }
    endRender();
}

bool exerciseModuleBytes(const uint8_t* data, size_t size, bool play) {
    static ResourceEntry entry{};
    entry = ResourceEntry{ResourceType::RcData, 190, data, static_cast<uint32_t>(size)};
    installResourceTable(std::span<const ResourceEntry>(&entry, 1));
    installFileCallbacks(openResourceFile, closeMemoryFile, readMemoryFile, seekMemoryFile, tellMemoryFile);
    Song* song = loadSong("#190");
    installResourceTable({});
    if (song == nullptr) return false;
    volatile uint32_t sink = touchSong(*song);
    (void)sink;
    if (play) playTicks(*song);
    freeSong(song);
    return true;
}
