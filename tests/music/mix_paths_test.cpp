// The mixer's inner loops in every form the processor can run: each must give
// exactly the bits of the portable loop, voice by voice and for whole songs.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "music/mix_path.h"
#include "music/mixer.h"
#include "music/render.h"
#include "tests/music/song_loading.h"

using namespace music;

namespace {

std::vector<MixPath> availablePaths() {
    std::vector<MixPath> paths;
    for (int32_t i = 0; i < mixPathCount; ++i)
        if (mixPathAvailable(static_cast<MixPath>(i))) paths.push_back(static_cast<MixPath>(i));
    return paths;
}

// Puts back the path chosen at start-up when a test ends.
class MixPaths : public ::testing::Test {
protected:
    void SetUp() override { startUpPath = activeMixPath(); }
    void TearDown() override {
        selectMixPath(startUpPath);
        resetVoices();
    }

    MixPath startUpPath = MixPath::portable;
};

// A small generator, so every run mixes the same voices.
struct Numbers {
    uint32_t state = 12345;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int32_t below(int32_t limit) { return static_cast<int32_t>(next() % static_cast<uint32_t>(limit)); }
};

// A sample laid out as the loader leaves it: frames, then 8 guard frames, in
// a heap block of its own so the address sanitizer sees a read past it.
struct OwnedSample {
    std::unique_ptr<int16_t[]> data;
    Sample sample{};
};

OwnedSample makeSample(Numbers& numbers, uint32_t length, uint8_t loopMode, uint32_t loopStart, uint32_t loopLength) {
    OwnedSample owned;
    owned.data = std::make_unique<int16_t[]>(length + 8);
    for (uint32_t i = 0; i < length; ++i) owned.data[i] = static_cast<int16_t>(numbers.below(65536) - 32768);
    if (loopMode == 2) owned.data[loopStart + loopLength] = owned.data[loopStart];
    if (loopMode == 4) owned.data[loopStart + loopLength] = owned.data[loopStart + loopLength - 1];
    if (loopMode == 1) loopLength = length - loopStart;
    owned.sample = Sample{owned.data.get(), length, loopStart, loopLength, 64, 0, 128, 16, loopMode, 0};
    return owned;
}

// What one path mixed: every output float and every voice's state after
// each call.
struct MixRecord {
    std::vector<float> out;
    std::vector<Voice> states;
};

MixRecord mixWith(MixPath path, std::vector<OwnedSample>& samples) {
    EXPECT_TRUE(selectMixPath(path));
    setMixRate(44100);
    resetVoices();
    Numbers numbers;
    // Steps from far below a frame to far above one, both ways round a loop.
    const double steps[] = {0.001, 0.2, 0.5, 0.9999, 1.0, 1.0001, 1.5, 2.0, 2.75, 7.3, 40.0, 300.0};
    for (size_t v = 0; v < mixerState.voices.size(); ++v) {
        Voice& voice = mixerState.voices[v];
        voice.sample = &samples[v % samples.size()].sample;
        voice.position =
            static_cast<int64_t>(numbers.below(static_cast<int32_t>(voice.sample->length))) << 32 | numbers.next();
        voice.step = static_cast<uint64_t>(steps[v % std::size(steps)] * 4294967296.0) + numbers.next() % 1000;
        voice.direction = voice.sample->loopMode == 4 && v % 2 == 1 ? voiceBackward : voiceForward;
        voice.targetLeft = numbers.below(256);
        voice.targetRight = numbers.below(256);
        voice.currentLeft = v % 3 == 0 ? voice.targetLeft * 256 : numbers.below(256 * 256);
        voice.currentRight = v % 3 == 0 ? voice.targetRight * 256 : numbers.below(256 * 256);
    }
    MixRecord record;
    const int32_t runs[] = {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 64, 100, 127, 128, 129, 300, 882};
    for (int32_t round = 0; round < 4; ++round) {
        for (int32_t frames : runs) {
            // New targets now and then, so ramps start, run on and get cut.
            for (Voice& voice : mixerState.voices) {
                if (numbers.below(4) != 0) continue;
                voice.targetLeft = numbers.below(256);
                voice.targetRight = numbers.below(256);
            }
            std::vector<float> out(2 * static_cast<size_t>(frames), 0.0f);
            mixVoices(out.data(), frames);
            record.out.insert(record.out.end(), out.begin(), out.end());
            record.states.insert(record.states.end(), mixerState.voices.begin(), mixerState.voices.end());
        }
    }
    return record;
}

bool sameVoice(const Voice& a, const Voice& b) {
    return a.sample == b.sample && a.position == b.position && a.direction == b.direction &&
           a.currentLeft == b.currentLeft && a.currentRight == b.currentRight && a.rampFramesLeft == b.rampFramesLeft &&
           std::memcmp(&a.rampStepLeft, &b.rampStepLeft, sizeof(float)) == 0 &&
           std::memcmp(&a.rampStepRight, &b.rampStepRight, sizeof(float)) == 0;
}

TEST_F(MixPaths, EveryPathMixesVoicesToTheSameBitsAsThePortableLoop) {
    Numbers numbers;
    std::vector<OwnedSample> samples;
    // Short and long data; no loop, forward and ping-pong loops of every size
    // down to one frame.
    samples.push_back(makeSample(numbers, 1, 1, 0, 0));
    samples.push_back(makeSample(numbers, 7, 2, 0, 7));
    samples.push_back(makeSample(numbers, 33, 4, 5, 1));
    samples.push_back(makeSample(numbers, 500, 2, 499, 1));
    samples.push_back(makeSample(numbers, 500, 4, 100, 250));
    samples.push_back(makeSample(numbers, 5000, 1, 0, 0));
    samples.push_back(makeSample(numbers, 5000, 2, 1000, 4000));
    samples.push_back(makeSample(numbers, 20000, 4, 0, 20000));

    std::vector<MixPath> paths = availablePaths();
    MixRecord reference = mixWith(MixPath::portable, samples);
    for (MixPath path : paths) {
        SCOPED_TRACE(mixPathName(path));
        MixRecord record = mixWith(path, samples);
        ASSERT_EQ(record.out.size(), reference.out.size());
        EXPECT_EQ(std::memcmp(record.out.data(), reference.out.data(), record.out.size() * sizeof(float)), 0);
        ASSERT_EQ(record.states.size(), reference.states.size());
        for (size_t i = 0; i < record.states.size(); ++i)
            ASSERT_TRUE(sameVoice(record.states[i], reference.states[i])) << "voice state " << i;
    }
    if (paths.size() == 1) GTEST_SKIP() << "only the portable loop runs on this processor";
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST_F(MixPaths, EveryPathRendersTheSongsToTheSameBytes) {
    const std::string modules[] = {TAVORLY_DATA_DIR "/rcdata/190.xm", TAVORLY_BENCH_MODULES_DIR "/chip4.xm",
                                   TAVORLY_BENCH_MODULES_DIR "/band8.xm", TAVORLY_BENCH_MODULES_DIR "/dense16.xm",
                                   TAVORLY_BENCH_MODULES_DIR "/busy32.xm"};
    constexpr int64_t frames = 10 * 44100;
    for (const std::string& file : modules) {
        SCOPED_TRACE(file);
        std::string bytes = readFile(file);
        ASSERT_FALSE(bytes.empty()) << "missing";
        SongPtr song = loadBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        ASSERT_TRUE(song);
        std::vector<int16_t> reference;
        for (MixPath path : availablePaths()) {
            SCOPED_TRACE(mixPathName(path));
            ASSERT_TRUE(selectMixPath(path));
            std::vector<int16_t> pcm(2 * frames);
            ASSERT_TRUE(beginRender(song.get(), 44100));
            ASSERT_EQ(renderFrames(pcm.data(), frames), frames);
            endRender();
            if (reference.empty())
                reference = pcm;
            else
                EXPECT_TRUE(pcm == reference);
        }
    }
}

}  // namespace
