// The per-tick player: reads rows on tick 0, starts notes and steers the song
// through its order list (position jump, pattern break, loop, delay, speed);
// the later ticks of a row run the effects. Every processed channel ends its
// tick with applyToVoice.
#pragma once

#include <array>
#include <cstdint>

#include "music/channel.h"
#include "music/effects.h"
#include "music/song.h"

namespace music {

// Where a tick played: the order position and row read at its row's tick 0,
// and the tick's number within the row (pattern-delay ticks included).
struct PlayedTick {
    int32_t orderPosition;
    int32_t row;
    int32_t tick;
};

// The player's state beside the song: the channel table and where the row in
// play was read. Touched only by the thread that renders (and by the main
// thread before it starts or while the output is held); the audio output
// saves it with the song and the voices at every block and puts it back when
// it renders a stretch again.
struct PlayerState {
    std::array<MusicChannel, maxSongChannels> channels;  // entry c plays pattern channel c
    // The row read at the last tick 0, so that the later ticks run the same
    // cells even after a pattern loop has moved the row counter back.
    PlayedTick rowRead;
};
extern PlayerState playerState;

// The song's tickHandler: one player tick. Called by the output side on the
// thread that renders, once every framesPerTick output frames.
void playerTick(Song* song);

// Tick 0 of a row: applies every channel's cell in channel order.
void processRow(Song* song);

// Every tick of a row but tick 0: envelopes, fadeout, volume column and effect
// of each channel (a note delay starts its cell on its tick), then
// auto-vibrato and the hand-over to the voice.
void processEffectTicks(Song* song);

// bpm and framesPerTick at the mixing rate. A tempo below 1 (a header BPM of
// 0, or one that reads negative in 16 bits) is taken as 125, the format's
// default, so a tick always lasts a sensible whole number of frames. Called
// by Fxx on the thread that renders, and by the lifecycle when it rewinds a
// song on the main thread.
void setTempo(Song* song, int32_t bpm);

// Zeroes the channels 0..channelCount - 1 and binds channel c to voice c.
// Main thread, when a song is rewound to its start.
void resetChannels(const Song* song);

// The cells of the row read at the last tick 0, or none when that row has no
// cells. The later ticks of a row run these cells.
const Note* rowInPlay(const Song* song);

// Where the last tick played.
PlayedTick lastPlayedTick();

}  // namespace music
