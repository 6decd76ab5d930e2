// Per-tick trace of the player: after each tick, one text line for every voice
// that has a sample, with where the song is and what the voice plays. Used by
// the xmtrace tool and by golden-trace tests to review whole small modules.
#pragma once

#include <string>

#include "music/song.h"

// Appends the lines of the tick just played. Each line reads
//   o<order> r<row> t<tick> v<voice> c<channel> period <p>[<+/-delta>] volume <v> pan <p> position <frames>
// with "fading" in place of the period for a voice its channel has left while
// it ramps out (once silent it is left out). A tick without a sounding voice
// gives one line ending in "-".
// Called on the thread that runs the ticks, right after playerTick.
void appendTickTrace(const music::Song& song, std::string& out);
