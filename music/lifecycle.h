// The public face of the music engine: load a module into a Song, play it from
// the start, stop it, free it, and turn beats per minute into frames per tick.
// All called on the main thread, except setTempo, which the player calls on the
// thread that renders.
#pragma once

#include <cstdint>

#include "music/song.h"

// A new song read through the installed file routines, or none.
Song* loadSong(const char* name);

// Resets the song to its start and sets the output running; false for none
// or when no output is open.
bool playSong(Song* song);

// Stops whatever is playing; false for none.
bool stopSong(Song* song);

// Stops playback, then releases the song's data; false for none.
bool freeSong(Song* song);

// bpm and framesPerTick at the output rate. A tempo below 1 (a header BPM of
// 0, or one that reads negative in 16 bits) is taken as 125, the format's
// default, so a tick always lasts a sensible whole number of frames.
void setTempo(Song* song, int32_t bpm);

// The reset shared by playSong and the offline render: playback fields to the
// song's start, tempo from defaultBpm, channels 0..channelCount - 1 zeroed
// and bound to voices 0..channelCount - 1. Main thread, before rendering.
void rewindSong(Song* song);
