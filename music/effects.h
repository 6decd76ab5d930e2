// The effects and volume-column commands: what each does on tick 0 of a row
// and on the later ticks, with their memories. The flow effects (position
// jump, pattern break, loop, delay, speed) live with the row processing.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/song.h"

namespace music {

// XM effect numbers (0-9 then A-Z as 10..35).
enum EffectNumber : uint8_t {
    effectArpeggio = 0,
    effectPortaUp = 1,
    effectPortaDown = 2,
    effectTonePorta = 3,
    effectVibrato = 4,
    effectTonePortaVolumeSlide = 5,
    effectVibratoVolumeSlide = 6,
    effectTremolo = 7,
    effectSetPanning = 8,
    effectSampleOffset = 9,
    effectVolumeSlide = 10,
    effectPositionJump = 11,
    effectSetVolume = 12,
    effectPatternBreak = 13,
    effectExtended = 14,
    effectSetSpeed = 15,
    effectSetGlobalVolume = 16,
    effectGlobalVolumeSlide = 17,
    effectKeyOff = 20,
    effectSetEnvelopePosition = 21,
    effectPanningSlide = 25,
    effectMultiRetrigger = 27,
    effectTremor = 29,
    effectExtraFinePorta = 33,
};

// Sub-commands of effect E (high nibble of the parameter).
enum ExtendedEffect : uint8_t {
    extendedFinePortaUp = 0x1,
    extendedFinePortaDown = 0x2,
    extendedVibratoWaveform = 0x4,
    extendedSetFinetune = 0x5,
    extendedPatternLoop = 0x6,
    extendedTremoloWaveform = 0x7,
    extendedSetPanning = 0x8,
    extendedRetrigger = 0x9,
    extendedFineVolumeUp = 0xA,
    extendedFineVolumeDown = 0xB,
    extendedNoteCut = 0xC,
    extendedNoteDelay = 0xD,
    extendedPatternDelay = 0xE,
};

// Tick 0 of a volume-column byte (the slides wait for the later ticks).
// Called by the row processing and by the note delay when its note starts.
void applyVolumeColumn(MusicChannel& channel, uint8_t value);

// Tick 0 of a cell's effect, except the flow effects. Called by the row
// processing after the envelopes and fadeout of that tick.
void applyEffectOnRowStart(Song* song, MusicChannel& channel, const Note& cell, const ChannelSound& sound);

// A later tick of a volume-column byte: its slides, vibrato and tone
// portamento. Called by the player on every tick of a row but tick 0, before
// the cell's effect.
void applyVolumeColumnOnLaterTick(MusicChannel& channel, uint8_t value, bool linearTable);

// A later tick of a cell's effect. The note delay (EDx) is the player's: it
// starts the cell's note on its tick. Called by the player on every tick of a
// row but tick 0, after the envelopes and fadeout of that tick.
void applyEffectOnLaterTick(Song* song, MusicChannel& channel, const Note& cell, const ChannelSound& sound);

}  // namespace music
