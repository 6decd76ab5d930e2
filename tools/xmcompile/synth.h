// Turns a sample recipe into PCM frames, loop points and the XM tuning
// (relative note and finetune) that makes the recipe's key sound at its base
// frequency. Deterministic: the same recipe always gives the same frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/xmcompile/song_source.h"

namespace xmcompile {

struct SynthesizedSample {
    std::vector<int16_t> pcm;  // 8-bit recipes hold -128..127
    bool sixteenBit = false;
    LoopKind loop = LoopKind::none;
    uint32_t loopStart = 0;   // frames
    uint32_t loopLength = 0;  // frames; 0 without a loop
    int relativeNote = 0;
    int finetune = 0;
};

// Returns false with a message when the recipe cannot be built (a loop
// outside the sample, no frames at all).
bool synthesizeSample(const SampleRecipe& recipe, SynthesizedSample& out, std::string& error);

// Frequency in Hz of a 0-based note, A-4 (57) = 440 Hz.
double noteFrequency(double note);

}  // namespace xmcompile
