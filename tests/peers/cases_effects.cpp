// Cases for the effect families: one module per family.
#include "tests/peers/peer_cases.h"

using namespace peer;

namespace {

uint8_t note(int semitonesAboveC4) { return static_cast<uint8_t>(c4 + semitonesAboveC4); }

// A sample whose loudness rises over its loop, so that the way the loop is
// played (forward or back and forth) shows in the loudness.
XmSample rampLoop(XmLoop loop, bool sixteenBit) {
    XmSample sample;
    sample.sixteenBit = sixteenBit;
    const double top = sixteenBit ? 30000 : 120;
    for (int f = 0; f < 2048; ++f) {
        const double level = f < 1024 ? top : top * (0.1 + 0.9 * (f - 1024) / 1024.0);
        sample.pcm.push_back(static_cast<int16_t>(f % 16 < 8 ? level : -level));
    }
    sample.loop = loop;
    sample.loopStart = 1024;
    sample.loopLength = 1024;
    return sample;
}

// Fills rows [from, to) of channel 0 with the effect and parameter (no note).
void hold(XmPattern& pattern, int from, int to, uint8_t effect, uint8_t param = 0) {
    for (int row = from; row < to; ++row) pattern.set(row, 0, {0, 0, 0, effect, param});
}

}  // namespace

