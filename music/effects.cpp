// Effects and volume-column commands on tick 0 and on the later ticks.
#include "music/effects.h"

#include <algorithm>

#include "music/envelope.h"
#include "music/pitch.h"

namespace music {

namespace {

constexpr int32_t lowestSlidePeriod = 56;
// Portamento down has no musical ceiling; this bound only keeps the period
// arithmetic inside 32 bits, far beyond the 100 Hz floor of both tables.
constexpr int32_t highestPeriod = 1 << 30;

uint8_t high(uint8_t value) { return value >> 4; }
uint8_t low(uint8_t value) { return value & 0x0F; }

void raiseVolume(MusicChannel& channel, int32_t amount) {
    channel.channelVolume = std::min(channel.channelVolume + amount, 64);
    channel.updateFlags |= updateVolume;
}

void lowerVolume(MusicChannel& channel, int32_t amount) {
    channel.channelVolume = std::max(channel.channelVolume - amount, 0);
    channel.updateFlags |= updateVolume;
}

void lowerPeriod(MusicChannel& channel, int32_t amount) {
    channel.period = std::max(channel.period - amount, 1 - highestPeriod);
}
void raisePeriod(MusicChannel& channel, int32_t amount) {
    channel.period = std::min(channel.period + amount, highestPeriod);
}

// Volume-column panning slides leave the panning unclamped; it is clamped
// when it reaches the voice.
void shiftPanning(MusicChannel& channel, int32_t amount) {
    channel.channelPan += amount;
    channel.updateFlags |= updatePanning;
}

// Axy, 5xy and 6xy on the later ticks: an up nibble wins over a down nibble.
void slideVolume(MusicChannel& channel) {
    uint8_t m = channel.volumeSlideMemory;
    if (high(m)) {
        raiseVolume(channel, high(m));
    } else {
        lowerVolume(channel, low(m));
    }
}

void slideGlobalVolume(Song* song) {
    uint8_t m = song->globalVolumeSlideMemory;
    if (high(m)) {
        song->globalVolume = std::min(song->globalVolume + high(m), 64);
    } else if (low(m)) {
        song->globalVolume = std::max(song->globalVolume - low(m), 0);
    }
}

void slidePanning(MusicChannel& channel) {
    uint8_t m = channel.panningSlideMemory;
    if (high(m)) {
        channel.channelPan = std::min(channel.channelPan + high(m), 255);
    } else if (low(m)) {
        channel.channelPan = std::max(channel.channelPan - low(m), 0);
    }
    channel.updateFlags |= updatePanning;
}

void changeRetriggerVolume(MusicChannel& channel) {
    int32_t v = channel.channelVolume;
    switch (channel.retrigVolumeOp) {
        case 0: return;
        case 1: v -= 1; break;
        case 2: v -= 2; break;
        case 3: v -= 4; break;
        case 4: v -= 8; break;
        case 5: v -= 16; break;
        case 6: v = v * 2 / 3; break;
        case 7: v >>= 1; break;
        case 9: v += 1; break;
        case 10: v += 2; break;
        case 11: v += 4; break;
        case 12: v += 8; break;
        case 13: v += 16; break;
        case 14: v = v * 3 / 2; break;
        case 15: v *= 2; break;
        default: break;
    }
    channel.channelVolume = std::clamp(v, 0, 64);
    channel.updateFlags |= updateVolume;
}

void arpeggio(const Song* song, MusicChannel& channel, uint8_t param, const Sample& sample) {
    if (param == 0) return;
    // Trackers count a row's ticks down from the speed and pick the note from
    // that count: on the last tick x, on the one before y, then the base note,
    // and so on upward. A pattern-delay repeat counts down from the speed again.
    const int32_t speed = std::max(song->speed, 1);
    const int32_t step = (speed - song->tick % speed) % 3;
    const int32_t n = step == 0 ? 0 : step == 1 ? high(param) : low(param);
    if (song->songFlags & linearFrequencyTable) {
        channel.periodDelta = n * 64;
    } else if (n != 0) {
        auto shifted = static_cast<uint8_t>(channel.realNote + n);
        channel.periodDelta = amigaPeriod(shifted, sample.finetune) - amigaPeriod(channel.realNote, sample.finetune);
    }
    channel.updateFlags |= updateFrequency;
}

// 9xx: the note of the row starts that many 256 frames in; at or past the
// sample's end it plays nothing. Without a note only the memory is set.
void sampleOffset(MusicChannel& channel, uint8_t param) {
    if (param) channel.sampleOffsetMemory = param;
    if (channel.updateFlags & triggerNote) channel.voice->startOffset = channel.sampleOffsetMemory * 256;
}

void extendedOnRowStart(MusicChannel& channel, uint8_t param) {
    const uint8_t x = low(param);
    switch (high(param)) {
        case extendedFinePortaUp:
            if (x) channel.finePortaUpMemory = x;
            lowerPeriod(channel, channel.finePortaUpMemory * 4);
            break;
        case extendedFinePortaDown:
            if (x) channel.finePortaDownMemory = x;
            raisePeriod(channel, channel.finePortaDownMemory * 4);
            break;
        case extendedVibratoWaveform:
            channel.waveControl = static_cast<uint8_t>((channel.waveControl & 0xF0) | x);
            break;
        case extendedTremoloWaveform:
            channel.waveControl = static_cast<uint8_t>((channel.waveControl & 0x0F) | (x << 4));
            break;
        case extendedSetPanning:
            channel.channelPan = x * 16;
            channel.updateFlags |= updatePanning;
            break;
        case extendedRetrigger:
            // E90 restarts the note on tick 0, also without a note in the cell.
            if (x == 0) channel.updateFlags |= triggerNote;
            break;
        case extendedFineVolumeUp:
            if (x) channel.fineVolumeUpMemory = x;
            raiseVolume(channel, channel.fineVolumeUpMemory);
            break;
        case extendedFineVolumeDown:
            if (x) channel.fineVolumeDownMemory = x;
            lowerVolume(channel, channel.fineVolumeDownMemory);
            break;
        case extendedNoteCut:
            // EC0 cuts at once.
            if (x == 0) {
                channel.channelVolume = 0;
                channel.updateFlags |= updateVolume;
            }
            break;
        default: break;
    }
}

void extendedOnLaterTick(Song* song, MusicChannel& channel, const Note& cell) {
    const uint8_t x = low(cell.param);
    switch (high(cell.param)) {
        case extendedRetrigger:
            if (x != 0 && song->tick % x == 0) channel.updateFlags |= triggerNote | updateVolume | updateFrequency;
            break;
        case extendedNoteCut:
            if (song->tick == x) {
                channel.channelVolume = 0;
                channel.updateFlags |= updateVolume;
            }
            break;
        default: break;
    }
}

}  // namespace

void applyVolumeColumn(MusicChannel& channel, uint8_t value) {
    const uint8_t x = low(value);
    if (value >= 0x10 && value <= 0x50) {
        channel.channelVolume = value - 16;
        channel.updateFlags |= updateVolume;
        return;
    }
    switch (high(value)) {
        case 0x8: lowerVolume(channel, x); break;
        case 0x9: raiseVolume(channel, x); break;
        case 0xA: channel.vibSpeed = x; break;
        case 0xB: channel.vibDepth = x; break;
        case 0xC:
            channel.channelPan = x * 16;
            channel.updateFlags |= updatePanning;
            break;
        case 0xF:
            if (x) channel.tonePortaSpeed = static_cast<uint8_t>(x * 16);
            channel.portaTarget = channel.notePeriod;
            channel.updateFlags &= static_cast<uint8_t>(~triggerNote);
            break;
        default: break;
    }
}

void applyEffectOnRowStart(Song* song, MusicChannel& channel, const Note& cell, const ChannelSound& sound) {
    const uint8_t param = cell.param;
    const bool linear = song->songFlags & linearFrequencyTable;
    const uint8_t x = high(param);
    const uint8_t y = low(param);
    switch (cell.effect) {
        case effectPortaUp:
            if (param) channel.portaUpMemory = param;
            break;
        case effectPortaDown:
            if (param) channel.portaDownMemory = param;
            break;
        case effectTonePorta:
            if (param) channel.tonePortaSpeed = param;
            channel.portaTarget = channel.notePeriod;
            channel.updateFlags &= static_cast<uint8_t>(~(triggerNote | updateFrequency));
            break;
        case effectVibrato:
            if (x) channel.vibSpeed = x;
            if (y) channel.vibDepth = y;
            applyVibrato(channel, linear);
            break;
        case effectTonePortaVolumeSlide:
            channel.portaTarget = channel.notePeriod;
            if (param) channel.volumeSlideMemory = param;
            channel.updateFlags &= static_cast<uint8_t>(~(triggerNote | updateFrequency));
            break;
        case effectVibratoVolumeSlide:
            if (param) channel.volumeSlideMemory = param;
            applyVibrato(channel, linear);
            break;
        case effectTremolo:
            if (x) channel.tremSpeed = x;
            if (y) channel.tremDepth = y;
            break;
        case effectSetPanning:
            channel.channelPan = param;
            channel.updateFlags |= updatePanning;
            break;
        case effectSampleOffset: sampleOffset(channel, param); break;
        case effectVolumeSlide:
            if (param) channel.volumeSlideMemory = param;
            break;
        case effectSetVolume:
            // Values above 64 are kept: they make the channel louder.
            channel.channelVolume = param;
            channel.updateFlags |= updateVolume;
            break;
        case effectExtended: extendedOnRowStart(channel, param); break;
        case effectSetGlobalVolume:
            song->globalVolume = std::min<int32_t>(param, 64);
            channel.updateFlags |= updateVolume;
            break;
        case effectGlobalVolumeSlide:
            if (param) song->globalVolumeSlideMemory = param;
            break;
        case effectSetEnvelopePosition: setVolumeEnvelopePosition(channel, *sound.instrument, param); break;
        case effectPanningSlide:
            if (param) {
                channel.panningSlideMemory = param;
                channel.updateFlags |= updatePanning;
            }
            break;
        case effectMultiRetrigger:
            if (param) {
                channel.retrigVolumeOp = x;
                channel.retrigInterval = y;
            }
            break;
        case effectTremor:
            // Tremor counts the later ticks only; tick 0 keeps the state of the tick before.
            if (param) {
                channel.tremorOn = static_cast<uint8_t>(x + 1);
                channel.tremorOff = static_cast<uint8_t>(y + 1);
            }
            break;
        case effectExtraFinePorta:
            if (x == 1) {
                if (y) channel.extraFinePortaUpMemory = y;
                lowerPeriod(channel, channel.extraFinePortaUpMemory);
            } else if (x == 2) {
                if (y) channel.extraFinePortaDownMemory = y;
                raisePeriod(channel, channel.extraFinePortaDownMemory);
            }
            break;
        default: break;
    }
}

void applyVolumeColumnOnLaterTick(MusicChannel& channel, uint8_t value, bool linearTable) {
    const uint8_t x = low(value);
    switch (high(value)) {
        case 0x6: lowerVolume(channel, x); break;
        case 0x7: raiseVolume(channel, x); break;
        case 0xB:
            channel.vibDepth = x;
            applyVibrato(channel, linearTable);
            stepVibratoPhase(channel);
            break;
        case 0xD: shiftPanning(channel, -x); break;
        case 0xE: shiftPanning(channel, x); break;
        case 0xF: applyTonePortamento(channel); break;
        default: break;
    }
}

void applyEffectOnLaterTick(Song* song, MusicChannel& channel, const Note& cell, const ChannelSound& sound) {
    const uint8_t param = cell.param;
    const bool linear = song->songFlags & linearFrequencyTable;
    switch (cell.effect) {
        case effectArpeggio: arpeggio(song, channel, param, *sound.sample); break;
        case effectPortaUp:
            channel.period = std::max(channel.period - channel.portaUpMemory * 4, lowestSlidePeriod);
            channel.periodDelta = 0;
            channel.updateFlags |= updateFrequency;
            break;
        case effectPortaDown:
            raisePeriod(channel, channel.portaDownMemory * 4);
            channel.periodDelta = 0;
            channel.updateFlags |= updateFrequency;
            break;
        case effectTonePorta:
            channel.periodDelta = 0;
            applyTonePortamento(channel);
            break;
        case effectVibrato:
            applyVibrato(channel, linear);
            stepVibratoPhase(channel);
            break;
        case effectTonePortaVolumeSlide:
            channel.periodDelta = 0;
            applyTonePortamento(channel);
            slideVolume(channel);
            break;
        case effectVibratoVolumeSlide:
            applyVibrato(channel, linear);
            stepVibratoPhase(channel);
            slideVolume(channel);
            break;
        case effectTremolo: applyTremolo(channel); break;
        case effectVolumeSlide: slideVolume(channel); break;
        case effectExtended: extendedOnLaterTick(song, channel, cell); break;
        case effectGlobalVolumeSlide: slideGlobalVolume(song); break;
        case effectPanningSlide: slidePanning(channel); break;
        case effectMultiRetrigger:
            if (channel.retrigInterval != 0 && song->tick % channel.retrigInterval == 0) {
                changeRetriggerVolume(channel);
                channel.updateFlags |= triggerNote;
            }
            break;
        case effectTremor: applyTremor(channel); break;
        case effectKeyOff:
            if (song->tick == param) keyOffChannel(channel, *sound.instrument);
            break;
        default: break;
    }
}

}  // namespace music
