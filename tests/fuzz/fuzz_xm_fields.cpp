// Fuzzes the player through modules that are well formed where it matters:
// the input bytes choose the fields of a module (channels, tempo, orders,
// pattern cells with every note, volume-column byte and effect, instruments
// with envelopes, vibrato and fadeout, samples of both widths with every loop
// kind), which the XM writer turns into a file for the loader. libFuzzer's
// mutations of these bytes thus change XM fields rather than break the
// layout, and reach the effects and the mixer far more often than mutated
// files do. Now and then a stored count or size is falsified as well.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/fuzz/fuzz_exercise.h"
#include "tools/xmwriter/xm_writer.h"

namespace {

XmEnvelope envelopeFrom(FuzzedDataProvider& in) {
    XmEnvelope envelope;
    const int points = in.ConsumeIntegralInRange(0, 13);
    uint16_t x = 0;
    for (int i = 0; i < points; ++i) {
        // Mostly rising ticks, sometimes equal or falling ones.
        x = static_cast<uint16_t>(in.ConsumeBool() ? x + in.ConsumeIntegralInRange(0, 40)
                                                   : in.ConsumeIntegral<uint16_t>());
        envelope.points.push_back({x, in.ConsumeIntegralInRange<uint16_t>(0, 70)});
    }
    envelope.on = in.ConsumeBool();
    envelope.sustain = in.ConsumeBool();
    envelope.loop = in.ConsumeBool();
    envelope.sustainPoint = in.ConsumeIntegralInRange<uint8_t>(0, 13);
    envelope.loopStart = in.ConsumeIntegralInRange<uint8_t>(0, 13);
    envelope.loopEnd = in.ConsumeIntegralInRange<uint8_t>(0, 13);
    if (in.ConsumeIntegralInRange(0, 15) == 0) envelope.storedPointCount = in.ConsumeIntegral<uint8_t>();
    return envelope;
}

XmSample sampleFrom(FuzzedDataProvider& in) {
    XmSample sample;
    sample.sixteenBit = in.ConsumeBool();
    const int length = in.ConsumeIntegralInRange(0, 96);
    for (int i = 0; i < length; ++i)
        sample.pcm.push_back(sample.sixteenBit ? in.ConsumeIntegral<int16_t>() : in.ConsumeIntegral<int8_t>());
    sample.loop = static_cast<XmLoop>(in.ConsumeIntegralInRange(0, 2));
    sample.loopStart = in.ConsumeIntegralInRange<uint32_t>(0, static_cast<uint32_t>(length) + 4);
    sample.loopLength = in.ConsumeIntegralInRange<uint32_t>(0, static_cast<uint32_t>(length) + 4);
    sample.volume = in.ConsumeIntegralInRange<uint8_t>(0, 80);
    sample.finetune = in.ConsumeIntegral<int8_t>();
    sample.panning = in.ConsumeIntegral<uint8_t>();
    sample.relativeNote = in.ConsumeIntegral<int8_t>();
    switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0: sample.storedLength = in.ConsumeIntegral<uint32_t>(); break;
        case 1: sample.storedLoopStart = in.ConsumeIntegral<uint32_t>(); break;
        case 2: sample.storedLoopLength = in.ConsumeIntegral<uint32_t>(); break;
        case 3: sample.storedType = in.ConsumeIntegral<uint8_t>(); break;
        default: break;
    }
    return sample;
}

XmInstrument instrumentFrom(FuzzedDataProvider& in) {
    XmInstrument instrument;
    const int samples = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < samples; ++i) instrument.samples.push_back(sampleFrom(in));
    if (in.ConsumeBool()) {
        instrument.sampleMap.resize(96);
        for (uint8_t& slot : instrument.sampleMap) slot = in.ConsumeIntegralInRange<uint8_t>(0, 17);
    }
    instrument.volumeEnvelope = envelopeFrom(in);
    instrument.panningEnvelope = envelopeFrom(in);
    instrument.vibratoType = in.ConsumeIntegralInRange<uint8_t>(0, 5);
    instrument.vibratoSweep = in.ConsumeIntegral<uint8_t>();
    instrument.vibratoDepth = in.ConsumeIntegral<uint8_t>();
    instrument.vibratoRate = in.ConsumeIntegral<uint8_t>();
    instrument.fadeout = in.ConsumeIntegral<uint16_t>();
    if (in.ConsumeIntegralInRange(0, 15) == 0)
        instrument.storedSampleCount = in.ConsumeIntegralInRange<uint16_t>(0, 300);
    return instrument;
}

XmModule moduleFrom(FuzzedDataProvider& in) {
    XmModule module;
    module.channels = in.ConsumeIntegralInRange<uint16_t>(0, 40);
    module.linearFrequencies = in.ConsumeBool();
    module.speed = in.ConsumeIntegralInRange<uint16_t>(0, 40);
    module.bpm = in.ConsumeIntegralInRange<uint16_t>(0, 300);
    const int patterns = in.ConsumeIntegralInRange(0, 4);
    const int orders = in.ConsumeIntegralInRange(0, 8);
    module.orders.clear();
    for (int i = 0; i < orders; ++i) module.orders.push_back(in.ConsumeIntegralInRange<uint8_t>(0, 5));
    module.restartPosition = in.ConsumeIntegralInRange<uint16_t>(0, 10);
    const int instruments = in.ConsumeIntegralInRange(0, 4);
    for (int p = 0; p < patterns; ++p) {
        XmPattern& pattern = module.patterns.emplace_back();
        pattern.rows = in.ConsumeIntegralInRange<uint16_t>(0, 300);
        pattern.packed = in.ConsumeBool();
        const int cells = in.ConsumeIntegralInRange(0, 48);
        for (int c = 0; c < cells; ++c) {
            const int row = in.ConsumeIntegralInRange(0, 70);
            const int channel = in.ConsumeIntegralInRange(0, 40);
            XmCell cell;
            cell.note = in.ConsumeIntegralInRange<uint8_t>(0, 100);
            cell.instrument = in.ConsumeIntegralInRange<uint8_t>(0, static_cast<uint8_t>(instruments + 1));
            cell.volume = in.ConsumeIntegral<uint8_t>();
            cell.effect = in.ConsumeIntegralInRange<uint8_t>(0, 36);
            cell.param = in.ConsumeIntegral<uint8_t>();
            pattern.set(row, channel, cell);
        }
    }
    for (int i = 0; i < instruments; ++i) module.instruments.push_back(instrumentFrom(in));
    switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0: module.storedPatternCount = in.ConsumeIntegral<uint16_t>(); break;
        case 1: module.storedInstrumentCount = in.ConsumeIntegral<uint16_t>(); break;
        case 2: module.storedSongLength = in.ConsumeIntegral<uint16_t>(); break;
        case 3: module.truncateTo = in.ConsumeIntegralInRange<size_t>(0, 4096); break;
        default: break;
    }
    return module;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::vector<uint8_t> bytes = writeXm(moduleFrom(in));
    // To keep an input that broke the engine as an XM file for the
    // regression folder: TAVORLY_FUZZ_WRITE_XM=FILE fuzz_xm_fields INPUT.
    static const char* keep = std::getenv("TAVORLY_FUZZ_WRITE_XM");
    if (keep != nullptr) {
        if (FILE* file = std::fopen(keep, "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    }
    exerciseModuleBytes(bytes.data(), bytes.size(), true);
    return 0;
}
