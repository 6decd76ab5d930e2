// Tick and row processing, note and instrument starts, and the flow effects.
#include "music/player.h"

#include <algorithm>

#include "music/envelope.h"
#include "music/pitch.h"

namespace music {

PlayerState playerState{{}, {-1, -1, 0}};

namespace {

constexpr uint8_t noteKeyOff = 255;
constexpr int32_t fallbackBpm = 125;
constexpr int32_t missingPatternRows = 64;

const Pattern* patternAt(const Song* song, int32_t orderPosition) {
    if (orderPosition < 0 || orderPosition >= maxOrderPositions || !song->patterns) return nullptr;
    int32_t index = song->orderTable[static_cast<size_t>(orderPosition)];
    return index < song->patternCount ? &song->patterns[index] : nullptr;
}

int32_t rowCountAt(const Song* song, int32_t orderPosition) {
    const Pattern* pattern = patternAt(song, orderPosition);
    return pattern ? pattern->rowCount : missingPatternRows;
}

const Note* cellsOfRow(const Song* song, int32_t orderPosition, int32_t row) {
    const Pattern* pattern = patternAt(song, orderPosition);
    if (!pattern || !pattern->cells || song->channelCount <= 0) return nullptr;
    if (row < 0 || row >= pattern->rowCount) return nullptr;
    return pattern->cells + static_cast<int64_t>(row) * song->channelCount;
}

// The order position after the last one: the restart position, or the first
// position when the restart position lies outside the song.
int32_t nextOrderPosition(const Song* song, int32_t orderPosition) {
    int32_t next = orderPosition + 1;
    if (next < song->songLength) return next;
    if (song->restartPosition >= 0 && song->restartPosition < song->songLength) return song->restartPosition;
    return 0;
}

bool isRealNote(uint8_t note) { return note != 0 && note != noteKeyOff; }

// Bxx, Dxx, E6x, EEx and Fxx. Their changes to song-wide fields are seen by
// the channels after this one in the same tick.
void applyFlowEffect(Song* song, MusicChannel& channel, const Note& cell, bool& jumpSeen) {
    const uint8_t param = cell.param;
    switch (cell.effect) {
        case effectPositionJump:
            song->breakRow = 0;
            song->jumpPosition = param < song->songLength ? param : 0;
            jumpSeen = true;
            break;
        case effectPatternBreak: {
            int32_t target = (param >> 4) * 10 + (param & 0x0F);
            if (target > 63) target = 0;
            song->breakRow = target;
            if (!jumpSeen) song->jumpPosition = song->orderPosition + 1;
            if (song->jumpPosition >= song->songLength) song->jumpPosition = 0;
            break;
        }
        case effectExtended: {
            const int32_t x = param & 0x0F;
            if ((param >> 4) == extendedPatternLoop) {
                if (x == 0) {
                    channel.patternLoopRow = song->row;
                } else {
                    channel.patternLoopCount = channel.patternLoopCount == 0 ? x : channel.patternLoopCount - 1;
                    if (channel.patternLoopCount != 0) {
                        song->row = channel.patternLoopRow - 1;
                        // The loop's start row is also where the next pattern
                        // starts when this one runs out, as trackers play it.
                        song->nextPatternRow = channel.patternLoopRow;
                    }
                }
            } else if ((param >> 4) == extendedPatternDelay) {
                song->patternDelay = x * song->speed;
            }
            break;
        }
        case effectSetSpeed:
            // F00 is ignored: a speed of 0 would play a row on every tick.
            if (param == 0) break;
            if (param < 32) {
                song->speed = param;
            } else {
                setTempo(song, param);
            }
            break;
        default: break;
    }
}

// The finetune a note plays with: the sample's, or that of an E5x in its own
// cell, where x = 8 is the sample's pitch and each step is an eighth of a
// semitone. The sample itself keeps its finetune.
int8_t noteFinetune(const Note& cell, const Sample& sample) {
    if (cell.effect == effectExtended && (cell.param >> 4) == extendedSetFinetune) {
        return static_cast<int8_t>(((cell.param & 0x0F) - 8) * 16);
    }
    return sample.finetune;
}

void startNotePeriod(const Song* song, MusicChannel& channel, const Note& cell, const Sample& sample, bool porta) {
    channel.realNote = static_cast<uint8_t>(cell.note + sample.relativeNote - 1);
    const int8_t finetune = noteFinetune(cell, sample);
    const bool linear = song->songFlags & linearFrequencyTable;
    channel.notePeriod = linear ? linearPeriod(channel.realNote, finetune) : amigaPeriod(channel.realNote, finetune);
    if (!porta) channel.period = channel.notePeriod;
}

// The sample whose volume and panning an instrument number resets the channel
// to: with a note, the note's; without one, the sample that is playing, which
// plays on (as trackers do, also when the number names another instrument or
// none at all).
Sample& instrumentResetSample(const MusicChannel& channel, const Note& cell, Sample& resolved) {
    if (isRealNote(cell.note) || !channel.voice || !channel.voice->sample) return resolved;
    return *channel.voice->sample;
}

// A volume-column volume (0x10..0x50) brings back a note that a key-off cut
// on an instrument without a volume envelope.
void reviveAfterKeyOff(MusicChannel& channel, const Instrument& instrument, uint8_t volume) {
    if (volume >= 0x10 && volume <= 0x50 && channel.keyOff && !(instrument.volumeEnvelopeFlags & envelopeOn)) {
        channel.volumeEnvValue = 64;
    }
}

bool isDelayedCell(const Note& cell) {
    return cell.effect == effectExtended && (cell.param >> 4) == extendedNoteDelay && (cell.param & 0x0F) != 0;
}

// The steps of tick 0 for one channel. A cell with a note delay (EDx, x > 0)
// leaves its note, instrument, volume column and key-off to tick x
// (startDelayedCell); the channel plays on meanwhile.
void processChannelRow(Song* song, int32_t c, const Note& cell, bool& jumpSeen) {
    MusicChannel& channel = playerState.channels[static_cast<size_t>(c)];
    bindVoice(channel, c);
    const bool delayed = isDelayedCell(cell);
    // Tone portamento from the effect or from the volume column: the note only
    // sets the target.
    const bool porta =
        cell.effect == effectTonePorta || cell.effect == effectTonePortaVolumeSlide || cell.volume >= 0xF0;
    if (!delayed && cell.instrument != 0 && !porta)
        channel.currentInstrument = static_cast<uint8_t>(cell.instrument - 1);
    if (!delayed && isRealNote(cell.note) && !porta) channel.currentNote = static_cast<uint8_t>(cell.note - 1);

    const ChannelSound sound = resolveSound(song, channel);
    const Instrument& instrument = *sound.instrument;
    Sample& sample = *sound.sample;

    // On tick 0 of a row that goes on with tremolo, the last tick's tremolo
    // holds (a new instrument or volume sets the plain volume instead).
    const bool tremoloHolds = channel.lastEffect == effectTremolo && cell.effect == effectTremolo &&
                              cell.instrument == 0 && (cell.volume < 0x10 || cell.volume > 0x50);
    channel.lastEffect = cell.effect;
    if (!tremoloHolds) channel.volumeDelta = 0;
    channel.updateFlags = 0;

    if (!delayed && isRealNote(cell.note)) {
        startNotePeriod(song, channel, cell, sample, porta);
        channel.updateFlags = triggerNote;
    }
    channel.periodDelta = 0;
    channel.updateFlags |= updateFrequency | updateVolume;

    if (!delayed) {
        if (cell.instrument != 0) triggerInstrument(channel, instrumentResetSample(channel, cell, sample));
        if (cell.volume != 0) {
            applyVolumeColumn(channel, cell.volume);
            reviveAfterKeyOff(channel, instrument, cell.volume);
        }
        // Kxx lets the key go on tick xx (K00 at once, like a key-off note).
        if (cell.note == noteKeyOff || (cell.effect == effectKeyOff && cell.param == 0)) {
            keyOffChannel(channel, instrument);
        }
    }

    stepEnvelopesAndFadeout(channel, instrument);

    applyFlowEffect(song, channel, cell, jumpSeen);
    applyEffectOnRowStart(song, channel, cell, sound);

    applyAutoVibrato(channel, instrument);
    applyToVoice(channel, &sample, song);
}

// Tick x of a note delay (EDx): the cell's note, instrument number, volume
// column or key-off, which tick 0 left alone.
void startDelayedCell(Song* song, MusicChannel& channel, const Note& cell) {
    if (cell.note == noteKeyOff) {
        keyOffChannel(channel, *resolveSound(song, channel).instrument);
        return;
    }
    const int32_t volumeBefore = channel.channelVolume;
    if (cell.instrument != 0) channel.currentInstrument = static_cast<uint8_t>(cell.instrument - 1);
    if (isRealNote(cell.note)) channel.currentNote = static_cast<uint8_t>(cell.note - 1);
    const ChannelSound sound = resolveSound(song, channel);
    if (isRealNote(cell.note)) startNotePeriod(song, channel, cell, *sound.sample, false);
    channel.period = channel.notePeriod;
    triggerInstrument(channel, instrumentResetSample(channel, cell, *sound.sample));
    // A delayed note without an instrument number keeps the channel's volume;
    // its panning is the sample's again.
    if (cell.instrument == 0 && isRealNote(cell.note)) channel.channelVolume = volumeBefore;
    if (cell.volume != 0) {
        applyVolumeColumn(channel, cell.volume);
        reviveAfterKeyOff(channel, *sound.instrument, cell.volume);
    }
    channel.updateFlags |= updateFrequency | triggerNote;
}

// The note delay (EDx) starts its cell on tick x. A delay at or past the
// row's speed never comes, pattern-delay repeats included.
bool delayedCellStartsNow(const Song* song, const Note& cell) {
    return isDelayedCell(cell) && song->tick == (cell.param & 0x0F) && (cell.param & 0x0F) < song->speed;
}

}  // namespace

const Note* rowInPlay(const Song* song) {
    return cellsOfRow(song, playerState.rowRead.orderPosition, playerState.rowRead.row);
}

void processRow(Song* song) {
    song->jumpPosition = -1;
    song->breakRow = -1;
    playerState.rowRead = {song->orderPosition, song->row, 0};
    const Note* cells = cellsOfRow(song, song->orderPosition, song->row);
    if (!cells) return;
    bool jumpSeen = false;
    const int32_t count = playedChannelCount(song);
    for (int32_t c = 0; c < count; ++c) processChannelRow(song, c, cells[c], jumpSeen);
}

PlayedTick lastPlayedTick() { return playerState.rowRead; }

void setTempo(Song* song, int32_t bpm) {
    if (bpm < 1) bpm = fallbackBpm;
    song->bpm = bpm;
    song->framesPerTick =
        std::max<int32_t>(1, static_cast<int32_t>(int64_t{mixerState.mixRate} * 5 / (2 * int64_t{bpm})));
}

void resetChannels(const Song* song) {
    const int32_t count = playedChannelCount(song);
    for (int32_t c = 0; c < count; ++c) {
        MusicChannel& channel = playerState.channels[static_cast<size_t>(c)];
        channel = MusicChannel{};
        channel.voice = &mixerState.voices[static_cast<size_t>(c)];
    }
}

void processEffectTicks(Song* song) {
    const Note* cells = rowInPlay(song);
    if (!cells) return;
    const int32_t count = playedChannelCount(song);
    const bool linear = song->songFlags & linearFrequencyTable;
    for (int32_t c = 0; c < count; ++c) {
        MusicChannel& channel = playerState.channels[static_cast<size_t>(c)];
        const Note& cell = cells[c];
        bindVoice(channel, c);
        const ChannelSound sound = resolveSound(song, channel);
        channel.volumeDelta = 0;
        channel.periodDelta = 0;
        // The volume goes to the voice on every tick, so a change of the
        // global volume reaches every channel at once.
        channel.updateFlags = updateVolume;
        stepEnvelopesAndFadeout(channel, *sound.instrument);
        applyVolumeColumnOnLaterTick(channel, cell.volume, linear);
        applyEffectOnLaterTick(song, channel, cell, sound);
        if (delayedCellStartsNow(song, cell)) startDelayedCell(song, channel, cell);
        // A note delay may have started another note in this tick.
        const ChannelSound playing = resolveSound(song, channel);
        applyAutoVibrato(channel, *playing.instrument);
        applyToVoice(channel, playing.sample, song);
    }
}

void playerTick(Song* song) {
    if (!song) return;
    playerState.rowRead.tick = song->tick;
    const int32_t globalVolume = song->globalVolume;
    if (song->tick != 0) {
        processEffectTicks(song);
    } else {
        if (song->jumpPosition >= 0) {
            song->orderPosition = song->jumpPosition;
            song->nextPatternRow = 0;
        }
        if (song->breakRow >= 0) song->row = song->breakRow;
        // A break into a shorter pattern starts it from its first row.
        if (song->row >= rowCountAt(song, song->orderPosition)) song->row = 0;
        processRow(song);
        if (song->breakRow == -1) {
            song->breakRow = song->row + 1;
            if (song->breakRow >= rowCountAt(song, song->orderPosition)) {
                song->jumpPosition = nextOrderPosition(song, song->orderPosition);
                song->breakRow = song->nextPatternRow;
            }
        }
    }
    // A global volume set or slid in this tick is heard on every channel in
    // this tick, also on those processed before the channel that changed it.
    if (song->globalVolume != globalVolume) {
        const auto count = static_cast<size_t>(playedChannelCount(song));
        for (size_t c = 0; c < count; ++c) {
            if (playerState.channels[c].voice) sendVolume(playerState.channels[c], song);
        }
    }
    song->tick += 1;
    if (song->tick >= song->speed + song->patternDelay) {
        song->patternDelay = 0;
        song->tick = 0;
    }
}

}  // namespace music
