// Mixer: passes, loops, ramps and PCM conversion, checked against values
// worked out by hand or by a plain floating-point model of the voice.
#include "music/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace music;

namespace {

constexpr uint8_t noLoop = 1;
constexpr uint8_t forwardLoop = 2;
constexpr uint8_t pingPongLoop = 4;

// A sample laid out as the loader leaves it: the frames, then 8 guard frames
// of which the first is the loop's interpolation partner. The data is its own
// heap block so the address sanitizer sees any read past it.
struct TestSample {
    std::unique_ptr<int16_t[]> data;
    Sample sample{};

    TestSample(const std::vector<int16_t>& frames, uint8_t loopMode = noLoop, uint32_t loopStart = 0,
               uint32_t loopLength = 0) {
        uint32_t length = static_cast<uint32_t>(frames.size());
        data = std::make_unique<int16_t[]>(length + 8);
        std::copy(frames.begin(), frames.end(), data.get());
        if (loopMode == noLoop) {
            loopStart = 0;
            loopLength = length;
        } else if (loopMode == forwardLoop) {
            data[loopStart + loopLength] = frames[loopStart];
        } else {
            data[loopStart + loopLength] = frames[loopStart + loopLength - 1];
        }
        sample = Sample{data.get(), length, loopStart, loopLength, 64, 0, 128, 16, loopMode, 0};
    }
};

uint64_t fixedStep(double frames) { return static_cast<uint64_t>(std::llround(frames * 4294967296.0)); }

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMixRate(44100);
        resetVoices();
    }

    // Starts a note as the player does: from the given frame, faded in from 0.
    Voice& start(int index, Sample& sample, double step, int32_t left, int32_t right) {
        Voice& voice = mixerState.voices[static_cast<size_t>(index)];
        voice.sample = &sample;
        voice.position = 0;
        voice.step = fixedStep(step);
        voice.direction = voiceForward;
        voice.targetLeft = left;
        voice.targetRight = right;
        voice.currentLeft = 0;
        voice.currentRight = 0;
        voice.rampFramesLeft = 0;
        return voice;
    }

    // Starts at full gain already, so no ramp runs.
    Voice& startSteady(int index, Sample& sample, double step, int32_t left, int32_t right) {
        Voice& voice = start(index, sample, step, left, right);
        voice.currentLeft = left * 256;
        voice.currentRight = right * 256;
        return voice;
    }

    std::vector<float> mix(int32_t frames) {
        std::vector<float> out(2 * static_cast<size_t>(frames), 0.0f);
        mixVoices(out.data(), frames);
        return out;
    }
};

TEST_F(MixerTest, RampFadesInOver128FramesThenHoldsTheTarget) {
    TestSample constant(std::vector<int16_t>(1000, 1000));
    start(0, constant.sample, 1.0, 255, 51);
    std::vector<float> out = mix(200);
    for (size_t k = 0; k < 128; ++k) {
        EXPECT_NEAR(out[2 * k], 1000.0 * static_cast<double>(k) / 128.0, 0.01) << k;
        EXPECT_NEAR(out[2 * k + 1], 1000.0 * 0.2 * static_cast<double>(k) / 128.0, 0.01) << k;
    }
    for (size_t k = 128; k < 200; ++k) {
        EXPECT_FLOAT_EQ(out[2 * k], 1000.0f);
        EXPECT_FLOAT_EQ(out[2 * k + 1], 200.0f);
    }
    EXPECT_EQ(mixerState.voices[0].rampFramesLeft, 0);
    EXPECT_EQ(mixerState.voices[0].currentLeft, 255 * 256);
    EXPECT_EQ(mixerState.voices[0].currentRight, 51 * 256);
}

TEST_F(MixerTest, RampCarriesAcrossCallsExactlyAsInOneCall) {
    TestSample constant(std::vector<int16_t>(1000, -12345));
    start(0, constant.sample, 1.0, 200, 90);
    std::vector<float> whole = mix(300);

    resetVoices();
    start(0, constant.sample, 1.0, 200, 90);
    std::vector<float> pieces;
    for (int32_t frames : {50, 1, 49, 27, 100, 73}) {
        std::vector<float> part = mix(frames);
        pieces.insert(pieces.end(), part.begin(), part.end());
    }
    ASSERT_EQ(pieces.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i) EXPECT_NEAR(pieces[i], whole[i], 0.05) << i;
}

