// Envelopes, auto-vibrato, vibrato, tremolo and tremor.
#include "music/envelope.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace music {

namespace {

// The six channel fields that one envelope runs on.
struct EnvelopeFields {
    int32_t& tick;
    int32_t& point;
    int32_t& fixed;  // 16.16
    int32_t& value;
    int32_t& slope;  // 16.16 per tick
    uint8_t& done;
    uint8_t updateBit;
};

EnvelopeFields fieldsOf(MusicChannel& channel, EnvelopeTrack track) {
    if (track == EnvelopeTrack::volume) {
        return {channel.volumeEnvTick,
                channel.volumeEnvPoint,
                channel.volumeEnvFixed,
                channel.volumeEnvValue,
                channel.volumeEnvSlope,
                channel.volumeEnvDone,
                updateVolume};
    }
    return {channel.panningEnvTick,
            channel.panningEnvPoint,
            channel.panningEnvFixed,
            channel.panningEnvValue,
            channel.panningEnvSlope,
            channel.panningEnvDone,
            updatePanning};
}

constexpr int32_t envelopeTop = 64;

// Points in use, within the twelve the instrument stores.
int32_t pointsInUse(const Envelope& envelope) { return std::min<int32_t>(envelope.pointCount, maxEnvelopePoints); }

// Envelope values run 0..64; a larger stored value would overflow the 16.16
// arithmetic, so it counts as 64.
int32_t valueAt(const Envelope& envelope, int32_t i) { return std::min<int32_t>(envelope.points[i].y, envelopeTop); }

int32_t slopeAfter(const Envelope& envelope, int32_t i) {
    int32_t dx = envelope.points[i + 1].x - envelope.points[i].x;
    if (dx == 0) return 0;
    return (valueAt(envelope, i + 1) - valueAt(envelope, i)) * 65536 / dx;
}

// Points out of x order would let the value run away between them; it stays
// within the envelope's range instead.
int32_t clampFixed(int64_t fixed) { return static_cast<int32_t>(std::clamp<int64_t>(fixed, 0, envelopeTop << 16)); }

// The sines the oscillators read on every tick of a vibrato, tremolo or
// auto-vibrato, worked out once on first use: |sin| scaled to 0..256 for the
// vibrato and tremolo phases -32..31, and the auto-vibrato's signed sine
// scaled to -64..64 for its phases 0..255.
int32_t computeSineMagnitude(int32_t phase) {
    return static_cast<int32_t>(std::fabs(std::sin(phase * 2 * 0.049087375)) * 256);
}

int32_t computeAutoVibratoSine(int32_t phase) {
    return static_cast<int32_t>(std::sin(phase * static_cast<double>(0.024543688f)) * 64);
}

struct SineTables {
    std::array<int32_t, 64> magnitudes{};
    std::array<int32_t, 256> autoVibrato{};
    SineTables() {
        for (int32_t phase = -32; phase < 32; ++phase)
            magnitudes[static_cast<size_t>(phase + 32)] = computeSineMagnitude(phase);
        for (int32_t phase = 0; phase < 256; ++phase)
            autoVibrato[static_cast<size_t>(phase)] = computeAutoVibratoSine(phase);
    }
};

const SineTables& sineTables() {
    static const SineTables tables;
    return tables;
}

// Oscillator value 0..255 for a phase in -32..31: sine, ramp or square. (A
// phase outside its range cannot come from the player; it is worked out
// rather than read past the table.)
int32_t sineMagnitude(int32_t phase) {
    if (phase < -32 || phase > 31) return computeSineMagnitude(phase);
    return sineTables().magnitudes[static_cast<size_t>(phase + 32)];
}

int32_t autoVibratoSine(int32_t phase) {
    if (phase < 0 || phase > 255) return computeAutoVibratoSine(phase);
    return sineTables().autoVibrato[static_cast<size_t>(phase)];
}

int32_t rampMagnitude(int32_t phase) {
    int32_t value = (phase * 8) & 255;
    return phase >= 0 ? value : 255 - value;
}

int8_t advancePhase(int8_t phase, uint8_t speed) {
    auto next = static_cast<int8_t>(phase + speed);
    if (next > 31) next = static_cast<int8_t>(next - 64);
    return next;
}

int32_t autoVibratoWave(uint8_t type, int32_t phase) {
    switch (type) {
        case 1: return phase < 128 ? 64 : -64;
        case 2: return (128 - ((phase + 128) % 256)) >> 1;
        case 3: return (128 - ((384 - phase) % 256)) >> 1;
        default:
            // Types beyond 3 have no waveform of their own and play the sine.
            return autoVibratoSine(phase);
    }
}

}  // namespace

void stepEnvelope(MusicChannel& channel, const Envelope& envelope, EnvelopeTrack track) {
    EnvelopeFields f = fieldsOf(channel, track);
    const int32_t n = pointsInUse(envelope);
    int32_t i = f.point;
    if (i >= 0 && i < n && envelope.points[i].x == f.tick) {
        // Points that share their x are all reached in the same tick, so the
        // value jumps to the last of them instead of freezing at the first.
        // The count bounds a loop whose ends share their x.
        for (int32_t pass = 0; pass < n; ++pass) {
            if ((envelope.flags & envelopeLoop) && i == envelope.loopEnd && envelope.loopStart < n) {
                i = envelope.loopStart;
                f.point = i;
                f.tick = envelope.points[i].x;
            }
            if (i == n - 1) {
                f.value = valueAt(envelope, i);
                f.done = 1;
                channel.updateFlags |= f.updateBit;
                return;
            }
            if ((envelope.flags & envelopeSustain) && i == envelope.sustainPoint && !channel.keyOff) {
                f.value = valueAt(envelope, i);
                channel.updateFlags |= f.updateBit;
                return;
            }
            if (envelope.points[i + 1].x != envelope.points[i].x) break;
            ++i;
            f.point = i;
        }
        f.slope = slopeAfter(envelope, i);
        f.fixed = valueAt(envelope, i) << 16;
        f.point = i + 1;
    } else if (i >= 0 && i < n) {
        f.fixed = clampFixed(int64_t{f.fixed} + f.slope);
    }
    f.value = f.fixed >> 16;
    f.tick += 1;
    channel.updateFlags |= f.updateBit;
}

