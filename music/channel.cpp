// The operations the row processing, the effects and the note delay share on
// one channel.
#include "music/channel.h"

#include <algorithm>

namespace music {

int32_t playedChannelCount(const Song* song) { return std::clamp<int32_t>(song->channelCount, 0, maxSongChannels); }

void bindVoice(MusicChannel& channel, int32_t index) {
    if (!channel.voice) channel.voice = &mixerState.voices[static_cast<size_t>(index)];
}

ChannelSound resolveSound(const Song* song, const MusicChannel& channel) {
    if (channel.currentInstrument >= song->instrumentCount || !song->instruments) {
        return {&emptyInstrument, &emptySample};
    }
    Instrument* instrument = &song->instruments[channel.currentInstrument];
    // Notes beyond the keyboard have no map entry and play nothing.
    if (channel.currentNote >= instrument->sampleMap.size()) return {instrument, &emptySample};
    uint8_t slot = instrument->sampleMap[channel.currentNote];
    if (slot >= maxSamplesPerInstrument || !instrument->samples[slot]) return {instrument, &emptySample};
    return {instrument, instrument->samples[slot]};
}

void triggerInstrument(MusicChannel& channel, const Sample& sample) {
    channel.channelVolume = sample.volume;
    channel.channelPan = sample.panning;
    channel.volumeEnvValue = 64;
    channel.volumeEnvTick = 0;
    channel.volumeEnvPoint = 0;
    channel.volumeEnvSlope = 0;
    channel.volumeEnvDone = 0;
    channel.panningEnvValue = 32;
    channel.panningEnvTick = 0;
    channel.panningEnvPoint = 0;
    channel.panningEnvSlope = 0;
    channel.panningEnvDone = 0;
    channel.keyOff = 0;
    channel.fadeoutVolume = 65536;
    channel.autoVibPhase = 0;
    channel.autoVibSweepPos = 0;
    channel.tremorCount = 0;
    channel.tremorMuted = 0;
    if ((channel.waveControl & 0x0F) < 4) channel.vibPhase = 0;
    if ((channel.waveControl >> 4) < 4) channel.tremPhase = 0;
    channel.updateFlags |= updateVolume | updatePanning;
}

void keyOffChannel(MusicChannel& channel, const Instrument& instrument) {
    channel.keyOff = 1;
    // Without a volume envelope, key-off cuts the note at once.
    if (!(instrument.volumeEnvelopeFlags & envelopeOn)) channel.volumeEnvValue = 0;
    channel.updateFlags |= updateVolume;
}

}  // namespace music
