// Render checkpoints: about 11 KB per block (song fields, 32 channels, 64
// voices), copied once per 20 ms block.
#include "music/render_checkpoint.h"

#include <array>
#include <memory>

#include "music/mixer.h"
#include "music/player.h"

namespace music {

namespace {

struct RenderCheckpoint {
    const Song* owner;  // the song saved, none when unused
    bool songEnded;
    Song song;
    PlayerState playerState;
    std::array<Voice, voiceCount> voices;
};

std::unique_ptr<RenderCheckpoint[]> checkpoints;
int32_t checkpointCount = 0;

}  // namespace

void allocateCheckpoints(int32_t blocks) {
    checkpoints.reset();
    checkpointCount = 0;
    if (blocks <= 0) return;
    checkpoints = std::make_unique<RenderCheckpoint[]>(static_cast<size_t>(blocks));
    checkpointCount = blocks;
}

void saveCheckpoint(int32_t block, const Song& song, bool songEnded) {
    if (block < 0 || block >= checkpointCount) return;
    RenderCheckpoint& checkpoint = checkpoints[static_cast<size_t>(block)];
    checkpoint.owner = &song;
    checkpoint.songEnded = songEnded;
    checkpoint.song = song;
    checkpoint.playerState = playerState;
    checkpoint.voices = mixerState.voices;
}

bool restoreCheckpoint(int32_t block, Song& song, bool& songEnded) {
    if (block < 0 || block >= checkpointCount || checkpoints[static_cast<size_t>(block)].owner != &song) return false;
    const RenderCheckpoint& checkpoint = checkpoints[static_cast<size_t>(block)];
    // Only playback fields change while a song plays; the owned arrays are
    // the same pointers in both.
    song = checkpoint.song;
    playerState = checkpoint.playerState;
    mixerState.voices = checkpoint.voices;
    songEnded = checkpoint.songEnded;
    return true;
}

void clearCheckpoints() {
    for (int32_t b = 0; b < checkpointCount; ++b) checkpoints[static_cast<size_t>(b)].owner = nullptr;
}

}  // namespace music