void stepEnvelopesAndFadeout(MusicChannel& channel, const Instrument& instrument) {
    if ((instrument.volumeEnvelopeFlags & envelopeOn) && !channel.volumeEnvDone) {
        stepEnvelope(channel, volumeEnvelopeOf(instrument), EnvelopeTrack::volume);
    }
    if ((instrument.panningEnvelopeFlags & envelopeOn) && !channel.panningEnvDone) {
        stepEnvelope(channel, panningEnvelopeOf(instrument), EnvelopeTrack::panning);
    }
    if (channel.keyOff) {
        channel.fadeoutVolume = std::max(channel.fadeoutVolume - instrument.fadeout, 0);
        channel.updateFlags |= updateVolume;
    }
}

void setVolumeEnvelopePosition(MusicChannel& channel, const Instrument& instrument, int32_t position) {
    if (!(instrument.volumeEnvelopeFlags & envelopeOn)) return;
    const Envelope envelope = volumeEnvelopeOf(instrument);
    const int32_t n = pointsInUse(envelope);
    if (n < 1) return;
    int32_t j = 0;
    // Only points in use take part in the search for the segment.
    while (j < n - 1 && position > envelope.points[j + 1].x) ++j;
    channel.volumeEnvPoint = j;
    if (j >= n - 1) {
        channel.volumeEnvValue = valueAt(envelope, n - 1);
        channel.volumeEnvDone = 1;
        return;
    }
    channel.volumeEnvDone = 0;
    channel.volumeEnvTick = position;
    channel.volumeEnvSlope = slopeAfter(envelope, j);
    channel.volumeEnvPoint = j + 1;
    channel.volumeEnvFixed = clampFixed((int64_t{valueAt(envelope, j)} << 16) +
                                        int64_t{position - envelope.points[j].x} * channel.volumeEnvSlope);
    channel.volumeEnvValue = channel.volumeEnvFixed >> 16;
}

void applyAutoVibrato(MusicChannel& channel, const Instrument& instrument) {
    int32_t v = autoVibratoWave(instrument.vibratoType, channel.autoVibPhase) * instrument.vibratoDepth;
    if (instrument.vibratoSweep != 0) v = v * channel.autoVibSweepPos / instrument.vibratoSweep;
    channel.periodDelta += v >> 6;
    channel.autoVibSweepPos = std::min<int32_t>(channel.autoVibSweepPos + 1, instrument.vibratoSweep);
    channel.autoVibPhase += instrument.vibratoRate;
    if (channel.autoVibPhase > 255) channel.autoVibPhase -= 256;
    channel.updateFlags |= updateFrequency;
}

void applyVibrato(MusicChannel& channel, bool linearTable) {
    const int32_t q = channel.vibPhase;
    int32_t w;
    switch (channel.waveControl & 3) {
        case 0: w = sineMagnitude(q); break;
        case 1: w = rampMagnitude(q); break;
        default: w = 255; break;
    }
    int32_t d = ((w * channel.vibDepth) >> 5) & ~3;
    // The first half of the phase lowers the pitch: a negative offset in the
    // linear table, a positive (longer) period in the Amiga table.
    if (!linearTable) d = -d;
    channel.periodDelta = q < 0 ? d : -d;
    channel.updateFlags |= updateFrequency;
}

void stepVibratoPhase(MusicChannel& channel) { channel.vibPhase = advancePhase(channel.vibPhase, channel.vibSpeed); }

void applyTremolo(MusicChannel& channel) {
    const int32_t r = channel.tremPhase;
    int32_t w;
    switch ((channel.waveControl >> 4) & 3) {
        case 1: w = rampMagnitude(r); break;
        case 2: w = 255; break;
        default: w = sineMagnitude(r); break;
    }
    int32_t d = (w * channel.tremDepth) >> 6;
    if (r >= 0) {
        channel.volumeDelta = channel.channelVolume + d > 64 ? 64 - channel.channelVolume : d;
    } else {
        channel.volumeDelta = channel.channelVolume - d < 0 ? -channel.channelVolume : -d;
    }
    channel.tremPhase = advancePhase(channel.tremPhase, channel.tremSpeed);
    channel.updateFlags |= updateVolume;
}

void applyTremor(MusicChannel& channel) {
    // A Txy that never gave lengths plays one tick on, one tick off.
    const int32_t on = std::max<int32_t>(channel.tremorOn, 1);
    const int32_t off = std::max<int32_t>(channel.tremorOff, 1);
    channel.tremorMuted = channel.tremorCount >= on;
    channel.tremorCount = static_cast<uint8_t>(channel.tremorCount + 1);
    if (channel.tremorCount >= on + off) channel.tremorCount = 0;
    channel.updateFlags |= updateVolume;
}

}  // namespace music
