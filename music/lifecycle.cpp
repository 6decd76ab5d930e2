// Song lifecycle: loading a song, playing, stopping and freeing it around the
// audio output, and the tempo that clocks its ticks.
#include "music/lifecycle.h"

#include <algorithm>
#include <string>

#include "music/audio_output.h"
#include "music/file_callbacks.h"
#include "music/loader.h"
#include "music/mixer.h"
#include "music/player.h"

namespace music {

namespace {

// The output half of both plays. The voices may still hold the previous
// song's samples, which may have been freed since: every voice starts idle.
bool startSong(Song* song) {
    resetVoices();
    audioOutput.currentSong = song;
    if (!startPlayback()) {
        audioOutput.currentSong = nullptr;
        return false;
    }
    return true;
}

std::string lastLoadError;

}  // namespace

Song* loadSong(const char* name) {
    lastLoadError.clear();
    auto* song = new Song{};
    SongFile* file = openSongFile(name);
    if (!file) {
        delete song;
        lastLoadError = "cannot be opened";
        return nullptr;
    }
    const bool loaded = loadXm(song, file, &lastLoadError);
    closeSongFile(file);
    // A song that failed to load never played, so it is released without
    // freeSong's stop, which would end whatever else is playing.
    if (!loaded) {
        releaseSong(song);
        if (lastLoadError.empty()) lastLoadError = "damaged or unsupported XM module";
        return nullptr;
    }
    lastLoadError.clear();
    return song;
}

const char* loadSongError() { return lastLoadError.c_str(); }

void rewindSong(Song* song) {
    song->jumpPosition = -1;
    song->breakRow = -1;
    song->nextPatternRow = 0;
    song->globalVolume = song->initialGlobalVolume;
    song->speed = song->defaultSpeed;
    song->row = 0;
    song->orderPosition = 0;
    song->framesLeftInTick = 0;
    song->tick = 0;
    song->patternDelay = 0;
    song->playedFrames = 0;
    setTempo(song, song->defaultBpm);
    resetChannels(song);
}

void rewindSongTo(Song* song, const OrderStart& start) {
    rewindSong(song);
    song->orderPosition = std::clamp<int32_t>(start.orderPosition, 0, std::max(0, song->songLength - 1));
    song->speed = start.speed;
    song->globalVolume = std::clamp<int32_t>(start.globalVolume, 0, 64);
    song->playedFrames = std::max<int64_t>(start.frame, 0);
    setTempo(song, start.bpm);
}

bool playSong(Song* song) {
    if (song == nullptr) return false;
    stopSong(song);
    rewindSong(song);
    return startSong(song);
}

bool playSongFrom(Song* song, const OrderStart& start) {
    if (song == nullptr) return false;
    stopSong(song);
    rewindSongTo(song, start);
    return startSong(song);
}

bool stopSong(Song* song) {
    if (song == nullptr) return false;
    stopPlayback();
    return true;
}

bool freeSong(Song* song) {
    if (!song) return false;
    // Nothing of the song is released while the output thread may still be
    // inside a block of it.
    while (audioOutput.blockBusy.load()) {}
    stopSong(song);
    releaseSong(song);
    return true;
}

}  // namespace music
