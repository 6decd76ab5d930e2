// The per-tick player: reads rows on tick 0, runs effects on later ticks,
// steps envelopes and ends every channel's tick with applyToVoice.
#pragma once

#include "music/song.h"

// The song's tickHandler: one player tick. Called by the output side on the
// thread that renders, once every framesPerTick output frames.
void playerTick(Song* song);