TEST_F(MixerTest, NewTargetsDuringARampRestartItFromTheGainReached) {
    TestSample constant(std::vector<int16_t>(1000, 1000));
    start(0, constant.sample, 1.0, 255, 255);
    mix(64);
    // Half way up: gain 0.5, stored as 0.5 * 255 * 256.
    EXPECT_EQ(mixerState.voices[0].currentLeft, 32640);
    mixerState.voices[0].targetLeft = 0;
    mixerState.voices[0].targetRight = 0;
    std::vector<float> out = mix(140);
    // From 127/255 (the 8.8 gain truncated to whole steps) down to 0 over a
    // fresh ramp of 128 frames; the first frame still plays at the gain reached.
    EXPECT_NEAR(out[0], 500.0, 0.01);
    double stepDown = 127.0 / 255.0 / 128.0 * 1000.0;
    for (size_t k = 1; k < 128; ++k) EXPECT_NEAR(out[2 * k], 500.0 - stepDown * static_cast<double>(k), 0.02) << k;
    for (size_t k = 128; k < 140; ++k) EXPECT_EQ(out[2 * k], 0.0f);
}

TEST_F(MixerTest, GainsAlreadyAtTheTargetsPlayAtOnceWithoutARamp) {
    TestSample constant(std::vector<int16_t>(100, 2550));
    startSteady(0, constant.sample, 1.0, 100, 10);
    std::vector<float> out = mix(10);
    EXPECT_EQ(mixerState.voices[0].rampFramesLeft, 0);
    for (size_t k = 0; k < 10; ++k) {
        EXPECT_FLOAT_EQ(out[2 * k], 1000.0f);
        EXPECT_FLOAT_EQ(out[2 * k + 1], 100.0f);
    }
}

TEST_F(MixerTest, NonLoopingSampleEndsMidRunAndTheVoiceGoesIdle) {
    std::vector<int16_t> frames{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};
    TestSample sample(frames);
    startSteady(0, sample.sample, 0.5, 255, 255);
    std::vector<float> out = mix(30);
    // Half steps: frame 2k plays sample frame k, frame 2k + 1 the midpoint to
    // the next, and the last one halves toward the zero guard frame.
    for (size_t k = 0; k < 10; ++k) {
        EXPECT_FLOAT_EQ(out[4 * k], frames[k]);
        float next = k + 1 < 10 ? frames[k + 1] : 0.0f;
        EXPECT_FLOAT_EQ(out[4 * k + 2], (frames[k] + next) / 2.0f);
    }
    for (size_t k = 20; k < 30; ++k) EXPECT_EQ(out[2 * k], 0.0f);
    EXPECT_EQ(mixerState.voices[0].sample, nullptr);
    EXPECT_EQ(mixerState.voices[0].position, 0);
}

TEST_F(MixerTest, SilentVoiceAdvancesAndEndsLikeAnAudibleOne) {
    TestSample sample(std::vector<int16_t>(1000, 77));
    startSteady(0, sample.sample, 1.37, 255, 0);
    startSteady(1, sample.sample, 1.37, 0, 0);
    mix(300);
    EXPECT_EQ(mixerState.voices[1].position, mixerState.voices[0].position);
    mix(500);  // 1000 / 1.37 is about 730 frames
    EXPECT_EQ(mixerState.voices[0].sample, nullptr);
    EXPECT_EQ(mixerState.voices[1].sample, nullptr);
}

