// Cases for the file layouts the loader reads: compact headers, the older
// 1.02 and 1.03 layouts, instruments with more than 16 samples, 4-bit packed
// and 16-bit sample data. Each plays a melody whose notes, levels and lengths
// all depend on the file being read right.
#include "tests/peers/peer_cases.h"

using namespace peer;

namespace {

uint8_t note(int semitonesAboveC4) { return static_cast<uint8_t>(c4 + semitonesAboveC4); }

// Two instruments over three orders of two patterns of different lengths:
// an 8-bit looped tone and a 16-bit fading tone, notes every two rows.
XmModule twoPatternSong() {
    XmModule module = baseModule(loopedTone(), 2, 16);
    module.instruments.emplace_back().samples.push_back(fadingTone(8192, true));
    module.orders = {0, 1, 0};
    XmPattern& first = module.patterns[0];
    for (int row = 0; row < 16; row += 4) first.set(row, 0, {note(row / 2), 1, 0, 0, 0});
    first.set(2, 1, {note(-12), 2, 0, 0, 0});
    XmPattern& second = module.patterns.emplace_back();
    second.rows = 8;
    second.set(0, 0, {note(7), 1, 0x30, 0, 0});
    second.set(4, 1, {note(-5), 2, 0, 0, 0});
    second.set(6, 0, {keyOff, 0, 0, 0, 0});
    return module;
}

}  // namespace

void addLoaderCases(std::vector<PeerCase>& cases) {
    {
        XmModule module = twoPatternSong();
        module.headerSize = 20 + 3;
        cases.push_back(make("compact-header", "a header that holds only the song's three orders", module));
    }
    for (uint16_t version : {0x0102, 0x0103}) {
        XmModule module = twoPatternSong();
        module.version = version;
        cases.push_back(make(version == 0x0102 ? "layout-1.02" : "layout-1.03",
                             "instruments before the patterns and the sample data after them"
                             " (1.02: the short pattern header)",
                             module));
    }
    {
        // Sample j sounds j semitones above C-4 at 64 - 2j volume; note 49 + j
        // maps to it.
        XmModule module = baseModule(loopedTone(), 1, 32);
        XmInstrument& instrument = module.instruments[0];
        instrument.samples.clear();
        for (int j = 0; j < 24; ++j) {
            XmSample sample = loopedTone();
            sample.relativeNote = static_cast<int8_t>(j);
            sample.volume = static_cast<uint8_t>(64 - 2 * j);
            instrument.samples.push_back(sample);
        }
        instrument.sampleMap.assign(96, 0);
        for (int j = 0; j < 24; ++j) instrument.sampleMap[static_cast<size_t>(48 + j)] = static_cast<uint8_t>(j);
        const int played[] = {0, 5, 15, 16, 17, 20, 23, 2};
        for (int k = 0; k < 8; ++k) module.patterns[0].set(4 * k, 0, {note(played[k]), 1, 0, 0, 0});
        cases.push_back(make("samples-beyond-16", "an instrument of 24 samples plays its 17th to 24th", module));

        // A map entry naming a slot the instrument does not fill.
        instrument.samples.resize(2);
        cases.push_back(
            playersDisagree(make("map-entry-missing-sample", "map entries naming samples the instrument lacks", module),
                            "xmp plays nothing, openmpt123 plays the first sample; ours plays nothing"));
    }
    {
        XmModule module = baseModule(fadingTone(6000), 1, 16);
        XmSample& packed = module.instruments[0].samples[0];
        packed.packed4Bit = true;
        module.instruments.emplace_back().samples.push_back(loopedTone());  // read after the packed data
        XmPattern& pattern = module.patterns[0];
        pattern.set(0, 0, {c4, 1, 0, 0, 0});
        pattern.set(4, 0, {note(7), 1, 0, 0, 0});
        pattern.set(8, 0, {note(-5), 2, 0, 0, 0});
        pattern.set(12, 0, {note(12), 1, 0, 0, 0});
        cases.push_back(make("packed-4-bit", "4-bit packed sample data and the sample after it", module));
    }
    {
        XmModule module = baseModule(fadingTone(6000, true), 1, 16);
        XmSample& sample = module.instruments[0].samples[0];
        for (size_t f = 0; f < sample.pcm.size(); f += 2) sample.pcm[f] = static_cast<int16_t>(-sample.pcm[f]);
        XmPattern& pattern = module.patterns[0];
        for (int row = 0; row < 16; row += 4) pattern.set(row, 0, {note(row - 12), 1, 0, 0, 0});
        cases.push_back(make("sixteen-bit-data", "full-scale 16-bit data whose deltas wrap", module));
    }
}
