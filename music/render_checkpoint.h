// The render state at the start of every block of the output buffer: the
// playing song's playback fields, the player's state (its channels among
// them) and the voices. The output saves it before rendering each block, so that after a
// change (a seek, a pause, a new volume) it can wind back to a block the
// device has not reached yet and render on from exactly what is heard.
#pragma once

#include <cstdint>

#include "music/song.h"

namespace music {

// Makes room for `blocks` checkpoints (allocation happens here only). Main
// thread, when the output opens; 0 releases them.
void allocateCheckpoints(int32_t blocks);

// Saves the current state as block `block`'s, with `songEnded` (whether the
// song had ended before that block). The thread that renders.
void saveCheckpoint(int32_t block, const Song& song, bool songEnded);

// Puts block `block`'s state back into `song`, the channels, the voices and
// the player; returns the songEnded saved with it. The song's data (patterns,
// instruments, samples) is not touched. False, changing nothing, when no
// checkpoint of this song was saved for the block. Main thread, while the
// output thread is stopped.
bool restoreCheckpoint(int32_t block, Song& song, bool& songEnded);

// Forgets every checkpoint. Main thread, while the output thread is stopped.
void clearCheckpoints();

}  // namespace music