void addEffectCases(std::vector<PeerCase>& cases) {
    for (bool linear : {true, false}) {
        XmModule module = baseModule(loopedTone());
        module.linearFrequencies = linear;
        module.bpm = 80;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 1, 0x06});
        hold(pattern, 1, 4, 1);
        pattern.set(4, 0, {note(12), 1, 0, 2, 0x0A});
        hold(pattern, 5, 8, 2);
        pattern.set(8, 0, {c4, 1, 0, 0, 0});
        pattern.set(9, 0, {note(7), 0, 0, 3, 0x10});
        hold(pattern, 10, 12, 3);
        pattern.set(12, 0, {note(-5), 0, 0, 3, 0x08});
        hold(pattern, 13, 16, 3);
        cases.push_back(
            make(linear ? "portamento-linear" : "portamento-amiga",
                 std::string("1xx, 2xx and 3xx with their memories in the ") + (linear ? "linear" : "Amiga") + " table",
                 module));
    }
    {
        XmModule module = baseModule(loopedTone());
        module.bpm = 80;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(2, 0, {note(12), 0, 0, 3, 0x0C});
        pattern.set(3, 0, {0, 0, 0, 5, 0x03});
        hold(pattern, 4, 7, 5);
        pattern.set(8, 0, {c4, 0, 0, 5, 0x40});
        hold(pattern, 9, 12, 5);
        cases.push_back(make("porta-volume-slide", "5xy: tone portamento with a volume slide, memories", module));
    }
    {
        XmModule module = baseModule(loopedTone(), 1, 8);
        module.bpm = 48;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 4, 0x4F});
        hold(pattern, 1, 4, 4);
        pattern.set(4, 0, {0, 0, 0, 4, 0x83});
        hold(pattern, 5, 8, 4);
        cases.push_back(make("vibrato", "4xy in the linear table, with its memories", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        module.bpm = 80;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 4, 0x6C});
        pattern.set(2, 0, {0, 0, 0, 6, 0x02});
        hold(pattern, 3, 6, 6);
        pattern.set(8, 0, {0, 0, 0, 6, 0x30});
        hold(pattern, 9, 12, 4);
        cases.push_back(make("vibrato-volume-slide", "6xy: vibrato carried on with a volume slide", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0x30, 7, 0x4C});
        hold(pattern, 1, 6, 7);
        pattern.set(8, 0, {c4, 1, 0, 7, 0x88});
        hold(pattern, 9, 14, 7);
        cases.push_back(make("tremolo", "7xy on a held note, and the volume after it", module));
    }
    for (bool tremolo : {false, true}) {
        XmModule module = baseModule(loopedTone(), 1, 24);
        module.bpm = 80;
        XmPattern& pattern = module.patterns[0];
        const uint8_t effect = tremolo ? 7 : 4;
        const uint8_t selector = tremolo ? 0x70 : 0x40;
        // Vibrato: ramp, square, then the sine again; tremolo: square, then the sine again.
        // (Waveform 3 is left out: openmpt123 plays it as random values.)
        const uint8_t waves[3] = {static_cast<uint8_t>(tremolo ? 2 : 1), 2, 0};
        for (int block = 0; block < 3; ++block) {
            const int row = block * 8;
            pattern.set(row, 0, {0, 0, 0, 0xE, static_cast<uint8_t>(selector | waves[block])});
            pattern.set(row + 1, 0, {c4, 1, static_cast<uint8_t>(tremolo ? 0x30 : 0), effect, 0x4C});
            hold(pattern, row + 2, row + 7, effect);
        }
        PeerCase peerCase = make(tremolo ? "tremolo-waveforms" : "vibrato-waveforms",
                                 std::string(tremolo ? "E7x" : "E4x") + ": the other waveforms", module);
        cases.push_back(tremolo ? peerCase : peerCase);
    }
    {
        XmModule module = baseModule(loopedTone(), 1, 16);
        module.bpm = 80;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {0, 0, 0, 0xE, 0x71});
        pattern.set(1, 0, {c4, 1, 0x30, 7, 0x4C});
        hold(pattern, 2, 8, 7);
        cases.push_back(playersDisagree(make("tremolo-ramp", "E71: the tremolo's ramp waveform", module),
                                        "xmp ramps up where openmpt123 ramps down; ours is kept"));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 8, 0x00});
        pattern.set(2, 0, {0, 0, 0, 8, 0xFF});
        pattern.set(4, 0, {0, 0, 0, 0xE, 0x84});
        pattern.set(6, 0, {0, 0, 0, 0xE, 0x80});
        pattern.set(8, 0, {note(2), 1, 0, 0, 0});
        pattern.set(10, 0, {0, 0, 0, 8, 0x40});
        pattern.set(12, 0, {note(4), 1, 0, 0xE, 0x88});
        cases.push_back(make("panning", "8xx and E8x, and a new note taking the sample's panning", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, fx('P'), 0x40});
        hold(pattern, 1, 4, fx('P'));
        pattern.set(4, 0, {0, 0, 0, fx('P'), 0x08});
        hold(pattern, 5, 12, fx('P'));
        cases.push_back(playersDisagree(make("panning-slide", "Pxy with its memory", module),
                                        "xmp slides Pxy the other way from openmpt123; ours slides as openmpt123"));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0x50, 0, 0});
        pattern.set(1, 0, {0, 0, 0x63, 0, 0});
        pattern.set(2, 0, {0, 0, 0x63, 0, 0});
        pattern.set(3, 0, {0, 0, 0x20, 0, 0});
        pattern.set(4, 0, {0, 0, 0x74, 0, 0});
        pattern.set(5, 0, {0, 0, 0x74, 0, 0});
        pattern.set(6, 0, {0, 0, 0x8F, 0, 0});
        pattern.set(7, 0, {0, 0, 0x8F, 0, 0});
        pattern.set(8, 0, {0, 0, 0x9A, 0, 0});
        pattern.set(9, 0, {0, 0, 0x38, 0, 0});
        pattern.set(10, 0, {0, 0, 0x98, 0, 0});
        pattern.set(11, 0, {0, 0, 0x55, 0, 0});
        cases.push_back(make("volume-column-volume", "volume column: set volume, slides and fine slides", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0xC0, 0, 0});
        pattern.set(1, 0, {0, 0, 0xE8, 0, 0});
        pattern.set(2, 0, {0, 0, 0xEF, 0, 0});
        pattern.set(3, 0, {0, 0, 0xCF, 0, 0});
        pattern.set(4, 0, {0, 0, 0xD8, 0, 0});
        pattern.set(5, 0, {0, 0, 0xD8, 0, 0});
        pattern.set(6, 0, {0, 0, 0xC8, 0, 0});
        pattern.set(8, 0, {note(7), 0, 0, 0, 0});
        pattern.set(10, 0, {0, 0, 0xF2, 0, 0});
        pattern.set(11, 0, {0, 0, 0xF0, 0, 0});
        pattern.set(12, 0, {note(-5), 0, 0xF0, 0, 0});
        hold(pattern, 13, 15, 0);
        cases.push_back(make("volume-column-panning-porta",
                             "volume column: panning, panning slides, tone portamento toward a note given "
                             "earlier",
                             module));
    }
    {
        XmModule module = baseModule(loopedTone());
        module.bpm = 80;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0xA6, 0, 0});
        pattern.set(1, 0, {0, 0, 0xBC, 0, 0});
        pattern.set(2, 0, {0, 0, 0xBC, 0, 0});
        pattern.set(3, 0, {0, 0, 0xB0, 0, 0});
        cases.push_back(playersDisagree(make("volume-column-vibrato", "volume column: vibrato speed and depth", module),
                                        "xmp swings the other way from openmpt123; ours swings as openmpt123"));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, fx('A'), 0x03});
        hold(pattern, 1, 3, fx('A'));
        pattern.set(4, 0, {0, 0, 0, fx('A'), 0x20});
        hold(pattern, 5, 7, fx('A'));
        pattern.set(8, 0, {0, 0, 0, fx('A'), 0x4F});
        pattern.set(10, 0, {0, 0, 0, fx('C'), 0x30});
        pattern.set(11, 0, {0, 0, 0, fx('A'), 0x0F});
        pattern.set(12, 0, {0, 0, 0, fx('C'), 0x30});
        pattern.set(13, 0, {0, 0, 0, fx('A'), 0xF0});
        cases.push_back(make("volume-slide", "Axy up and down, memory, both nibbles set", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmInstrument& instrument = module.instruments[0];
        instrument.volumeEnvelope.points = {{0, 64}, {4, 40}, {8, 48}, {30, 0}};
        instrument.volumeEnvelope.on = true;
        instrument.volumeEnvelope.sustain = true;
        instrument.volumeEnvelope.sustainPoint = 2;
        instrument.fadeout = 0x400;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(3, 0, {0, 0, 0, fx('K'), 0x00});
        pattern.set(6, 0, {note(2), 1, 0, 0, 0});
        pattern.set(9, 0, {0, 0, 0, fx('K'), 0x03});
        pattern.set(12, 0, {note(4), 1, 0, 0, 0});
        pattern.set(14, 0, {keyOff, 0, 0, 0, 0});
        cases.push_back(make("key-off-effect", "Kxx with and without a tick, against a key-off note", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmInstrument& instrument = module.instruments[0];
        instrument.volumeEnvelope.points = {{0, 0}, {3, 64}, {6, 20}, {9, 48}, {12, 10}, {20, 30}};
        instrument.volumeEnvelope.on = true;
        instrument.volumeEnvelope.loop = true;
        instrument.volumeEnvelope.loopStart = 2;
        instrument.volumeEnvelope.loopEnd = 4;
        instrument.volumeEnvelope.sustain = true;
        instrument.volumeEnvelope.sustainPoint = 1;
        instrument.fadeout = 0x300;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(4, 0, {keyOff, 0, 0, 0, 0});
        pattern.set(10, 0, {note(3), 1, 0, 0, 0});
        pattern.set(11, 0, {0, 0, 0, fx('L'), 0x0A});
        pattern.set(14, 0, {keyOff, 0, 0, 0, 0});
        cases.push_back(make("volume-envelope", "volume envelope: sustain, loop, key-off, fadeout and Lxx", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmInstrument& instrument = module.instruments[0];
        instrument.panningEnvelope.points = {{0, 32}, {10, 0}, {20, 64}, {30, 32}};
        instrument.panningEnvelope.on = true;
        instrument.panningEnvelope.sustain = true;
        instrument.panningEnvelope.sustainPoint = 2;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(6, 0, {keyOff, 0, 0, 0, 0});
        pattern.set(10, 0, {note(2), 1, 0, 8, 0x40});
        cases.push_back(
            make("panning-envelope", "panning envelope with sustain, at the centre and off centre", module));
    }
    {
        XmModule module = baseModule(loopedTone(), 1, 16);
        module.bpm = 80;
        XmInstrument& instrument = module.instruments[0];
        instrument.vibratoType = 0;
        instrument.vibratoSweep = 8;
        instrument.vibratoDepth = 12;
        instrument.vibratoRate = 16;
        XmInstrument& square = module.instruments.emplace_back(instrument);
        square.vibratoType = 1;
        square.vibratoSweep = 0;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(8, 0, {c4, 2, 0, 0, 0});
        cases.push_back(
            playersDisagree(make("auto-vibrato", "the instrument's auto-vibrato: sine with sweep, square", module),
                            "openmpt123 swings up first, xmp down; ours swings up"));
    }
    {
        XmModule module = baseModule(fadingTone(4096));
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, fx('R'), 0x03});
        pattern.set(2, 0, {c4, 1, 0, fx('R'), 0x82});
        pattern.set(3, 0, {0, 0, 0, fx('R'), 0x00});
        pattern.set(5, 0, {c4, 1, 0x30, fx('R'), 0xA4});
        pattern.set(8, 0, {c4, 1, 0, 0xE, 0x92});
        pattern.set(10, 0, {c4, 1, 0, 0xE, 0xC3});
        pattern.set(12, 0, {c4, 1, 0, 0xE, 0xD3});
        pattern.set(14, 0, {c4, 1, 0, 0xE, 0xC9});
        cases.push_back(
            make("retrigger-cut-delay", "Rxy with volume changes, E9x, ECx and EDx on their ticks", module));
    }
    {
        XmModule module = baseModule(loopedTone(), 2, 16);
        module.orders = {0, 1, 2, 3, 2};
        XmPattern& first = module.patterns[0];
        first.set(0, 0, {c4, 1, 0, 0, 0});
        first.set(4, 1, {0, 0, 0, 0xE, 0xE2});
        first.set(6, 0, {note(2), 1, 0, 0xE, 0x60});
        first.set(8, 0, {note(4), 1, 0, 0xE, 0x62});
        first.set(10, 1, {0, 0, 0, fx('D'), 0x04});
        XmPattern& second = module.patterns.emplace_back();
        second.rows = 8;
        for (int row = 0; row < 8; ++row) second.set(row, 0, {note(5 + row), 1, 0, 0, 0});
        second.set(5, 1, {0, 0, 0, fx('B'), 0x03});
        XmPattern& third = module.patterns.emplace_back();
        third.rows = 8;
        third.set(0, 0, {note(-7), 1, 0, 0, 0});
        XmPattern& fourth = module.patterns.emplace_back();
        fourth.rows = 8;
        fourth.set(0, 0, {note(-5), 1, 0, 0xF, 0x03});
        fourth.set(4, 0, {note(-3), 1, 0, 0xF, 0x60});
        fourth.set(6, 1, {0, 0, 0, fx('D'), 0x03});
        cases.push_back(make("song-flow", "EEx, E6x, Dxx, Bxx and Fxx: timing and order", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0xE, 0x13});
        pattern.set(1, 0, {0, 0, 0, 0xE, 0x10});
        pattern.set(2, 0, {0, 0, 0, 0xE, 0x10});
        pattern.set(4, 0, {0, 0, 0, 0xE, 0x2F});
        pattern.set(5, 0, {0, 0, 0, 0xE, 0x20});
        pattern.set(8, 0, {c4, 1, 0, fx('X'), 0x1F});
        for (int row = 9; row < 12; ++row) pattern.set(row, 0, {0, 0, 0, fx('X'), 0x1F});
        pattern.set(12, 0, {0, 0, 0, fx('X'), 0x2A});
        for (int row = 13; row < 16; ++row) pattern.set(row, 0, {0, 0, 0, fx('X'), 0x2A});
        cases.push_back(make("fine-portamento", "E1x and E2x with their memories, X1x and X2x", module));
    }
    {
        XmModule module = baseModule(loopedTone());
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, fx('X'), 0x1F});
        for (int row = 1; row < 6; ++row) pattern.set(row, 0, {0, 0, 0, fx('X'), 0x10});
        pattern.set(8, 0, {0, 0, 0, fx('X'), 0x2F});
        for (int row = 9; row < 14; ++row) pattern.set(row, 0, {0, 0, 0, fx('X'), 0x20});
        cases.push_back(
            playersDisagree(make("extra-fine-portamento-memory", "X10 and X20 replay their memories", module),
                            "xmp ignores X10, openmpt123 replays it; ours replays it"));
    }
    for (XmLoop loop : {XmLoop::forward, XmLoop::pingPong}) {
        for (bool sixteenBit : {false, true}) {
            XmModule module = baseModule(rampLoop(loop, sixteenBit), 1, 8);
            XmPattern& pattern = module.patterns[0];
            pattern.set(0, 0, {note(-12), 1, 0, 0, 0});
            pattern.set(4, 0, {note(-10), 1, 0, 0, 0});
            cases.push_back(make(std::string(loop == XmLoop::forward ? "loop-forward" : "loop-ping-pong") +
                                     (sixteenBit ? "-16-bit" : "-8-bit"),
                                 "a looped sample played through its loop many times", module));
        }
    }
    {
        XmModule module = baseModule(fadingTone(8192));
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 9, 0x08});
        pattern.set(3, 0, {c4, 1, 0, 9, 0x00});
        pattern.set(6, 0, {0, 0, 0, 9, 0x10});
        pattern.set(8, 0, {c4, 1, 0, 0, 0});
        pattern.set(11, 0, {c4, 0, 0, 9, 0x18});
        cases.push_back(make("sample-offset", "9xx: offsets, memory, and a 9xx without a note", module));
    }
    {
        XmSample sample = rampLoop(XmLoop::forward, false);
        sample.loopStart = 512;
        sample.loopLength = 512;  // the loop ends 1,024 frames before the data
        XmModule module = baseModule(sample, 1, 8);
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 9, 0x06});
        pattern.set(4, 0, {note(2), 1, 0, 9, 0x09});
        cases.push_back(playersDisagree(
            make("sample-offset-past-loop-end", "9xx past a loop's end but inside the sample's data", module),
            "xmp plays the note, openmpt123 plays nothing; ours plays nothing"));
    }
    {
        XmModule module = baseModule(loopedTone());
        module.linearFrequencies = false;
        module.bpm = 32;
        module.speed = 3;
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0x37});
        for (int row = 1; row < 6; ++row) pattern.set(row, 0, {0, 0, 0, 0, 0x37});
        cases.push_back(make("arpeggio-amiga", "arpeggio intervals in the Amiga table", module));
    }
}
