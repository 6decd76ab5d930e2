// The sample synthesiser: oscillators (with pitch bends, pulse-width sweeps,
// per-oscillator attack and decay) summed per chord note, then drive, filters
// and a DC blocker, the overall level curve, normalisation and bit reduction.
//
// Forward loops must join without a click, so every oscillator's steady
// frequency is rounded to a whole number of cycles per loop, everything that
// changes over time is held at its loop-start value inside the loop, and the
// filters are run over several repeats of the loop so that the loop holds
// their settled output.
#include "tools/xmcompile/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace xmcompile {
namespace {

constexpr double twoPi = 2.0 * std::numbers::pi;

// Band-limiting correction for the jumps of saw and pulse waves.
double polyBlep(double t, double dt) {
    if (dt <= 0) return 0;
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0;
}

// The program's own generator, so that noise is the same on every machine.
struct Noise {
    uint32_t state;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

struct Voice {
    const Oscillator* osc = nullptr;
    double frequency = 0;  // steady frequency in Hz (rounded for forward loops)
    double pwmRate = 0;
    double phase = 0;
    double pwmPhase = 0;
    double holdPhase = 1;  // forces a fresh noise value on the first frame
    double noiseValue = 0;
    Noise noise{1};
};

double levelAt(const std::vector<AmpPoint>& points, double time) {
    if (points.empty()) return 1.0;
    if (time <= points.front().time) return points.front().level;
    for (size_t i = 1; i < points.size(); ++i) {
        if (time <= points[i].time) {
            const AmpPoint& a = points[i - 1];
            const AmpPoint& b = points[i];
            return a.level + (b.level - a.level) * (time - a.time) / (b.time - a.time);
        }
    }
    return points.back().level;
}

struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    void tune(FilterKind kind, double cutoff, double q, double rate) {
        cutoff = std::clamp(cutoff, 10.0, rate * 0.45);
        double w = twoPi * cutoff / rate;
        double cosw = std::cos(w);
        double alpha = std::sin(w) / (2.0 * q);
        double a0 = 1.0 + alpha;
        switch (kind) {
            case FilterKind::lowpass:
                b0 = (1.0 - cosw) / 2.0;
                b1 = 1.0 - cosw;
                b2 = b0;
                break;
            case FilterKind::highpass:
                b0 = (1.0 + cosw) / 2.0;
                b1 = -(1.0 + cosw);
                b2 = b0;
                break;
            case FilterKind::bandpass:
                b0 = alpha;
                b1 = 0;
                b2 = -alpha;
                break;
        }
        b0 /= a0;
        b1 /= a0;
        b2 /= a0;
        a1 = -2.0 * cosw / a0;
        a2 = (1.0 - alpha) / a0;
    }

