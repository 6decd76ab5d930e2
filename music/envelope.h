// Per-channel modulation: volume and panning envelopes (with the Lxx
// placement), the instrument's auto-vibrato, and the vibrato, tremolo and
// tremor oscillators. Each works on one channel in place and sets the update
// bits for what it changed. All called by the player on the thread that renders.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/song.h"

namespace music {

enum class EnvelopeTrack : uint8_t { volume, panning };

// One tick of the channel's volume or panning envelope: advances toward the
// next point, holds at the sustain point until key-off, jumps back at the loop
// end and marks the envelope done at its last point.
void stepEnvelope(MusicChannel& channel, const Envelope& envelope, EnvelopeTrack track);

// The envelope part of a channel's tick: steps the instrument's volume and
// panning envelopes when they are on and not done, and after key-off lowers
// fadeoutVolume by the instrument's fadeout (floor 0). Called by the player on
// every tick that processes the channel, before the cell's effect.
void stepEnvelopesAndFadeout(MusicChannel& channel, const Instrument& instrument);

// Lxx: places the volume envelope at the given tick, when the instrument's
// volume envelope is on. Overrides the step already taken this tick.
void setVolumeEnvelopePosition(MusicChannel& channel, const Instrument& instrument, int32_t position);

// Adds the instrument's auto-vibrato to periodDelta and advances its sweep and
// phase. Runs on every processed tick, so it always sets updateFrequency.
void applyAutoVibrato(MusicChannel& channel, const Instrument& instrument);

// Sets periodDelta from the vibrato waveform at vibPhase; does not step it.
// The swing starts downward in pitch in both frequency tables.
void applyVibrato(MusicChannel& channel, bool linearTable);

// Advances vibPhase by vibSpeed, wrapping within -32..31.
void stepVibratoPhase(MusicChannel& channel);

// Sets volumeDelta from the tremolo waveform at tremPhase, kept inside 0..64
// around channelVolume, and advances the phase.
void applyTremolo(MusicChannel& channel);

// One tick after tick 0 of a tremor: mutes or unmutes the channel by the
// tremor count, and counts. The mute outlasts the effect until the next
// instrument number.
void applyTremor(MusicChannel& channel);

}  // namespace music
