// Pitch and voice hand-over: note-to-period conversion for both XM frequency
// tables, tone portamento, and applyToVoice, which turns a channel's period,
// volume, panning and note start into the settings of its mixer voice.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/song.h"

namespace music {

// Period of a 0-based note (a channel's realNote) in the linear table:
// 7680 - note * 64 - finetune / 2. Never below 1, so that notes pushed far
// above the keyboard by a relative note still give a finite frequency.
int32_t linearPeriod(uint8_t note, int8_t finetune);

// Amiga period of a 0-based note, interpolated between neighbouring semitones
// by the finetune (1/128 semitone units). Never below 1.
int32_t amigaPeriod(uint8_t note, int8_t finetune);

// Moves the channel's period toward portaTarget by tonePortaSpeed * 4 without
// passing it. Called on the later ticks of tone-portamento rows.
void applyTonePortamento(MusicChannel& channel);

// Frequency in Hz of a period plus the tick's offset, in the song's table;
// period + offset is treated as at least 1 period unit so the result stays
// finite. Below 100 Hz the voice plays at 100 Hz (see voiceStep).
int64_t periodFrequency(bool linearTable, int32_t period, int32_t periodDelta);

// 32.32 frames per output frame at the output rate for a frequency, floored
// at 100 Hz.
uint64_t voiceStep(int64_t frequency);

// Sets the volume and gain targets of the channel's voice from the channel's
// volume, envelope, fadeout and tremor state and the song's global volume.
// Called by applyToVoice, and by the player after a tick that changed the
// global volume.
void sendVolume(const MusicChannel& channel, const Song* song);

// Ends a channel's tick: starts a note (moving the channel to its partner
// voice while the current one still sounds), then sends volume, panning and
// frequency as the channel's updateFlags ask. Called last for every processed
// channel on every tick, on the thread that renders.
void applyToVoice(MusicChannel& channel, Sample* sample, const Song* song);

}  // namespace music
