// Test support for the player: turns a module stated with the XM writer into a
// Song, starts it the way playback start does (without an output device) and
// steps it tick by tick.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "music/channel.h"
#include "music/mixer.h"
#include "music/player.h"
#include "music/song.h"
#include "tools/xmwriter/xm_writer.h"

// Builds the Song in memory the way a loaded module looks: unpacked cells,
// 16-bit samples with guard frames, canonical loops, doubled fadeout.
class SongBuilder {
public:
    explicit SongBuilder(const XmModule& module) {
        song_.songLength = static_cast<int16_t>(module.orders.size());
        song_.restartPosition = static_cast<int16_t>(module.restartPosition);
        song_.channelCount = static_cast<int16_t>(module.channels);
        song_.songFlags = module.linearFrequencies ? linearFrequencyTable : 0;
        song_.defaultSpeed = static_cast<int16_t>(module.speed);
        song_.defaultBpm = static_cast<int16_t>(module.bpm);
        song_.initialGlobalVolume = 64;
        int32_t used = 0;
        for (size_t i = 0; i < module.orders.size(); ++i) {
            song_.orderTable[i] = module.orders[i];
            used = std::max<int32_t>(used, module.orders[i] + 1);
        }
        song_.patternCount = std::max<int32_t>(used, static_cast<int32_t>(module.patterns.size()));
        patterns_.resize(song_.patternCount, Pattern{64, nullptr});
        cells_.resize(song_.patternCount);
        for (size_t p = 0; p < module.patterns.size(); ++p) {
            const XmPattern& source = module.patterns[p];
            cells_[p].assign(size_t{source.rows} * module.channels, Note{});
            for (const auto& [at, cell] : source.cells) {
                if (at.first < source.rows && at.second < module.channels) {
                    cells_[p][at.first * module.channels + at.second] =
                        Note{cell.note == 97 ? uint8_t{255} : cell.note, cell.instrument, cell.volume, cell.effect,
                             cell.param};
                }
            }
            patterns_[p] = Pattern{source.rows, cells_[p].data()};
        }
        song_.patterns = patterns_.data();
        for (const XmInstrument& source : module.instruments) addInstrument(source);
        song_.instrumentCount = static_cast<int16_t>(instruments_.size());
        song_.instruments = instruments_.data();
        song_.tickHandler = playerTick;
    }
    SongBuilder(const SongBuilder&) = delete;
    SongBuilder& operator=(const SongBuilder&) = delete;

    Song* song() { return &song_; }

private:
    void addInstrument(const XmInstrument& source) {
        Instrument instrument{};
        instrument.samples.fill(&emptySample);
        instrument.sampleCount = static_cast<int32_t>(source.samples.size());
        for (size_t s = 0; s < source.samples.size(); ++s) instrument.samples[s] = addSample(source.samples[s]);
        for (size_t n = 0; n < source.sampleMap.size() && n < 96; ++n) instrument.sampleMap[n] = source.sampleMap[n];
        copyEnvelope(source.volumeEnvelope, instrument.volumeEnvelope, instrument.volumePointCount,
                     instrument.volumeSustainPoint, instrument.volumeLoopStart, instrument.volumeLoopEnd,
                     instrument.volumeEnvelopeFlags);
        copyEnvelope(source.panningEnvelope, instrument.panningEnvelope, instrument.panningPointCount,
                     instrument.panningSustainPoint, instrument.panningLoopStart, instrument.panningLoopEnd,
                     instrument.panningEnvelopeFlags);
        instrument.vibratoType = source.vibratoType;
        instrument.vibratoSweep = source.vibratoSweep;
        instrument.vibratoDepth = source.vibratoDepth;
        instrument.vibratoRate = source.vibratoRate;
        instrument.fadeout = static_cast<uint16_t>(source.fadeout * 2);
        instruments_.push_back(instrument);
    }

    static void copyEnvelope(const XmEnvelope& source, std::array<EnvelopePoint, maxEnvelopePoints>& points,
                             uint8_t& count, uint8_t& sustain, uint8_t& loopStart, uint8_t& loopEnd,
                             uint8_t& flags) {
        count = static_cast<uint8_t>(std::min<size_t>(source.points.size(), maxEnvelopePoints));
        for (uint8_t i = 0; i < count; ++i) points[i] = {source.points[i].x, source.points[i].y};
        sustain = source.sustainPoint;
        loopStart = source.loopStart;
        loopEnd = source.loopEnd;
        flags = count < 2 ? 0 : (source.on ? 1 : 0) | (source.sustain ? 2 : 0) | (source.loop ? 4 : 0);
    }

    Sample* addSample(const XmSample& source) {
        auto sample = std::make_unique<Sample>();
        auto& data = data_.emplace_back(source.pcm);
        sample->length = static_cast<uint32_t>(source.pcm.size());
        const bool looped = source.loop != XmLoop::none && source.loopLength > 0;
        sample->loopStart = looped ? source.loopStart : 0;
        sample->loopLength = looped ? source.loopLength : sample->length;
        sample->loopMode = !looped ? 1 : source.loop == XmLoop::forward ? 2 : 4;
        data.resize(data.size() + 8, 0);
        sample->data = sample->length ? data.data() : nullptr;
        sample->volume = source.volume;
        sample->finetune = source.finetune;
        sample->panning = source.panning;
        sample->bits = 16;
        sample->relativeNote = source.relativeNote;
        samples_.push_back(std::move(sample));
        return samples_.back().get();
    }

    Song song_{};
    std::vector<Pattern> patterns_;
    std::vector<std::vector<Note>> cells_;
    std::vector<Instrument> instruments_;
    std::vector<std::unique_ptr<Sample>> samples_;
    std::vector<std::vector<int16_t>> data_;
};

// A song started from its beginning with fresh channels and voices.
class PlayerHarness {
public:
    explicit PlayerHarness(const XmModule& module) : builder_(module) {
        Song* song = builder_.song();
        song->jumpPosition = -1;
        song->breakRow = -1;
        song->globalVolume = song->initialGlobalVolume;
        song->speed = song->defaultSpeed;
        song->bpm = song->defaultBpm;
        song->row = 0;
        song->orderPosition = 0;
        song->tick = 0;
        song->patternDelay = 0;
        for (int32_t v = 0; v < voiceCount; ++v) {
            voices[v] = Voice{};
            voices[v].index = v;
            voices[v].step = uint64_t{1} << 32;
        }
        channels = {};
        resetChannels(song->channelCount);
    }

    Song& song() { return *builder_.song(); }
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) playerTick(builder_.song());
    }
    MusicChannel& channel(int c) { return channels[c]; }
    Voice& voice(int c) { return *channels[c].voice; }

private:
    SongBuilder builder_;
};

// A module of the given channel count with one 64-row pattern (resized by the
// test as needed) and one instrument: a looping 8-bit sample of 1000 frames.
inline XmModule testModule(uint16_t channelCount = 4, uint16_t rows = 64) {
    XmModule module;
    module.channels = channelCount;
    module.orders = {0};
    module.patterns.emplace_back().rows = rows;
    XmInstrument& instrument = module.instruments.emplace_back();
    XmSample& sample = instrument.samples.emplace_back();
    sample.pcm.assign(1000, 50);
    sample.loop = XmLoop::forward;
    sample.loopStart = 0;
    sample.loopLength = 1000;
    return module;
}
