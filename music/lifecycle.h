// The public face of the music engine: load a module into a Song, play it from
// the start, stop it, free it, and turn beats per minute into frames per tick.
// All called on the main thread, except setTempo, which the player calls on the
// thread that renders.
#pragma once

#include <cstdint>

#include "music/song.h"

// A new song read through the installed file routines, or none.
Song* loadSong(const char* name);

// Resets the song to its start and sets the output running; false for none.
bool playSong(Song* song);

// Stops whatever is playing; false for none.
bool stopSong(Song* song);

// Stops playback, then releases the song's data; false for none.
bool freeSong(Song* song);

// bpm and framesPerTick.
void setTempo(Song* song, int32_t bpm);
