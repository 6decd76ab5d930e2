// The live view of tavorly-play as lines of text: what plays (file, song,
// tracker, channels), where (order, pattern, row, time), how (speed, BPM,
// volume, loop, pause) and a level meter per channel. Built from the block
// the device is playing, so it follows the sound. Plain text, so it can be
// tested without a terminal; the terminal code draws the lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "music/song.h"
#include "tools/play/play_controls.h"

struct ViewState {
    std::string fileName;
    int32_t fileNumber = 1;  // 1-based, of fileCount
    int32_t fileCount = 1;
    std::string songName;
    std::string trackerName;
    int32_t channelCount = 0;  // the song's channels
    int32_t orderPosition = 0;
    int32_t songLength = 1;
    int32_t pattern = 0;
    int32_t row = 0;
    int32_t patternRows = 64;
    int32_t speed = 6;
    int32_t bpm = 125;
    int64_t elapsedFrames = 0;
    int64_t totalFrames = 0;
    bool totalKnown = true;  // false when the song never ends
    int32_t rate = 44100;    // frames per second
    PlayControls controls;
    int32_t meterCount = 0;                                // channels with a meter, 0..32
    std::array<uint8_t, music::maxSongChannels> levels{};  // as shown, 0..255
    std::string message;                                   // the last problem, shown at the bottom
};

// A level at which a meter is full: one channel at full volume.
constexpr int32_t fullMeterLevel = 128;

// The view as `height` lines of at most `width` characters (fewer lines when
// there is nothing to put in them). Main thread.
std::vector<std::string> viewLines(const ViewState& view, int32_t width, int32_t height);

// The one line a file gets without the view.
std::string fileLine(const ViewState& view);

// Meters rise at once and fall by an eighth of full per redraw, so a note's
// attack shows and the bars do not flicker between blocks.
void fallLevels(std::array<uint8_t, music::maxSongChannels>& shown,
                const std::array<uint8_t, music::maxSongChannels>& heard);

// "m:ss" of a frame count.
std::string minutesAndSeconds(int64_t frames, int32_t rate);