    double run(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

double oscillatorValue(Voice& voice, double frequency, double rate) {
    const Oscillator& osc = *voice.osc;
    double dt = frequency / rate;
    double t = voice.phase;
    double value = 0;
    switch (osc.wave) {
        case Wave::sine: value = std::sin(twoPi * t); break;
        case Wave::saw: value = 2.0 * t - 1.0 - polyBlep(t, dt); break;
        case Wave::triangle: value = 4.0 * std::fabs(t - 0.5) - 1.0; break;
        case Wave::square: {
            double duty = osc.duty;
            if (osc.pwmDepth > 0) duty += osc.pwmDepth * std::sin(twoPi * voice.pwmPhase);
            duty = std::clamp(duty, 0.01, 0.99);
            value = t < duty ? 1.0 : -1.0;
            value += polyBlep(t, dt);
            value -= polyBlep(std::fmod(t + 1.0 - duty, 1.0), dt);
            value -= 2.0 * duty - 1.0;  // a pulse off the middle carries DC
            break;
        }
        case Wave::noise: {
            double holdStep = osc.hold > 0 ? osc.hold / rate : 1.0;
            voice.holdPhase += holdStep;
            if (voice.holdPhase >= 1.0) {
                voice.holdPhase -= std::floor(voice.holdPhase);
                voice.noiseValue = voice.noise.next();
            }
            value = voice.noiseValue;
            break;
        }
    }
    voice.phase += dt;
    voice.phase -= std::floor(voice.phase);
    voice.pwmPhase += voice.pwmRate / rate;
    voice.pwmPhase -= std::floor(voice.pwmPhase);
    return value;
}

double oscillatorLevel(const Oscillator& osc, double time) {
    double level = osc.amp;
    if (osc.attack > 0 && time < osc.attack) level *= time / osc.attack;
    if (osc.decay > 0) level *= std::exp(-time / osc.decay);
    return level;
}

}  // namespace

double noteFrequency(double note) { return 440.0 * std::pow(2.0, (note - 57.0) / 12.0); }

bool synthesizeSample(const SampleRecipe& recipe, SynthesizedSample& out, std::string& error) {
    const double rate = recipe.rate;
    const double base = noteFrequency(recipe.key);
    const bool forward = recipe.loop == LoopKind::forward;
    const bool looped = recipe.loop != LoopKind::none;

    int64_t frames = std::max<int64_t>(1, std::llround(recipe.length * rate));
    int64_t loopStart = 0;
    int64_t loopLength = 0;
    if (looped) {
        loopStart = std::llround(recipe.loopStart * rate);
        if (recipe.loopCycles > 0)
            loopLength = std::llround(recipe.loopCycles * rate / base);
        else if (recipe.loopLength > 0)
            loopLength = std::llround(recipe.loopLength * rate);
        else
            loopLength = frames - loopStart;
        if (loopLength < 2) {
            error = "the loop is shorter than 2 frames";
            return false;
        }
        if (loopStart >= frames && recipe.loopCycles == 0 && recipe.loopLength == 0) {
            error = "the loop starts at or after the end of the sample";
            return false;
        }
        frames = loopStart + loopLength;
    }
    if (frames > 4000000) {
        error = "the sample is longer than 4,000,000 frames";
        return false;
    }

    // A forward loop of L frames repeats cleanly when each frequency makes a
    // whole number of cycles in L frames.
    auto steady = [&](double frequency) {
        if (!forward) return frequency;
        double cycles = std::max(1.0, std::round(frequency * static_cast<double>(loopLength) / rate));
        return cycles * rate / static_cast<double>(loopLength);
    };
    auto steadyRate = [&](double frequency) {
        if (!forward || frequency <= 0) return frequency;
        return std::round(frequency * static_cast<double>(loopLength) / rate) * rate / static_cast<double>(loopLength);
    };

    std::vector<double> chord = recipe.chord.empty() ? std::vector<double>{0.0} : recipe.chord;
    std::vector<Voice> voices;
    uint32_t seed = recipe.seed;
    for (const Oscillator& osc : recipe.oscillators) {
        for (double interval : chord) {
            double frequency = osc.hz > 0 ? osc.hz : base * osc.ratio;
            frequency *= std::pow(2.0, (osc.semi + interval) / 12.0 + osc.cents / 1200.0);
            Voice voice;
            voice.osc = &osc;
            voice.frequency = steady(frequency);
            voice.pwmRate = steadyRate(osc.pwmRate);
            voice.phase = osc.phase;
            voice.noise.state = seed = seed * 747796405u + 2891336453u;
            voices.push_back(voice);
        }
    }

    // Time as the time-varying parts see it: frozen at the loop start inside a forward loop.
    auto shapeTime = [&](int64_t frame) {
        int64_t t = forward ? std::min(frame, loopStart) : frame;
        return static_cast<double>(t) / rate;
    };

    std::vector<double> signal(static_cast<size_t>(frames));
    for (int64_t frame = 0; frame < frames; ++frame) {
        double time = shapeTime(frame);
        bool inLoop = forward && frame >= loopStart;
        double sum = 0;
        for (Voice& voice : voices) {
            const Oscillator& osc = *voice.osc;
            double frequency = voice.frequency;
            if (osc.bend != 0 && !inLoop) frequency *= std::pow(2.0, osc.bend * std::exp(-time / osc.glide) / 12.0);
            sum += oscillatorLevel(osc, time) * oscillatorValue(voice, frequency, rate);
        }
        if (recipe.drive > 0) sum = std::tanh(sum * recipe.drive) / std::tanh(recipe.drive);
        signal[static_cast<size_t>(frame)] = sum;
    }

    // Every sample ends its filter chain with a DC blocker: saturation and
    // pitch bends leave DC, which adds up across voices in the mix.
    std::vector<Filter> filters = recipe.filters;
    Filter dcBlocker;
    dcBlocker.kind = FilterKind::highpass;
    dcBlocker.cutoff = 12.0;
    filters.push_back(dcBlocker);

    // Forward loops are filtered over repeats of the loop, and the loop takes
    // the last repeat, where the filters have settled.
    int64_t repeats = 0;
    if (forward) {
        repeats = std::max<int64_t>(2, (8192 + loopLength - 1) / loopLength);
        for (int64_t r = 0; r < repeats; ++r)
            signal.insert(signal.end(), signal.begin() + loopStart, signal.begin() + loopStart + loopLength);
    }
    for (const Filter& filter : filters) {
        Biquad biquad;
        for (size_t frame = 0; frame < signal.size(); ++frame) {
            if (frame % 16 == 0) {
                double time = shapeTime(static_cast<int64_t>(frame));
                double cutoff = filter.cutoff;
                if (filter.cutoffEnd > 0)
                    cutoff = filter.cutoffEnd + (filter.cutoff - filter.cutoffEnd) * std::exp(-time / filter.time);
                biquad.tune(filter.kind, cutoff, filter.q, rate);
            }
            signal[frame] = biquad.run(signal[frame]);
        }
    }
    if (repeats > 0) {
        std::copy(signal.end() - loopLength, signal.end(), signal.begin() + loopStart);
        signal.resize(static_cast<size_t>(frames));
    }

    for (int64_t frame = 0; frame < frames; ++frame) {
        signal[static_cast<size_t>(frame)] *= levelAt(recipe.amp, shapeTime(frame));
    }
    // Whatever DC the blocker leaves in a loop would sound for as long as the
    // voice holds it, so the loop's mean comes off the whole sample.
    if (looped) {
        double mean = 0;
        for (int64_t frame = loopStart; frame < frames; ++frame) mean += signal[static_cast<size_t>(frame)];
        mean /= static_cast<double>(loopLength);
        for (double& value : signal) value -= mean;
    }
    // A sample that just stops would click, so the last few frames fade out.
    if (!looped) {
        int64_t fade = std::min<int64_t>(64, frames);
        for (int64_t i = 0; i < fade; ++i)
            signal[static_cast<size_t>(frames - 1 - i)] *= static_cast<double>(i) / static_cast<double>(fade);
    }

    double peak = 0;
    for (double value : signal) peak = std::max(peak, std::fabs(value));
    double scale = peak > 0 ? recipe.peak / peak : 0.0;
    const double fullScale = recipe.bits == 16 ? 32767.0 : 127.0;
    out.pcm.resize(static_cast<size_t>(frames));
    for (int64_t frame = 0; frame < frames; ++frame) {
        double value = signal[static_cast<size_t>(frame)] * scale;
        if (recipe.crush > 0) {
            double steps = std::ldexp(1.0, recipe.crush - 1);
            value = std::round(value * steps) / steps;
        }
        double scaled = std::clamp(std::round(value * fullScale), -fullScale - 1.0, fullScale);
        out.pcm[static_cast<size_t>(frame)] = static_cast<int16_t>(scaled);
    }

    out.sixteenBit = recipe.bits == 16;
    out.loop = recipe.loop;
    out.loopStart = looped ? static_cast<uint32_t>(loopStart) : 0;
    out.loopLength = looped ? static_cast<uint32_t>(loopLength) : 0;

    // Playing the key must replay the frames at the synthesis rate, and the
    // key's base frequency is what a forward loop rounded it to.
    double heardBase = steady(base);
    double tuning = 12.0 * std::log2(rate / 8363.0 * base / heardBase) + 48.0 - recipe.key;
    int relative = static_cast<int>(std::floor(tuning + 0.5));
    int finetune = static_cast<int>(std::lround((tuning - relative) * 128.0));
    if (finetune > 127) finetune = 127;
    out.relativeNote = recipe.hasRelative ? recipe.relativeNote : std::clamp(relative, -96, 95);
    out.finetune = recipe.hasFinetune ? recipe.finetune : finetune;
    return true;
}

}  // namespace xmcompile
