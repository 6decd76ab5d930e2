// The sample synthesiser: tuning, seamless forward loops, levels, DC and the
// noise seed, measured on the frames it produces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "tools/xmcompile/synth.h"

namespace {

using namespace xmcompile;

SampleRecipe sineRecipe() {
    SampleRecipe recipe;
    recipe.oscillators.push_back(Oscillator{});
    recipe.rate = 22050;
    recipe.length = 0.2;
    return recipe;
}

SynthesizedSample synthesize(const SampleRecipe& recipe) {
    SynthesizedSample out;
    std::string error;
    EXPECT_TRUE(synthesizeSample(recipe, out, error)) << error;
    return out;
}

int largestStep(const SynthesizedSample& sample, size_t first, size_t last) {
    int largest = 0;
    for (size_t i = first; i + 1 < last; ++i) largest = std::max(largest, std::abs(sample.pcm[i + 1] - sample.pcm[i]));
    return largest;
}

// What a player hears at a note with the linear frequency table: the frames
// go by at 8363 Hz x 2^((note + relative - 48) / 12 + finetune / 1536).
double playbackRate(const SynthesizedSample& sample, int note) {
    return 8363.0 * std::pow(2.0, (note + sample.relativeNote - 48) / 12.0 + sample.finetune / 1536.0);
}

TEST(Synth, ForwardLoopsJoinWithoutAJump) {
    SampleRecipe recipe = sineRecipe();
    recipe.bits = 16;
    recipe.chord = {0, 4, 7};
    Oscillator detuned;
    detuned.cents = 11;
    detuned.bend = 12;
    recipe.oscillators.push_back(detuned);
    Filter filter;
    filter.cutoff = 3000;
    filter.cutoffEnd = 900;
    filter.q = 2;
    recipe.filters.push_back(filter);
    recipe.loop = LoopKind::forward;
    recipe.loopStart = 0.05;
    recipe.loopLength = 0.1;
    SynthesizedSample sample = synthesize(recipe);
    ASSERT_EQ(sample.loop, LoopKind::forward);
    size_t end = sample.loopStart + sample.loopLength;
    ASSERT_EQ(end, sample.pcm.size());
    int wrap = std::abs(sample.pcm[sample.loopStart] - sample.pcm[end - 1]);
    EXPECT_LE(wrap, largestStep(sample, sample.loopStart, end) + 8);
}

TEST(Synth, TheKeySoundsAtItsPitchThroughTheXmTuning) {
    for (double rate : {8363.0, 11025.0, 22050.0, 44100.0}) {
        for (int key : {33, 48, 57, 70}) {
            SampleRecipe recipe = sineRecipe();
            recipe.rate = rate;
            recipe.key = key;
            recipe.bits = 16;
            recipe.loop = LoopKind::forward;
            recipe.loopLength = 0.25;
            SynthesizedSample sample = synthesize(recipe);
            // Count the rising zero crossings around the loop: whole cycles.
            int cycles = 0;
            for (size_t i = 0; i < sample.loopLength; ++i) {
                int16_t a = sample.pcm[sample.loopStart + i];
                int16_t b = sample.pcm[sample.loopStart + (i + 1) % sample.loopLength];
                if (a < 0 && b >= 0) ++cycles;
            }
            double heard = cycles / static_cast<double>(sample.loopLength) * playbackRate(sample, key);
            double cents = 1200.0 * std::log2(heard / noteFrequency(key));
            EXPECT_NEAR(cents, 0.0, 1.0) << "rate " << rate << " key " << key;
        }
    }
}

TEST(Synth, NormalisesThePeakInTheSampleWidth) {
    SampleRecipe recipe = sineRecipe();
    recipe.oscillators[0].amp = 0.01;
    recipe.peak = 0.5;
    SynthesizedSample eight = synthesize(recipe);
    int peak = 0;
    for (int16_t v : eight.pcm) peak = std::max(peak, std::abs(int{v}));
    EXPECT_EQ(peak, 64);
    EXPECT_FALSE(eight.sixteenBit);

    recipe.bits = 16;
    recipe.peak = 1.0;
    recipe.oscillators[0].amp = 7;
    recipe.oscillators[0].wave = Wave::square;
    SynthesizedSample sixteen = synthesize(recipe);
    int low = 0;
    int high = 0;
    for (int16_t v : sixteen.pcm) {
        low = std::min(low, int{v});
        high = std::max(high, int{v});
    }
    EXPECT_TRUE(high == 32767 || low == -32767);
    EXPECT_GE(low, -32768);
}

TEST(Synth, NarrowAndSaturatedPulsesCarryNoDcOffset) {
    SampleRecipe recipe = sineRecipe();
    recipe.oscillators[0].wave = Wave::square;
    recipe.oscillators[0].duty = 0.125;
    recipe.drive = 3;
    recipe.bits = 16;
    recipe.loop = LoopKind::forward;
    recipe.loopCycles = 8;
    SynthesizedSample sample = synthesize(recipe);
    double sum = 0;
    for (int16_t v : sample.pcm) sum += v;
    EXPECT_LT(std::fabs(sum / sample.pcm.size()), 0.01 * 32767);
}

TEST(Synth, UnloopedSamplesFadeToSilence) {
    SampleRecipe recipe = sineRecipe();
    recipe.oscillators[0].wave = Wave::saw;
    SynthesizedSample sample = synthesize(recipe);
    EXPECT_EQ(sample.pcm.back(), 0);
    EXPECT_EQ(sample.loopLength, 0u);
}

TEST(Synth, NoiseFollowsItsSeed) {
    SampleRecipe recipe = sineRecipe();
    recipe.oscillators[0].wave = Wave::noise;
    recipe.seed = 5;
    SynthesizedSample first = synthesize(recipe);
    SynthesizedSample again = synthesize(recipe);
    recipe.seed = 6;
    SynthesizedSample other = synthesize(recipe);
    EXPECT_EQ(first.pcm, again.pcm);
    EXPECT_NE(first.pcm, other.pcm);
}

TEST(Synth, RefusesLoopsOutsideTheSample) {
    SampleRecipe recipe = sineRecipe();
    recipe.loop = LoopKind::pingpong;
    recipe.loopStart = 0.3;
    SynthesizedSample sample;
    std::string error;
    EXPECT_FALSE(synthesizeSample(recipe, sample, error));
    EXPECT_NE(error.find("loop"), std::string::npos);
}

}  // namespace
