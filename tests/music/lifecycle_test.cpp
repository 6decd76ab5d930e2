// Song lifecycle: restarting a song, the channel reset and the tempo.
#include "music/lifecycle.h"

#include <gtest/gtest.h>

#include "music/channel.h"
#include "music/mixer.h"
#include "music/player.h"
#include "output_fixture.h"
#include "song_loading.h"

using namespace music;

using namespace output_test;

namespace {

// The song state each play's first tick saw.
struct FirstTick {
    int32_t orderPosition, row, speed, bpm, globalVolume, jumpPosition, breakRow, tick, patternDelay;
    int32_t frame;  // output frame of the tick
    uint8_t globalVolumeSlideMemory;
};
FirstTick firstTick{};
int32_t ticksThisPlay = 0;

// Records the state at the first tick, then moves every playback field.
void scramblingTick(Song* song) {
    if (ticksThisPlay++ == 0)
        firstTick = {song->orderPosition,
                     song->row,
                     song->speed,
                     song->bpm,
                     song->globalVolume,
                     song->jumpPosition,
                     song->breakRow,
                     song->tick,
                     song->patternDelay,
                     audioOutput.writeBlock * audioOutput.blockFrames,
                     song->globalVolumeSlideMemory};
    song->orderPosition += 1;
    song->row = 17;
    song->speed = 3;
    setTempo(song, 90);
    song->globalVolume = 10;
    song->jumpPosition = 5;
    song->breakRow = 7;
    song->tick = 2;
    song->patternDelay = 4;
    song->globalVolumeSlideMemory = 33;
}

TEST_F(OutputTest, PlayingTwiceRestartsFromTheTop) {
    Song song = makeSong(scramblingTick, 140);
    song.defaultSpeed = 5;
    for (int play = 0; play < 2; ++play) {
        ticksThisPlay = 0;
        ASSERT_TRUE(playSong(&song));
        ASSERT_TRUE(stopSong(&song));
        EXPECT_EQ(firstTick.orderPosition, 0);
        EXPECT_EQ(firstTick.row, 0);
        EXPECT_EQ(firstTick.speed, 5);
        EXPECT_EQ(firstTick.bpm, 140);
        EXPECT_EQ(firstTick.globalVolume, 64);
        EXPECT_EQ(firstTick.jumpPosition, -1);
        EXPECT_EQ(firstTick.breakRow, -1);
        EXPECT_EQ(firstTick.tick, 0);
        EXPECT_EQ(firstTick.patternDelay, 0);
        EXPECT_EQ(firstTick.frame, 0);
        // Not a playback field: it carries over into the second play.
        EXPECT_EQ(firstTick.globalVolumeSlideMemory, play == 0 ? 0 : 33);
        // 88,400 frames at 90 BPM (1,225 frames a tick) after the first tick
        // at 140 BPM (787 frames).
        EXPECT_EQ(ticksThisPlay, 1 + (88400 - 787 + 1224) / 1225);
    }
}

TEST_F(OutputTest, PlayingFromAnOrderStartsThereWithItsTempoAndClock) {
    Song song = makeSong(scramblingTick, 140);
    song.songLength = 4;
    struct Case {
        OrderStart start;
        int32_t orderPosition, globalVolume;
    };
    for (Case c : {Case{{2, 3, 90, 40, 5000}, 2, 40}, Case{{9, 3, 90, 99, 5000}, 3, 64}}) {
        ticksThisPlay = 0;
        ASSERT_TRUE(playSongFrom(&song, c.start));
        ASSERT_TRUE(stopSong(&song));
        EXPECT_EQ(firstTick.orderPosition, c.orderPosition);
        EXPECT_EQ(firstTick.row, 0);
        EXPECT_EQ(firstTick.speed, 3);
        EXPECT_EQ(firstTick.bpm, 90);
        EXPECT_EQ(firstTick.globalVolume, c.globalVolume);
        EXPECT_EQ(firstTick.jumpPosition, -1);
        EXPECT_EQ(firstTick.tick, 0);
        EXPECT_EQ(firstTick.frame, 0);
        EXPECT_EQ(song.playedFrames, 5000 + 88400);
    }
}

TEST_F(OutputTest, PlayingAnotherSongStartsWithEveryVoiceIdle) {
    // Eight channels of looping notes leave eight voices sounding.
    XmModule module = withOneSample(eightBit(std::vector<int16_t>(64, 50)));
    module.instruments[0].samples[0].loop = XmLoop::forward;
    module.instruments[0].samples[0].loopLength = 64;
    module.channels = 8;
    for (int c = 0; c < 8; ++c) module.patterns[0].set(0, c, {49, 1, 0, 0, 0});
    SongPtr first = loadModule(module);
    ASSERT_TRUE(first);
    ASSERT_TRUE(playSong(first.get()));
    first.reset();
    // The next song plays nothing; its buffer must not be mixed from the
    // freed song's samples.
    Song second = makeSong(nullptr);
    ASSERT_TRUE(playSong(&second));
    stopSong(&second);
    for (const Voice& voice : mixerState.voices) EXPECT_EQ(voice.sample, nullptr) << voice.index;
}

TEST_F(OutputTest, PlayZeroesTheSongsChannelsAndBindsThemToTheirVoices) {
    for (MusicChannel& channel : playerState.channels) {
        channel.period = 1234;
        channel.channelVolume = 40;
        channel.fadeoutVolume = 65536;
        channel.volumeEnvValue = 64;
        channel.keyOff = 1;
        channel.vibPhase = -3;
        channel.patternLoopCount = 2;
        channel.finePortaDownMemory = 9;
        channel.voice = &mixerState.voices[40];
    }
    Song song = makeSong(nullptr);
    song.channelCount = 3;
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
    for (size_t c = 0; c < 3; ++c) {
        const MusicChannel& channel = playerState.channels[c];
        EXPECT_EQ(channel.voice, &mixerState.voices[c]);
        EXPECT_EQ(channel.period, 0);
        EXPECT_EQ(channel.channelVolume, 0);
        EXPECT_EQ(channel.fadeoutVolume, 0);
        EXPECT_EQ(channel.volumeEnvValue, 0);
        EXPECT_EQ(channel.keyOff, 0);
        EXPECT_EQ(channel.vibPhase, 0);
        EXPECT_EQ(channel.patternLoopCount, 0);
        EXPECT_EQ(channel.finePortaDownMemory, 0);
    }
    EXPECT_EQ(playerState.channels[3].period, 1234);
    EXPECT_EQ(playerState.channels[3].voice, &mixerState.voices[40]);
}

TEST_F(OutputTest, ChannelCountsOutsideTheTableTouchOnlyTheTable) {
    Song song = makeSong(nullptr);
    song.channelCount = 200;
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
    EXPECT_EQ(playerState.channels[31].voice, &mixerState.voices[31]);
    song.channelCount = -4;
    ASSERT_TRUE(playSong(&song));
    stopSong(&song);
}

TEST(SetTempo, TicksLastTwoAndAHalfBeatsWorthOfFrames) {
    Song song{};
    setMixRate(44100);
    struct Case {
        int32_t bpm, frames;
    };
    for (Case c : {Case{125, 882}, Case{126, 875}, Case{32, 3445}, Case{255, 432}}) {
        setTempo(&song, c.bpm);
        EXPECT_EQ(song.bpm, c.bpm);
        EXPECT_EQ(song.framesPerTick, c.frames) << c.bpm;
    }
    // No tempo below 1: the format's default stands in.
    for (int32_t bpm : {0, -1, -32768}) {
        setTempo(&song, bpm);
        EXPECT_EQ(song.bpm, 125);
        EXPECT_EQ(song.framesPerTick, 882);
    }
    setMixRate(22050);
    setTempo(&song, 125);
    EXPECT_EQ(song.framesPerTick, 441);
    setMixRate(44100);
}

TEST(Lifecycle, NoSongIsRefused) {
    EXPECT_FALSE(playSong(nullptr));
    EXPECT_FALSE(stopSong(nullptr));
    EXPECT_FALSE(freeSong(nullptr));
}

}  // namespace
