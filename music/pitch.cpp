// Note-to-period conversion, tone portamento and the hand-over to the voice.
#include "music/pitch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>

#include "music/mixer.h"

namespace music {

namespace {

// 13.375 * 2^(k / 12): the Amiga period k semitones above the period scale's
// bottom, truncated. The twelfth is the single-precision constant the period
// table was made with.
int32_t computeAmigaScale(int32_t k) {
    return static_cast<int32_t>(13.375 * std::pow(2.0, k * static_cast<double>(0.083333336f)));
}

// Every k that amigaPeriod asks for (132 - note, give or take one, for a
// note of 0..255), worked out once on first use.
constexpr int32_t lowestScaleStep = 131 - 255;
constexpr int32_t highestScaleStep = 133;

struct AmigaScale {
    std::array<int32_t, highestScaleStep - lowestScaleStep + 1> periods{};
    AmigaScale() {
        for (int32_t k = lowestScaleStep; k <= highestScaleStep; ++k)
            periods[static_cast<size_t>(k - lowestScaleStep)] = computeAmigaScale(k);
    }
};

int32_t amigaScale(int32_t k) {
    static const AmigaScale scale;
    return scale.periods[static_cast<size_t>(k - lowestScaleStep)];
}

// 8363 * 2^((4608 - p) / 768): the frequency of an effective period p in the
// linear table, truncated. The 768th is the single-precision constant the
// table was made with.
int64_t computeLinearFrequency(int64_t effective) {
    double exponent = static_cast<double>(4608 - effective) * static_cast<double>(0.0013020834f);
    return static_cast<int64_t>(8363.0 * std::pow(2.0, exponent));
}

// The player asks for a frequency on most ticks of most channels, so each
// period's value is kept once worked out: 0 while unknown, else value + 1.
// The entries are atomics so that players on different threads may fill the
// table at once (they store the same values); relaxed loads and stores cost
// no more than plain ones. Beyond the table, at 4608 + 13 octaves and more,
// the frequency is below 1 Hz and worked out each time.
constexpr int64_t knownLinearPeriods = 16384;
std::array<std::atomic<int32_t>, knownLinearPeriods + 1> linearFrequencies{};

int64_t linearFrequency(int64_t effective) {
    if (effective > knownLinearPeriods) return computeLinearFrequency(effective);
    std::atomic<int32_t>& entry = linearFrequencies[static_cast<size_t>(effective)];
    int32_t known = entry.load(std::memory_order_relaxed);
    if (known != 0) return known - 1;
    int64_t frequency = computeLinearFrequency(effective);
    entry.store(static_cast<int32_t>(frequency + 1), std::memory_order_relaxed);
    return frequency;
}

int32_t partnerOf(int32_t index) { return index < 32 ? index + 32 : index - 32; }

// Moves the channel to its partner voice, leaving the old voice to ramp out
// silently while the new note ramps in on the partner.
void handOverToPartner(MusicChannel& channel) {
    Voice* old = channel.voice;
    int32_t partnerIndex = partnerOf(static_cast<int32_t>(old - mixerState.voices.data()));
    Voice& partner = mixerState.voices[static_cast<size_t>(partnerIndex)];
    partner = *old;
    partner.index = partnerIndex;
    old->volume = 0;
    old->targetLeft = 0;
    old->targetRight = 0;
    channel.voice = &partner;
}

void startNote(Voice& voice, Sample* sample) {
    voice.sample = sample;
    uint64_t loopEnd = uint64_t{sample->loopStart} + sample->loopLength;
    if (voice.startOffset < 0) voice.startOffset = 0;
    // A note whose sample offset lies at or past the sample's end plays nothing.
    if (voice.startOffset > 0 && static_cast<uint64_t>(voice.startOffset) >= loopEnd) voice.sample = nullptr;
    if (static_cast<uint64_t>(voice.startOffset) >= loopEnd) voice.startOffset = 0;
    voice.position = static_cast<int64_t>(voice.startOffset) << 32;
    voice.direction = voiceForward;
    voice.startOffset = 0;
    voice.currentLeft = 0;
    voice.currentRight = 0;
    voice.rampFramesLeft = 0;
}

// Pan 0 is the left output, 128 the centre and 255 the right, as in the XM
// format and the trackers that write it.
void setGainTargets(Voice& voice) {
    voice.targetLeft = (255 - voice.pan) * voice.volume / 255;
    voice.targetRight = voice.pan * voice.volume / 255;
}

}  // namespace

int32_t linearPeriod(uint8_t note, int8_t finetune) { return std::max(7680 - note * 64 - finetune / 2, 1); }

int32_t amigaPeriod(uint8_t note, int8_t finetune) {
    int32_t p0 = amigaScale(132 - note);
    int32_t result;
    if (finetune >= 0 || note == 0) {
        int32_t p1 = amigaScale(131 - note);
        result = p0 + ((p0 - p1) * finetune) / -128;
    } else {
        int32_t p1 = amigaScale(133 - note);
        result = p0 + ((p0 - p1) * std::abs(finetune)) / -128;
    }
    return std::max(result, 1);
}

void applyTonePortamento(MusicChannel& channel) {
    int32_t speed = channel.tonePortaSpeed * 4;
    if (channel.period < channel.portaTarget) {
        channel.period = std::min(channel.period + speed, channel.portaTarget);
    } else if (channel.period > channel.portaTarget) {
        channel.period = std::max(channel.period - speed, channel.portaTarget);
    }
    channel.updateFlags |= updateFrequency;
}

int64_t periodFrequency(bool linearTable, int32_t period, int32_t periodDelta) {
    if (linearTable) {
        // A positive offset raises the pitch in the linear table.
        return linearFrequency(std::max<int64_t>(int64_t{period} - periodDelta, 1));
    }
    int64_t effective = std::max<int64_t>(int64_t{period} + periodDelta, 1);
    return 14317056 / effective;
}

uint64_t voiceStep(int64_t frequency) {
    uint64_t g = static_cast<uint64_t>(std::max<int64_t>(frequency, 100));
    const uint64_t rate = static_cast<uint64_t>(std::max(mixerState.mixRate, 1));
    uint64_t whole = g / rate;
    uint64_t fraction = ((g % rate) << 32) / rate;
    return (whole << 32) | fraction;
}

void sendVolume(const MusicChannel& channel, const Song* song) {
    Voice& voice = *channel.voice;
    const int32_t level = channel.tremorMuted ? 0 : channel.channelVolume + channel.volumeDelta;
    double v = static_cast<double>(level) * channel.volumeEnvValue * channel.fadeoutVolume * song->globalVolume *
               (255.0 / 34359738368.0);
    voice.volume = static_cast<int32_t>(v);
    setGainTargets(voice);
}

void applyToVoice(MusicChannel& channel, Sample* sample, const Song* song) {
    if (int64_t{channel.period} + channel.periodDelta == 0)
        channel.updateFlags &= static_cast<uint8_t>(~updateFrequency);

    if (channel.updateFlags & triggerNote) {
        if (channel.voice->sample) handOverToPartner(channel);
        startNote(*channel.voice, sample);
    }
    Voice& voice = *channel.voice;

    if (channel.updateFlags & updateVolume) sendVolume(channel, song);
    if (channel.updateFlags & updatePanning) {
        // The envelope's reach shrinks toward the edges in quarter steps.
        int64_t reach = (128 - std::abs(int64_t{channel.channelPan} - 128)) / 32;
        int64_t p = reach * (channel.panningEnvValue - 32) + channel.channelPan;
        voice.pan = static_cast<int32_t>(std::clamp<int64_t>(p, 0, 255));
        setGainTargets(voice);
    }
    if (channel.updateFlags & updateFrequency) {
        bool linear = song->songFlags & linearFrequencyTable;
        voice.step = voiceStep(periodFrequency(linear, channel.period, channel.periodDelta));
    }
}

}  // namespace music
