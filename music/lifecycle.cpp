// Song lifecycle.
#include "music/lifecycle.h"

void setTempo(Song* song, int32_t bpm) {
    song->bpm = bpm;
    song->framesPerTick = bpm > 0 ? 44100 * 5 / (2 * bpm) : 0;
}