// A silent voice on a looping sample moves through a whole run at once; it
// must land exactly where the audible voice beside it does, pass by pass:
// forward and ping-pong loops, slow steps and steps longer than the loop,
// from before the loop, inside it and moving backward, over runs of every
// length, and after a ramp out to silence.
TEST_F(MixerTest, SilentLoopingVoiceKeepsPaceWithAnAudibleOne) {
    std::vector<int16_t> frames(300, 5);
    TestSample forward(frames, forwardLoop, 40, 200);
    TestSample pingPong(frames, pingPongLoop, 40, 200);
    TestSample shortPingPong(frames, pingPongLoop, 299, 1);
    struct Start {
        TestSample* sample;
        int64_t position;
        int32_t direction;
    };
    const Start starts[] = {
        {&forward, 0, voiceForward},
        {&forward, (int64_t{239} << 32) + 0x12345678, voiceForward},
        {&pingPong, 7, voiceForward},
        {&pingPong, (int64_t{238} << 32) | 0xfffffff0, voiceForward},
        {&pingPong, int64_t{100} << 32, voiceBackward},
        {&pingPong, (int64_t{40} << 32) + 3, voiceBackward},
        {&pingPong, int64_t{20} << 32, voiceBackward},
        {&pingPong, int64_t{250} << 32, voiceBackward},
        {&shortPingPong, int64_t{299} << 32, voiceForward},
    };
    for (double step : {0.0, 0.013, 0.77, 1.0, 1.999, 3.3, 250.0, 999.5}) {
        for (const Start& begin : starts) {
            SCOPED_TRACE(::testing::Message() << "step " << step << " from " << (begin.position >> 32) << " dir "
                                              << begin.direction << " loop " << int(begin.sample->sample.loopStart));
            resetVoices();
            Voice& audible = startSteady(0, begin.sample->sample, step, 1, 0);
            Voice& silent = startSteady(1, begin.sample->sample, step, 0, 0);
            Voice& fading = startSteady(2, begin.sample->sample, step, 200, 90);
            for (Voice* voice : {&audible, &silent, &fading}) {
                voice->position = begin.position;
                voice->direction = begin.direction;
            }
            fading.targetLeft = fading.targetRight = 0;  // ramps out over the first 128 frames, then silent
            for (int32_t run : {1, 5, 127, 300, 882, 64, 2000}) {
                mix(run);
                EXPECT_EQ(silent.position, audible.position) << run;
                EXPECT_EQ(silent.direction, audible.direction) << run;
                EXPECT_EQ(fading.position, audible.position) << run;
                EXPECT_EQ(fading.direction, audible.direction) << run;
            }
            EXPECT_EQ(fading.currentLeft, 0);
            EXPECT_EQ(silent.sample, &begin.sample->sample);
        }
    }
}

// A steady voice that goes round a short forward loop many times within a
// run has the loop's wraps done inside the inner loop; the sound and the
// position must be exactly those of a run cut frame by frame, where every
// wrap is a pass of its own. Steps from slow to nearly an eighth of the
// loop, and past that (one pass per wrap again), from before the loop.
TEST_F(MixerTest, ShortForwardLoopSoundsTheSameInOneRunAsFrameByFrame) {
    std::vector<int16_t> frames(60);
    for (int i = 0; i < 60; ++i) frames[static_cast<size_t>(i)] = static_cast<int16_t>((i * 7919) % 20000 - 10000);
    TestSample loop(frames, forwardLoop, 20, 37);
    for (double step : {0.3, 1.0, 2.71828, 4.6, 4.7, 9.1}) {
        for (int64_t startAt : {int64_t{0}, (int64_t{56} << 32) + 0x9abcdef0}) {
            SCOPED_TRACE(::testing::Message() << "step " << step << " from " << (startAt >> 32));
            constexpr int32_t runFrames = 1500;
            std::vector<float> oneRun, frameByFrame;
            int64_t oneRunPosition = 0;
            for (int32_t cut : {runFrames, 1}) {
                resetVoices();
                Voice& voice = startSteady(0, loop.sample, step, 180, 70);
                voice.position = startAt;
                std::vector<float>& out = cut == 1 ? frameByFrame : oneRun;
                for (int32_t done = 0; done < runFrames; done += cut) {
                    std::vector<float> part = mix(cut);
                    out.insert(out.end(), part.begin(), part.end());
                }
                if (cut == 1)
                    EXPECT_EQ(voice.position, oneRunPosition);
                else
                    oneRunPosition = voice.position;
            }
            ASSERT_EQ(oneRun.size(), frameByFrame.size());
            EXPECT_EQ(std::memcmp(oneRun.data(), frameByFrame.data(), oneRun.size() * sizeof(float)), 0);
        }
    }
}

