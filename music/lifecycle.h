// The public face of the music engine: load a module into a Song, play it from
// the start, stop it and free it. All called on the main thread.
#pragma once

#include <cstdint>

#include "music/song.h"

namespace music {

// A new song read through the installed file routines, or none.
Song* loadSong(const char* name);

// Why the last loadSong gave none, in a few words for a message ("not an XM
// module"); empty after a load that succeeded. Main thread.
const char* loadSongError();

// Where an order position begins when the song plays from its start: the
// speed, tempo and global volume in force as its first row is read, and the
// output frame at which that happens. A scan of the song from its start
// finds them (see scanFrames); a song placed there plays on as it would have.
struct OrderStart {
    int32_t orderPosition;  // 0..songLength - 1
    int32_t speed;          // ticks per row
    int32_t bpm;
    int32_t globalVolume;  // 0..64
    int64_t frame;         // output frames from the song's start
};

// Resets the song to its start, every voice to idle, and sets the output
// running; false for none or when no output is open.
bool playSong(Song* song);

// playSong, but from the start of an order position (`start`, clamped into
// the song); false as playSong.
bool playSongFrom(Song* song, const OrderStart& start);

// Stops whatever is playing; false for none.
bool stopSong(Song* song);

// Stops playback, then releases the song's data; false for none.
bool freeSong(Song* song);

// The reset shared by playSong and the offline render: playback fields to the
// song's start, tempo from defaultBpm, channels 0..channelCount - 1 zeroed
// and bound to voices 0..channelCount - 1. Main thread, before rendering.
void rewindSong(Song* song);

// rewindSong, then places the song at the first row of start.orderPosition
// (clamped into the song) with the speed, tempo, global volume and played
// frames of `start`. Main thread, before playback or while the output is held
// (holdOutput); the caller also resets the voices for a clean restart.
void rewindSongTo(Song* song, const OrderStart& start);

}  // namespace music
