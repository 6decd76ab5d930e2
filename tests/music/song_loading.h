// Loads modules built by the XM writer (or raw bytes) through the memory file
// routines, the way the program loads its embedded module, and checks what
// every loaded song must satisfy whatever file it came from.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "data/resources.h"
#include "music/file_callbacks.h"
#include "music/lifecycle.h"
#include "music/memory_file.h"
#include "tools/xmwriter/xm_writer.h"

struct SongDeleter {
    void operator()(music::Song* song) const { music::freeSong(song); }
};
using SongPtr = std::unique_ptr<music::Song, SongDeleter>;

inline void installMemoryFileCallbacks() {
    music::installFileCallbacks(music::openResourceFile, music::closeMemoryFile, music::readMemoryFile,
                                music::seekMemoryFile, music::tellMemoryFile);
}

// Serves the bytes as RCDATA "#190" and loads them. The bytes are kept alive
// by the caller for the duration of the call only: the loader copies all it keeps.
inline SongPtr loadBytes(const std::vector<uint8_t>& bytes) {
    static ResourceEntry entry{};
    entry = ResourceEntry{ResourceType::RcData, 190, bytes.data(), static_cast<uint32_t>(bytes.size())};
    installResourceTable(std::span<const ResourceEntry>(&entry, 1));
    installMemoryFileCallbacks();
    SongPtr song(music::loadSong("#190"));
    installResourceTable({});
    return song;
}

inline SongPtr loadModule(const XmModule& module) { return loadBytes(writeXm(module)); }

// Samples from PCM frames, and a module whose one instrument holds one sample.
inline XmSample eightBit(std::vector<int16_t> pcm) {
    XmSample sample;
    sample.pcm = std::move(pcm);
    return sample;
}

inline XmSample sixteenBit(std::vector<int16_t> pcm) {
    XmSample sample = eightBit(std::move(pcm));
    sample.sixteenBit = true;
    return sample;
}

inline XmModule withOneSample(XmSample sample) {
    XmModule module;
    module.patterns.emplace_back();
    module.instruments.emplace_back().samples.push_back(std::move(sample));
    return module;
}

inline const music::Sample& firstSample(const music::Song& song) { return *song.instruments[0].samples[0]; }

// What the player and mixer rely on: every order position that can be played
// names an allocated pattern with rows and cells, and every owned sample keeps
// its loop inside its data with the guard frames after it.
inline void expectPlayableSong(const music::Song& song) {
    ASSERT_GE(song.songLength, 1);
    ASSERT_LE(song.songLength, 256);
    EXPECT_LT(song.restartPosition, song.songLength);
    EXPECT_LE(song.patternCount, 256);
    for (int32_t position = 0; position < song.songLength; ++position)
        EXPECT_LT(song.orderTable[static_cast<size_t>(position)], song.patternCount) << "order position " << position;
    for (int32_t p = 0; p < song.patternCount; ++p) {
        const music::Pattern& pattern = song.patterns[p];
        EXPECT_GE(pattern.rowCount, 1);
        EXPECT_LE(pattern.rowCount, 256);
        if (song.channelCount > 0) {
            EXPECT_NE(pattern.cells, nullptr) << "pattern " << p;
        }
    }
    EXPECT_LE(song.instrumentCount, 128);
    for (int32_t i = 0; i < song.instrumentCount; ++i) {
        const music::Instrument& instrument = song.instruments[i];
        ASSERT_LE(instrument.sampleCount, music::maxSamplesPerInstrument);
        EXPECT_LE(instrument.volumePointCount, 12);
        EXPECT_LE(instrument.panningPointCount, 12);
        if (instrument.volumeEnvelopeFlags & music::envelopeSustain) {
            EXPECT_LT(instrument.volumeSustainPoint, instrument.volumePointCount);
        }
        if (instrument.volumeEnvelopeFlags & music::envelopeLoop) {
            EXPECT_LT(instrument.volumeLoopStart, instrument.volumePointCount);
            EXPECT_LT(instrument.volumeLoopEnd, instrument.volumePointCount);
        }
        if (instrument.panningEnvelopeFlags & music::envelopeSustain) {
            EXPECT_LT(instrument.panningSustainPoint, instrument.panningPointCount);
        }
        if (instrument.panningEnvelopeFlags & music::envelopeLoop) {
            EXPECT_LT(instrument.panningLoopStart, instrument.panningPointCount);
            EXPECT_LT(instrument.panningLoopEnd, instrument.panningPointCount);
        }
        for (int32_t j = 0; j < music::maxSamplesPerInstrument; ++j) {
            const music::Sample* sample = instrument.samples[static_cast<size_t>(j)];
            ASSERT_NE(sample, nullptr);
            if (j >= instrument.sampleCount) {
                EXPECT_EQ(sample, &music::emptySample);
                continue;
            }
            EXPECT_EQ(sample->data == nullptr, sample->length == 0);
            EXPECT_LE(uint64_t{sample->loopStart} + sample->loopLength, sample->length);
            if (sample->loopMode == 1) {
                EXPECT_EQ(sample->loopLength, sample->length);
            } else {
                EXPECT_GT(sample->loopLength, 0u);
            }
        }
    }
}

// Two loads of the same module (from disk and memory, or written in two
// layouts) give equal songs: header, cells, instruments and sample frames.
inline void expectSameSong(const music::Song& a, const music::Song& b) {
    ASSERT_EQ(a.patternCount, b.patternCount);
    ASSERT_EQ(a.channelCount, b.channelCount);
    ASSERT_EQ(a.instrumentCount, b.instrumentCount);
    EXPECT_EQ(a.songLength, b.songLength);
    EXPECT_EQ(a.orderTable, b.orderTable);
    EXPECT_EQ(a.defaultSpeed, b.defaultSpeed);
    EXPECT_EQ(a.defaultBpm, b.defaultBpm);
    for (int32_t p = 0; p < a.patternCount; ++p) {
        ASSERT_EQ(a.patterns[p].rowCount, b.patterns[p].rowCount);
        const size_t cells = static_cast<size_t>(a.patterns[p].rowCount) * static_cast<size_t>(a.channelCount);
        if (cells) {
            EXPECT_EQ(std::memcmp(a.patterns[p].cells, b.patterns[p].cells, cells * sizeof(music::Note)), 0) << p;
        }
    }
    for (int32_t i = 0; i < a.instrumentCount; ++i) {
        const music::Instrument& x = a.instruments[i];
        const music::Instrument& y = b.instruments[i];
        ASSERT_EQ(x.sampleCount, y.sampleCount);
        EXPECT_EQ(x.fadeout, y.fadeout);
        EXPECT_EQ(x.sampleMap, y.sampleMap);
        EXPECT_EQ(x.volumePointCount, y.volumePointCount);
        EXPECT_EQ(x.volumeEnvelopeFlags, y.volumeEnvelopeFlags);
        for (int32_t j = 0; j < x.sampleCount; ++j) {
            const music::Sample& s = *x.samples[static_cast<size_t>(j)];
            const music::Sample& t = *y.samples[static_cast<size_t>(j)];
            ASSERT_EQ(s.length, t.length);
            EXPECT_EQ(s.loopStart, t.loopStart);
            EXPECT_EQ(s.loopLength, t.loopLength);
            EXPECT_EQ(s.loopMode, t.loopMode);
            EXPECT_EQ(s.volume, t.volume);
            EXPECT_EQ(s.relativeNote, t.relativeNote);
            if (s.length) {
                EXPECT_EQ(std::memcmp(s.data, t.data, (s.length + 8) * 2), 0) << "instrument " << i << " sample " << j;
            }
        }
    }
}