TEST_F(MixerTest, ForwardLoopOfHundredFramesRepeatsExactlyAtStepOne) {
    std::vector<int16_t> frames(120);
    for (size_t i = 0; i < 120; ++i) frames[i] = static_cast<int16_t>(static_cast<int>(i) * 100 - 6000);
    TestSample sample(frames, forwardLoop, 0, 100);
    startSteady(0, sample.sample, 1.0, 255, 255);
    std::vector<float> out;
    for (int32_t count : {37, 100, 63, 250}) {
        std::vector<float> part = mix(count);
        out.insert(out.end(), part.begin(), part.end());
    }
    for (size_t k = 0; k < 450; ++k) EXPECT_FLOAT_EQ(out[2 * k], frames[k % 100]) << k;
    EXPECT_EQ(mixerState.voices[0].position, int64_t{50} << 32);
}

TEST_F(MixerTest, LoopsStayInsideWhenThePositionIsAHairBeforeTheEnd) {
    TestSample forward(std::vector<int16_t>(100, 1), forwardLoop, 0, 100);
    Voice& voice = startSteady(0, forward.sample, 1.0, 255, 255);
    for (int64_t below : {int64_t{1}, int64_t{255}, int64_t{1} << 8, (int64_t{1} << 8) - 1}) {
        voice.sample = &forward.sample;
        voice.position = (int64_t{100} << 32) - below;
        mix(1);
        EXPECT_GE(voice.position, 0) << below;
        EXPECT_LT(voice.position >> 32, 100) << below;
        EXPECT_EQ(voice.position, (int64_t{1} << 32) - below);
    }
}

// A plain model of a looping voice: the position advances in real numbers
// and is folded into the loop (a saw for forward loops, a triangle for
// ping-pong), then interpolated like the mixer does.
double modelValue(const TestSample& s, double start, double step, int k) {
    const Sample& sample = s.sample;
    double loopStart = sample.loopStart;
    double loopLength = sample.loopLength;
    double x = start + step * k;
    if (x >= loopStart + loopLength) {
        double phase = x - loopStart;
        if (sample.loopMode == forwardLoop) {
            x = loopStart + std::fmod(phase, loopLength);
        } else {
            phase = std::fmod(phase, 2 * loopLength);
            x = phase < loopLength ? loopStart + phase : loopStart + 2 * loopLength - phase;
        }
    }
    // x starts at or after frame 0 and moves forward, and the loop folds it
    // back before the loop's end, so it indexes the sample.
    size_t i = static_cast<size_t>(std::floor(x));
    double t = x - static_cast<double>(i);
    return s.data[i] + (s.data[i + 1] - s.data[i]) * t;
}

TEST_F(MixerTest, StepsLongerThanTheLoopStayInsideItAndFollowTheLoopShape) {
    std::vector<int16_t> frames(40);
    for (size_t i = 0; i < 40; ++i) frames[i] = static_cast<int16_t>(static_cast<int>(i * 7919 % 2000) - 1000);
    for (uint8_t mode : {forwardLoop, pingPongLoop}) {
        for (double step : {9.37, 5.01, 324.6, 0.73}) {
            SCOPED_TRACE(testing::Message() << "mode " << int(mode) << " step " << step);
            TestSample sample(frames, mode, 12, 4);
            resetVoices();
            Voice& voice = startSteady(0, sample.sample, step, 255, 255);
            for (int k = 0; k < 400; ++k) {
                std::vector<float> out = mix(1);
                ASSERT_GE(voice.position >> 32, k * step < 16 ? 0 : 12) << k;
                ASSERT_LT(voice.position >> 32, 16) << k;
                ASSERT_NEAR(out[0], modelValue(sample, 0.0, step, k), 0.5) << k;
            }
        }
    }
}

TEST_F(MixerTest, PingPongReversesAtTheEndsOfTheLoop) {
    std::vector<int16_t> frames{0, 10, 20, 30, 40, 50, 60, 70};
    TestSample sample(frames, pingPongLoop, 2, 4);  // loop over frames 2..5
    startSteady(0, sample.sample, 0.5, 255, 255);
    std::vector<float> out = mix(24);
    // The loop's last frame is followed by its copy, so the turn at the end
    // holds 50 from 5.0 to 6.0 and back; the turn at the start mirrors about
    // frame 2 (2.5, 2.0, 2.5).
    std::vector<float> expected{0,  5,  10, 15, 20, 25, 30, 35, 40, 45, 50, 50,
                                50, 50, 50, 45, 40, 35, 30, 25, 20, 25, 30, 35};
    for (size_t k = 0; k < 24; ++k) EXPECT_NEAR(out[2 * k], expected[k], 0.001) << k;
}

