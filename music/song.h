// The in-memory form of one loaded XM module and its song-wide playback state.
// The loader builds it, the lifecycle resets and releases it, the output side
// drives its tick clock and the player reads and advances it.
#pragma once

#include <array>
#include <cstdint>

namespace music {

struct Song;

// One pattern cell, five bytes, packed in this order.
struct Note {
    uint8_t note;        // 0 none, 1..96 notes, 255 key off (stored as 97), else as stored
    uint8_t instrument;  // 0 none, 1..128 (1-based); values above 128 are stored as 0
    uint8_t volume;      // volume-column byte, undecoded
    uint8_t effect;      // effect number, undecoded
    uint8_t param;       // effect parameter, undecoded
};
static_assert(sizeof(Note) == 5);

struct Pattern {
    int32_t rowCount;  // 64 for a pattern only named by the order table
    Note* cells;       // owned; rowCount x channelCount, row-major
};

struct Sample {
    int16_t* data;        // owned; length frames followed by 8 guard frames; none when length is 0
    uint32_t length;      // frames
    uint32_t loopStart;   // frames
    uint32_t loopLength;  // frames; equals length (and loopStart 0) when there is no loop
    uint8_t volume;       // default volume 0..64
    int8_t finetune;      // -128..127
    int32_t panning;      // default panning 0..255
    uint8_t bits;         // 16 after loading
    uint8_t loopMode;     // 1 no loop, 2 forward, 4 ping-pong
    int8_t relativeNote;  // semitones
};

struct EnvelopePoint {
    uint16_t x;  // tick
    uint16_t y;  // 0..64 (32 is the centre for panning)
};

// FastTracker 2 writes up to 16 samples per instrument, later trackers up to
// 32; samples beyond the slots are not loaded.
constexpr int32_t maxSamplesPerInstrument = 32;
constexpr int32_t maxEnvelopePoints = 12;

struct Instrument {
    int32_t sampleCount;                                   // 0..maxSamplesPerInstrument
    std::array<Sample*, maxSamplesPerInstrument> samples;  // slots past sampleCount point at emptySample
    std::array<uint8_t, 96> sampleMap;                     // note - 1 -> index into samples
    std::array<EnvelopePoint, maxEnvelopePoints> volumeEnvelope;
    std::array<EnvelopePoint, maxEnvelopePoints> panningEnvelope;
    uint8_t volumePointCount;
    uint8_t panningPointCount;
    uint8_t volumeSustainPoint;
    uint8_t volumeLoopStart;
    uint8_t volumeLoopEnd;
    uint8_t panningSustainPoint;
    uint8_t panningLoopStart;
    uint8_t panningLoopEnd;
    uint8_t volumeEnvelopeFlags;   // bit 0 on, bit 1 sustain, bit 2 loop; 0 below 2 points
    uint8_t panningEnvelopeFlags;  // same bits
    uint8_t vibratoType;
    uint8_t vibratoSweep;
    uint8_t vibratoDepth;
    uint8_t vibratoRate;
    uint16_t fadeout;  // twice the stored value, doubled in 16 bits
};

constexpr uint8_t envelopeOn = 0x01;
constexpr uint8_t envelopeSustain = 0x02;
constexpr uint8_t envelopeLoop = 0x04;

// The player's view of one of an instrument's two envelopes.
struct Envelope {
    const EnvelopePoint* points;
    uint8_t pointCount;
    uint8_t sustainPoint;
    uint8_t loopStart;
    uint8_t loopEnd;
    uint8_t flags;
};

Envelope volumeEnvelopeOf(const Instrument& instrument);
Envelope panningEnvelopeOf(const Instrument& instrument);

constexpr int32_t maxOrderPositions = 256;
constexpr int32_t maxSongChannels = 32;
constexpr uint16_t linearFrequencyTable = 0x0001;

using TickHandler = void (*)(Song* song);

struct Song {
    Pattern* patterns;         // owned, patternCount records
    Instrument* instruments;   // owned, instrumentCount records
    int32_t framesLeftInTick;  // output frames still to mix before the next tick
    int32_t framesPerTick;     // derived from bpm by setTempo
    int64_t playedFrames;      // output frames mixed since the song's start (or the order start it was placed at)
    int16_t songLength;
    int16_t restartPosition;
    int16_t channelCount;
    int32_t usedPatternCount;  // 1 + largest pattern number among the first songLength orders
    int32_t patternCount;      // max(stored count, usedPatternCount)
    int16_t instrumentCount;
    uint16_t songFlags;  // bit 0: linear frequency table
    int16_t defaultSpeed;
    int16_t defaultBpm;
    std::array<uint8_t, maxOrderPositions> orderTable;
    uint8_t initialGlobalVolume;  // always 64
    int32_t globalVolume;         // 0..64
    uint8_t globalVolumeSlideMemory;
    int32_t tick;
    int32_t speed;  // ticks per row
    int32_t bpm;
    int32_t row;
    int32_t orderPosition;
    int32_t patternDelay;
    int32_t breakRow;      // -1 none
    int32_t jumpPosition;  // -1 none
    // Row at which the next pattern starts when the current one runs out: 0,
    // or the start row of the last pattern loop (E6x) that jumped back in it.
    int32_t nextPatternRow;
    TickHandler tickHandler;
};

// Shared stand-ins for missing samples and instruments; never released.
extern Sample emptySample;
extern const Instrument emptyInstrument;

// Releases what the song owns and then the song (allocated with new): every
// owned sample's data and the sample, the instruments, every pattern's cells,
// the patterns. Copes with a partly built song, whose arrays are allocated
// zeroed; accepts none. Main thread, by freeSong once playback has stopped
// and by loadSong when a load fails.
void releaseSong(Song* song);

}  // namespace music
