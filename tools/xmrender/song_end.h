// Where a song ends: the first time playback wraps past the last order
// position or jumps back to an order position already played. The XM player
// never stops on its own, so renderers watch the song after every tick.
#pragma once

#include <bitset>
#include <cstdint>

#include "music/song.h"

struct SongEndWatch {
    std::bitset<256> played;   // order positions played so far
    int32_t lastOrder = -1;    // order position after the previous tick
    bool jumpPending = false;  // the next tick is a row tick that moves to jumpPosition
};

// The render's TickWatch: true once the tick just run has moved playback to
// where the song ends. `context` is a SongEndWatch, fresh for each render.
bool songHasEnded(const music::Song& song, void* context);