TEST_F(MixerTest, LargeStepsEndExactlyAndReadNothingPastTheSample) {
    for (double step : {256.0, 256.5, 324.3, 1000.0, 70000.0}) {
        SCOPED_TRACE(step);
        TestSample sample(std::vector<int16_t>(1000, 500));
        resetVoices();
        startSteady(0, sample.sample, step, 255, 255);
        std::vector<float> out = mix(10);
        size_t played = static_cast<size_t>(std::ceil(1000.0 / step));
        for (size_t k = 0; k < 10; ++k) EXPECT_FLOAT_EQ(out[2 * k], k < played ? 500.0f : 0.0f) << k;
        EXPECT_EQ(mixerState.voices[0].sample, nullptr);
    }
}

TEST_F(MixerTest, TinyStepsCountPastThirtyTwoBitsWithoutOverflow) {
    TestSample sample(std::vector<int16_t>{1000, 3000});
    Voice& voice = startSteady(0, sample.sample, 0.0, 255, 255);
    voice.step = 1;  // 2^-32 frame per output frame
    std::vector<float> out = mix(4000);
    EXPECT_EQ(voice.position, 4000);
    EXPECT_EQ(voice.sample, &sample.sample);
    EXPECT_NEAR(out[2 * 3999], 1000.0, 0.01);
    voice.step = 0;
    mix(100);
    EXPECT_EQ(voice.position, 4000);
}

TEST_F(MixerTest, EmptySampleStopsAtOnceWithoutReadingData) {
    start(0, emptySample, 1.0, 255, 255);
    std::vector<float> out = mix(16);
    EXPECT_EQ(mixerState.voices[0].sample, nullptr);
    for (float value : out) EXPECT_EQ(value, 0.0f);
}

TEST_F(MixerTest, LoopPastTheSampleEndIsCutAtTheData) {
    TestSample sample(std::vector<int16_t>(10, 300), forwardLoop, 4, 4);
    sample.sample.loopLength = 100000;  // a loop that a damaged file claims
    startSteady(0, sample.sample, 3.3, 255, 255);
    for (int k = 0; k < 50; ++k) {
        mix(1);
        ASSERT_LT(mixerState.voices[0].position >> 32, 10);
    }
}

TEST(ConvertToPcm16, RoundsTiesToEvenAndClips) {
    std::vector<float> source{2.5f,  3.5f, -2.5f,    -0.5f,    0.5f,      1.5f,      40000.0f,
                              -4e9f, 4e9f, 32767.4f, 32767.5f, -32768.5f, -32768.6f, 0.49f};
    std::vector<int16_t> expected{2, 4, -2, 0, 0, 2, 32767, -32768, 32767, 32767, 32767, -32768, -32768, 0};
    std::vector<int16_t> out(source.size(), 99);
    convertToPcm16(out.data(), source.data(), static_cast<int32_t>(source.size() / 2));
    EXPECT_EQ(out, expected);
    convertToPcm16(out.data(), source.data(), 0);
    convertToPcm16(nullptr, source.data(), 3);
    EXPECT_EQ(out, expected);
}

TEST_F(MixerTest, FullScaleVoicesSumPastTheRangeAndClip) {
    TestSample high(std::vector<int16_t>(64, 32767));
    TestSample low(std::vector<int16_t>(64, -32768));
    for (int v = 0; v < 3; ++v) startSteady(v, high.sample, 1.0, 255, 255);
    for (int v = 3; v < 6; ++v) startSteady(v, low.sample, 1.0, 255, 0);
    std::vector<float> out = mix(8);
    std::vector<int16_t> pcm(16);
    convertToPcm16(pcm.data(), out.data(), 8);
    for (size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(pcm[2 * k], 32767 + 32767 + 32767 - 3 * 32768);  // left sums to -3
        EXPECT_EQ(pcm[2 * k + 1], 32767);
    }
}

TEST(MixRate, RampLengthFollowsTheOutputRate) {
    setMixRate(22050);
    EXPECT_EQ(mixerState.rampLength, 64);
    setMixRate(44100);
    EXPECT_EQ(mixerState.rampLength, 128);
}

}  // namespace
