// The per-tick player: reads rows on tick 0, starts notes and steers the song
// through its order list (position jump, pattern break, loop, delay, speed);
// the later ticks of a row run the effects. Every processed channel ends its
// tick with applyToVoice.
#pragma once

#include <cstdint>

#include "music/channel.h"
#include "music/effects.h"
#include "music/song.h"

// The song's tickHandler: one player tick. Called by the output side on the
// thread that renders, once every framesPerTick output frames.
void playerTick(Song* song);

// Tick 0 of a row: applies every channel's cell in channel order.
void processRow(Song* song);

// Resets a channel for a freshly given instrument: volume and panning from the
// sample, envelopes, key-off, fadeout, auto-vibrato and tremor restart.
// Called by processRow and by the note delay.
void triggerInstrument(MusicChannel& channel, const Sample& sample);

// Lets the channel's key go: envelopes leave their sustain, the fadeout
// starts, and a note without a volume envelope is cut. Called by the row
// processing for key-off notes and by Kxx on its tick.
void keyOffChannel(MusicChannel& channel, const Instrument& instrument);

// Tick x of a note delay (EDx): the cell's note, instrument number, volume
// column or key-off, which tick 0 left alone. Called by the later-tick effects.
void startDelayedCell(Song* song, MusicChannel& channel, const Note& cell);

// The instrument and sample a channel plays, from its currentInstrument and
// currentNote; the empty records stand in for anything missing.
ChannelSound resolveSound(const Song* song, const MusicChannel& channel);

// The cells of the row read at the last tick 0, or none when that row has no
// cells. The later ticks of a row run these cells.
const Note* rowInPlay(const Song* song);

// Where the last tick played: the order position and row read at its row's
// tick 0, and the tick's number within the row (pattern-delay ticks included).
struct PlayedTick {
    int32_t orderPosition;
    int32_t row;
    int32_t tick;
};
PlayedTick lastPlayedTick();

// The player's own state beside the song and the channels. The audio output
// saves it with them at every block and puts it back when it renders a
// stretch again, so the later ticks of a row read the same cells. The thread
// that renders, or the main thread while the output is held.
struct PlayerState {
    PlayedTick rowRead;
};
PlayerState savePlayerState();
void restorePlayerState(const PlayerState& state);

// Channels the player processes: the song's channels, at most 32.
int32_t playedChannelCount(const Song* song);

// Makes sure channel c drives a voice (voice c when none was bound yet).
void bindVoice(int32_t c);
