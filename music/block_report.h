// What each block of the output buffer holds, for a display that follows the
// sound: the song position, tempo and channel levels as the block ends,
// written by the thread that renders right after the block and read by the
// user interface when the device plays that block, about two seconds later.
// One slot per block; no lock: a reader that catches a slot being rewritten
// reads it again.
#pragma once

#include <array>
#include <cstdint>

#include "music/song.h"

namespace music {

// The output buffer always holds this many blocks (two seconds of 20 ms).
constexpr int32_t maxReportBlocks = 100;

struct BlockReport {
    uint32_t generation;    // audioOutput.generation of the render that wrote it
    int32_t orderPosition;  // of the row in play as the block ends
    int32_t pattern;        // orderTable[orderPosition]
    int32_t row;
    int32_t speed;  // ticks per row
    int32_t bpm;
    int32_t channelCount;  // channels played, 0..32
    uint8_t paused;        // 1 when the block is the silence of a pause
    uint8_t ended;         // 1 when the song ended in or before the block
    uint8_t spare[2];
    int64_t playedFrames;                         // the song's playedFrames as the block ends
    std::array<uint8_t, maxSongChannels> levels;  // per channel: its voices' gain, 0..255
};

// Stores the report of block `block` (0..maxReportBlocks - 1). The thread that
// renders.
void writeBlockReport(int32_t block, const BlockReport& report);

// The last report stored for `block`; false when none was stored since
// clearBlockReports or the block is out of range. Any thread.
bool readBlockReport(int32_t block, BlockReport& report);

// Forgets every report. Main thread, while no output thread runs.
void clearBlockReports();

// The level of each of the song's channels from its two voices' current
// gains (the louder voice counts, so a note fading out on the partner shows
// until the new one is louder), 0 for channels past `channelCount`. The thread
// that renders.
std::array<uint8_t, maxSongChannels> channelLevels(int32_t channelCount);

}  // namespace music
