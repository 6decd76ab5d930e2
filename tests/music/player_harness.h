// Test support for the player: loads a module stated with the XM writer, starts
// it the way playback start does (without an output device) and steps it tick
// by tick.
#pragma once

#include "music/channel.h"
#include "music/lifecycle.h"
#include "music/mixer.h"
#include "music/player.h"
#include "music/song.h"
#include "tests/music/song_loading.h"
#include "tools/xmwriter/xm_writer.h"

// A song started from its beginning with fresh channels and voices.
class PlayerHarness {
public:
    explicit PlayerHarness(const XmModule& module) : song_(loadModule(module)) {
        music::resetVoices();
        music::playerState.channels = {};
        music::rewindSong(song_.get());
    }

    music::Song& song() { return *song_; }
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) music::playerTick(song_.get());
    }
    music::MusicChannel& channel(int c) { return music::playerState.channels[static_cast<size_t>(c)]; }
    music::Voice& voice(int c) { return *music::playerState.channels[static_cast<size_t>(c)].voice; }

private:
    SongPtr song_;
};

// A module of the given channel count with one 64-row pattern (resized by the
// test as needed) and one instrument: a looping 8-bit sample of 1000 frames.
inline XmModule testModule(uint16_t channelCount = 4, uint16_t rows = 64) {
    XmModule module;
    module.channels = channelCount;
    module.orders = {0};
    module.patterns.emplace_back().rows = rows;
    XmInstrument& instrument = module.instruments.emplace_back();
    XmSample& sample = instrument.samples.emplace_back();
    sample.pcm.assign(1000, 50);
    sample.loop = XmLoop::forward;
    sample.loopStart = 0;
    sample.loopLength = 1000;
    return module;
}
