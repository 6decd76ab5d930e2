// Song lifecycle.
#include "music/lifecycle.h"

#include "music/file_callbacks.h"
#include "music/loader.h"

Song* loadSong(const char* name) {
    auto* song = new Song{};
    SongFile* file = openSongFile(name);
    if (!file) {
        delete song;
        return nullptr;
    }
    const bool loaded = loadXm(song, file);
    closeSongFile(file);
    // A song that failed to load never played, so it is released without
    // freeSong's stop, which would end whatever else is playing.
    if (!loaded) {
        releaseSong(song);
        return nullptr;
    }
    return song;
}

bool freeSong(Song* song) {
    if (!song) return false;
    releaseSong(song);
    return true;
}

void setTempo(Song* song, int32_t bpm) {
    song->bpm = bpm;
    song->framesPerTick = bpm > 0 ? 44100 * 5 / (2 * bpm) : 0;
}
