// The player's per-channel record: note, instrument, period, volume, panning,
// envelope and oscillator state, effect memories, and the bits that say what
// applyToVoice sends to the channel's mixer voice at the end of a tick; and
// the operations every part of the player shares on one channel: binding its
// voice, resolving what it plays, an instrument trigger and a key-off.
#pragma once

#include <cstdint>

#include "music/mixer.h"
#include "music/song.h"

namespace music {

constexpr uint8_t updateFrequency = 0x01;
constexpr uint8_t updateVolume = 0x02;
constexpr uint8_t updatePanning = 0x04;
constexpr uint8_t triggerNote = 0x08;

struct MusicChannel {
    uint8_t currentNote;  // 0-based
    uint8_t updateFlags;
    Voice* voice;           // voice c or its partner c + 32
    int32_t period;         // linear-table units or Amiga period
    int32_t channelVolume;  // 0..64
    int32_t channelPan;     // 0..255, 128 centre
    int32_t volumeDelta;    // this tick only
    int32_t periodDelta;    // this tick only
    int32_t volumeEnvTick;
    int32_t volumeEnvPoint;
    int32_t volumeEnvFixed;  // 16.16
    int32_t volumeEnvValue;  // 0..64
    int32_t volumeEnvSlope;  // 16.16 per tick
    uint8_t volumeEnvDone;
    int32_t panningEnvTick;
    int32_t panningEnvPoint;
    int32_t panningEnvFixed;
    int32_t panningEnvValue;  // 0..64, 32 = no shift
    int32_t panningEnvSlope;
    uint8_t panningEnvDone;
    int32_t fadeoutVolume;  // 65536 after a trigger, falls after key-off
    int32_t autoVibPhase;   // 0..255
    int32_t autoVibSweepPos;
    uint8_t keyOff;
    uint8_t currentInstrument;  // 0-based
    uint8_t realNote;           // currentNote + relativeNote, 0-based, 8-bit
    int32_t notePeriod;
    uint8_t lastEffect;
    int32_t sampleOffsetMemory;
    uint8_t portaDownMemory;
    uint8_t portaUpMemory;
    uint8_t extraFinePortaDownMemory;
    uint8_t extraFinePortaUpMemory;
    uint8_t volumeSlideMemory;
    uint8_t panningSlideMemory;
    uint8_t retrigVolumeOp;
    uint8_t retrigInterval;
    int32_t portaTarget;
    uint8_t tonePortaSpeed;
    int8_t vibPhase;  // -32..31
    uint8_t vibSpeed;
    uint8_t vibDepth;
    int8_t tremPhase;  // -32..31
    uint8_t tremSpeed;
    uint8_t tremDepth;
    uint8_t tremorCount;
    uint8_t tremorOn;     // ticks on (x + 1); 0 until a Txy gives one, then taken as 1
    uint8_t tremorOff;    // ticks off (y + 1); 0 until a Txy gives one, then taken as 1
    uint8_t tremorMuted;  // 1 from a tremor's off tick until its next on tick or an instrument number
    int32_t patternLoopRow;
    int32_t patternLoopCount;
    uint8_t waveControl;           // low nibble vibrato waveform, high nibble tremolo waveform
    uint8_t fineVolumeUpMemory;    // EAx
    uint8_t fineVolumeDownMemory;  // EBx
    uint8_t finePortaUpMemory;
    uint8_t finePortaDownMemory;
};

// What a channel plays this tick, resolved from its instrument and note.
struct ChannelSound {
    const Instrument* instrument;  // never null: emptyInstrument stands in
    Sample* sample;                // never null: emptySample stands in
};

// Channels the player processes: the song's channels, at most 32.
int32_t playedChannelCount(const Song* song);

// Makes sure the channel drives a voice: voice `index` (its own channel
// number) when none was bound yet.
void bindVoice(MusicChannel& channel, int32_t index);

// The instrument and sample a channel plays, from its currentInstrument and
// currentNote; the empty records stand in for anything missing.
ChannelSound resolveSound(const Song* song, const MusicChannel& channel);

// Resets a channel for a freshly given instrument: volume and panning from the
// sample, envelopes, key-off, fadeout, auto-vibrato and tremor restart.
// Called by the row processing and by the note delay.
void triggerInstrument(MusicChannel& channel, const Sample& sample);

// Lets the channel's key go: envelopes leave their sustain, the fadeout
// starts, and a note without a volume envelope is cut. Called by the row
// processing for key-off notes and by Kxx on its tick.
void keyOffChannel(MusicChannel& channel, const Instrument& instrument);

}  // namespace music
