// The effects and volume-column commands: what each does on tick 0 of a row
// and on the later ticks, with their memories. The flow effects (position
// jump, pattern break, loop, delay, speed) live with the row processing.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/song.h"

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

// What a channel plays this tick, resolved from its instrument and note.
struct ChannelSound {
    Instrument* instrument;  // never null: emptyInstrument stands in
    Sample* sample;          // never null: emptySample stands in
};

// Tick 0 of a volume-column byte (the slides wait for the later ticks).
// Called by the row processing and by the note delay when its note starts.
void applyVolumeColumn(MusicChannel& channel, uint8_t value);

// Tick 0 of a cell's effect, except the flow effects. Called by the row
// processing after the envelopes and fadeout of that tick.
void applyEffectOnRowStart(Song* song, MusicChannel& channel, const Note& cell, const ChannelSound& sound);

// Every tick of a row but tick 0: envelopes, fadeout, volume column and effect
// of each channel, then auto-vibrato and the hand-over to the voice. Called by
// playerTick on the thread that renders.
void processEffectTicks(Song* song);
