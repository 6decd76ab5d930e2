// Writes the fuzzers' seed modules: small files in each layout and with each
// feature the loader reads (versions 1.02 to 1.04, short headers, 4-bit packed
// data, crowded instruments), so the byte mutators start from every branch of
// it. The committed corpus is this program's output plus three older seeds:
//   fuzz_seeds tests/fuzz/corpus
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/xmwriter/xm_writer.h"

namespace {

std::vector<int16_t> wave(int frames, int amplitude, int period) {
    std::vector<int16_t> pcm;
    for (int i = 0; i < frames; ++i) pcm.push_back(static_cast<int16_t>(amplitude * std::sin(6.2831853 * i / period)));
    return pcm;
}

XmSample sample(bool sixteenBit, XmLoop loop, int frames) {
    XmSample s;
    s.sixteenBit = sixteenBit;
    s.pcm = wave(frames, sixteenBit ? 20000 : 100, 16);
    s.loop = loop;
    s.loopStart = loop == XmLoop::none ? 0 : static_cast<uint32_t>(frames / 4);
    s.loopLength = loop == XmLoop::none ? 0 : static_cast<uint32_t>(frames / 2);
    s.relativeNote = 3;
    s.finetune = -20;
    return s;
}

XmEnvelope envelope(bool sustain, bool loop) {
    XmEnvelope e;
    e.points = {{0, 64}, {8, 40}, {20, 50}, {40, 10}, {60, 0}};
    e.on = true;
    e.sustain = sustain;
    e.loop = loop;
    e.sustainPoint = 2;
    e.loopStart = 1;
    e.loopEnd = 3;
    return e;
}

// A pattern that plays notes on every channel with a spread of effects and
// volume-column commands.
XmPattern busyPattern(int channels, int rows, int instruments) {
    static const uint8_t effects[][2] = {{0x0, 0x37},  {0x1, 0x08},  {0x2, 0x08},  {0x3, 0x10},  {0x4, 0x46},
                                         {0x5, 0x20},  {0x6, 0x02},  {0x7, 0x35},  {0x8, 0x80},  {0x9, 0x04},
                                         {0xA, 0x0F},  {0xC, 0x30},  {0xE, 0x91},  {0xE, 0xC2},  {0xE, 0xD1},
                                         {0xF, 0x03},  {0x10, 0x20}, {0x11, 0x1F}, {0x14, 0x04}, {0x15, 0x10},
                                         {0x19, 0x2F}, {0x1B, 0x31}, {0x1D, 0x21}, {0x21, 0x13}, {0x21, 0x23}};
    static const uint8_t volumes[] = {0x30, 0x60, 0x75, 0x82, 0x94, 0xA4, 0xB8, 0xC8, 0xD2, 0xE3, 0xF4};
    XmPattern p;
    p.rows = static_cast<uint16_t>(rows);
    int k = 0;
    for (int row = 0; row < rows; row += 2) {
        for (int channel = 0; channel < channels; ++channel, ++k) {
            XmCell cell;
            cell.note = static_cast<uint8_t>(k % 5 == 4 ? 97 : 25 + (k * 7) % 60);
            cell.instrument = static_cast<uint8_t>(1 + k % instruments);
            const size_t at = static_cast<size_t>(k);
            cell.volume = volumes[at % std::size(volumes)];
            cell.effect = effects[at % std::size(effects)][0];
            cell.param = effects[at % std::size(effects)][1];
            p.set(row, channel, cell);
        }
    }
    return p;
}

XmInstrument instrument(std::vector<XmSample> samples) {
    XmInstrument i;
    i.samples = std::move(samples);
    if (i.samples.size() > 1) {
        i.sampleMap.resize(96);
        for (size_t n = 0; n < 96; ++n) i.sampleMap[n] = static_cast<uint8_t>(n * i.samples.size() / 96);
    }
    i.volumeEnvelope = envelope(true, true);
    i.panningEnvelope = envelope(false, true);
    i.vibratoType = 1;
    i.vibratoSweep = 10;
    i.vibratoDepth = 4;
    i.vibratoRate = 20;
    i.fadeout = 800;
    return i;
}

struct Seed {
    std::string name;
    XmModule module;
};

std::vector<Seed> seeds() {
    std::vector<Seed> all;
    {
        // Four channels, packed cells, 8- and 16-bit samples with every loop kind.
        XmModule m;
        m.channels = 4;
        m.orders = {0, 1, 0};
        m.patterns = {busyPattern(4, 32, 3), busyPattern(4, 16, 3)};
        m.instruments = {instrument({sample(false, XmLoop::none, 64)}),
                         instrument({sample(true, XmLoop::forward, 48), sample(false, XmLoop::pingPong, 40)}),
                         instrument({sample(true, XmLoop::pingPong, 32)})};
        all.push_back({"layout-104-packed.xm", m});
    }
    {
        // The same with unpacked cells and the Amiga frequency table.
        XmModule m = all.back().module;
        for (XmPattern& p : m.patterns) p.packed = false;
        m.linearFrequencies = false;
        all.push_back({"layout-104-unpacked-amiga.xm", m});
    }
    {
        // More than 32 channels, a restart position, speed and tempo at their ends.
        XmModule m;
        m.channels = 36;
        m.orders = {0, 0};
        m.restartPosition = 1;
        m.speed = 31;
        m.bpm = 255;
        m.patterns = {busyPattern(36, 4, 1)};
        m.instruments = {instrument({sample(false, XmLoop::forward, 16)})};
        all.push_back({"layout-36-channels.xm", m});
    }
    {
        // Patterns of 1, 0 and 256 rows; an instrument with no samples; an
        // order naming a pattern that is not stored.
        XmModule m;
        m.channels = 2;
        m.orders = {0, 1, 2, 3};
        XmPattern one;
        one.rows = 1;
        one.set(0, 0, {49, 1, 0x40, 0xD, 0x10});
        XmPattern none;
        none.rows = 0;
        XmPattern tall;
        tall.rows = 256;
        tall.set(255, 1, {60, 2, 0, 0xB, 0x00});
        m.patterns = {one, none, tall};
        m.instruments = {XmInstrument{}, instrument({sample(true, XmLoop::none, 20)})};
        all.push_back({"layout-odd-patterns.xm", m});
    }
    {
        // Short headers: the module header, an instrument header and a
        // pattern header cut below their usual sizes.
        XmModule m;
        m.channels = 2;
        m.orders = {0};
        m.patterns = {busyPattern(2, 8, 1)};
        m.patterns[0].storedHeaderLength = 7;
        m.instruments = {instrument({sample(false, XmLoop::forward, 24)})};
        m.instruments[0].headerSize = 48;
        m.headerSize = 20 + 16;
        all.push_back({"layout-short-headers.xm", m});
    }
    {
        // Stored sizes that overstate what follows, and a file cut short.
        XmModule m = all[0].module;
        m.instruments[1].samples[0].storedLength = 100000;
        m.instruments[2].samples[0].storedLoopStart = 4000;
        m.truncateTo = 900;
        all.push_back({"layout-overstated-truncated.xm", m});
    }
    {
        // Pattern loops, breaks, jumps and delays that revisit rows.
        XmModule m;
        m.channels = 3;
        m.orders = {0, 1};
        XmPattern a;
        a.rows = 16;
        a.set(0, 0, {49, 1, 0, 0xE, 0x60});
        a.set(3, 0, {0, 0, 0, 0xE, 0x62});
        a.set(5, 1, {52, 1, 0, 0xE, 0xE2});
        a.set(8, 2, {0, 0, 0, 0xD, 0x04});
        XmPattern b;
        b.rows = 8;
        b.set(6, 0, {0, 0, 0, 0xB, 0x00});
        b.set(7, 1, {0, 0, 0, 0xE, 0x51});
        m.patterns = {a, b};
        m.instruments = {instrument({sample(true, XmLoop::forward, 40)})};
        all.push_back({"layout-loops-jumps.xm", m});
    }
    {
        // The older layouts: instruments and sample headers before the
        // patterns and all sample data after them; 1.02 also with the short
        // pattern header.
        for (uint16_t version : {0x0102, 0x0103}) {
            XmModule m = all[0].module;
            m.version = version;
            all.push_back({version == 0x0102 ? "layout-102.xm" : "layout-103.xm", m});
        }
    }
    {
        // 4-bit packed samples (forward and ping-pong loops, an odd frame
        // count), a 16-bit sample carrying the packed mark, and an instrument
        // with more samples than its 32 slots; in the 1.04 and 1.02 layouts.
        XmModule m;
        m.channels = 3;
        m.orders = {0, 1};
        m.patterns = {busyPattern(3, 16, 2), busyPattern(3, 8, 2)};
        XmSample packed = sample(false, XmLoop::forward, 40);
        packed.packed4Bit = true;
        XmSample odd = sample(false, XmLoop::pingPong, 33);
        odd.packed4Bit = true;
        XmSample marked = sample(true, XmLoop::none, 12);
        marked.storedReserved = 0xad;
        m.instruments = {instrument({packed, odd, marked})};
        std::vector<XmSample> crowd;
        for (int j = 0; j < 34; ++j) crowd.push_back(sample(j % 2 == 1, XmLoop::forward, 4 + j % 5));
        m.instruments.push_back(instrument(crowd));
        all.push_back({"layout-packed-crowded.xm", m});
        m.version = 0x0102;
        all.push_back({"layout-102-packed-crowded.xm", m});
    }
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    for (const Seed& seed : seeds()) {
        const std::string path = std::string(argv[1]) + "/" + seed.name;
        if (!writeXmFile(seed.module, path)) {
            std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
