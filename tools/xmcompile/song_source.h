// The parsed form of a song source: header values, instruments as synthesis
// recipes, single-channel tracks in tracker notation, patterns assembled from
// placed tracks, and the order list. The parser fills it, the synthesiser
// reads the recipes and the module builder turns the rest into XM data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xmcompile {

enum class Wave { sine, square, saw, triangle, noise };

// One oscillator of a sample recipe. Its frequency is the sample's base
// frequency times ratio, shifted by semi semitones and cents, or hz when set.
struct Oscillator {
    Wave wave = Wave::sine;
    double ratio = 1.0;
    double semi = 0.0;
    double cents = 0.0;
    double hz = 0.0;        // absolute frequency; 0 = relative to the base
    double bend = 0.0;      // start offset in semitones, decaying to 0
    double glide = 0.05;    // seconds, time constant of the bend decay
    double amp = 1.0;       // linear level before normalisation
    double duty = 0.5;      // pulse width of the square wave, 0.01..0.99
    double pwmRate = 0.0;   // Hz of the pulse-width sweep
    double pwmDepth = 0.0;  // swing of the duty around its centre
    double attack = 0.0;    // seconds of linear fade-in
    double decay = 0.0;     // seconds, exponential time constant; 0 = none
    double phase = 0.0;     // start phase in cycles, 0..1
    double hold = 0.0;      // noise only: Hz of the sample-and-hold clock, 0 = every frame
};

enum class FilterKind { lowpass, highpass, bandpass };

// A resonant two-pole filter whose cutoff glides exponentially from cutoff to
// cutoffEnd with time constant time (seconds).
struct Filter {
    FilterKind kind = FilterKind::lowpass;
    double cutoff = 1000.0;
    double cutoffEnd = 0.0;  // 0 = no glide
    double time = 0.1;
    double q = 0.707;
};

enum class LoopKind { none, forward, pingpong };

struct AmpPoint {
    double time;   // seconds
    double level;  // linear, 0..1 usually
};

// A synthesis recipe for one XM sample.
struct SampleRecipe {
    int line = 0;
    std::string name;
    int bits = 8;           // 8 or 16
    double rate = 22050.0;  // synthesis rate in frames per second
    int key = 48;           // 0-based note (C-4 = 48) at which the base frequency sounds
    double length = 0.5;    // seconds
    LoopKind loop = LoopKind::none;
    double loopStart = 0.0;   // seconds
    double loopLength = 0.0;  // seconds; 0 = to the end (or cycles)
    double loopCycles = 0.0;  // loop length in cycles of the base frequency
    std::vector<Oscillator> oscillators;
    std::vector<double> chord;    // semitone offsets; every oscillator sounds at each
    std::vector<Filter> filters;  // applied in order
    std::vector<AmpPoint> amp;    // overall level over time; empty = constant 1
    double drive = 0.0;           // tanh saturation amount; 0 = none
    int crush = 0;                // reduce to this many bits before output; 0 = none
    double peak = 0.9;            // normalise the peak to this fraction of full scale
    int volume = 64;              // default volume 0..64
    int panning = 128;            // default panning 0..255
    bool hasFinetune = false;
    int finetune = 0;  // overrides the computed tuning when set
    bool hasRelative = false;
    int relativeNote = 0;
    int keyLow = 0;  // 0-based note range mapped to this sample
    int keyHigh = 95;
    uint32_t seed = 1;  // noise generator seed
};

struct EnvelopeNode {
    int x;  // ticks
    int y;  // 0..64
};

struct EnvelopeSource {
    std::vector<EnvelopeNode> points;
    int sustain = -1;    // point index or -1
    int loopStart = -1;  // point indices or -1
    int loopEnd = -1;
};

struct InstrumentSource {
    int line = 0;
    int number = 0;  // 1-based slot
    std::string name;
    std::vector<SampleRecipe> samples;
    EnvelopeSource volumeEnvelope;
    EnvelopeSource panningEnvelope;
    int fadeout = 0;      // as stored in the file, 0..4095
    int vibratoType = 0;  // 0 sine, 1 square, 2 ramp down, 3 ramp up
    int vibratoSweep = 0;
    int vibratoDepth = 0;
    int vibratoRate = 0;
};

// One pattern cell with the XM meanings of its bytes.
struct Cell {
    uint8_t note = 0;        // 0 none, 1..96 (C-0 = 1), 97 key off
    uint8_t instrument = 0;  // 0 none, 1..128
    uint8_t volume = 0;      // volume-column byte
    uint8_t effect = 0;
    uint8_t param = 0;

    bool empty() const { return note == 0 && instrument == 0 && volume == 0 && effect == 0 && param == 0; }
};

struct TrackRow {
    int row;
    Cell cell;
};

// A single-channel column of rows, placed into patterns by name.
struct Track {
    int line = 0;
    std::string name;
    int rows = 64;
    std::vector<TrackRow> cells;  // ascending rows
};

struct Placement {
    int line = 0;
    int channel = 0;  // 0-based
    std::string track;
    int at = 0;          // first row
    int transpose = 0;   // semitones added to every note
    bool once = false;   // false: the track repeats until the pattern ends
    bool merge = false;  // false: the rows covered are cleared first; true: only non-empty fields overwrite
    double scale = 1.0;  // volume factor: notes get a set-volume of their volume times it
    int pan = -1;        // 0..255: notes with an instrument and no effect get 8xx; -1 = none
    int delay = 0;       // 1..15: notes without an effect get EDx, sounding x ticks late; 0 = none
};

struct PatternSource {
    int line = 0;
    std::string name;
    int rows = 64;
    std::vector<Placement> placements;  // later placements overwrite earlier ones
};

struct SongSource {
    std::string title;
    int channels = 8;
    int speed = 6;
    int bpm = 125;
    int restart = 0;
    bool linear = true;
    std::vector<InstrumentSource> instruments;  // ascending slot numbers
    std::vector<Track> tracks;
    std::vector<PatternSource> patterns;  // pattern number = index
    std::vector<std::string> order;
    int orderLine = 0;
};

}  // namespace xmcompile
