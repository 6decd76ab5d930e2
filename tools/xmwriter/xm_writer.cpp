// Lays an XmModule out as an XM file: the 60-byte preamble, the header from
// offset 60, then patterns and instruments in the order of the module's
// version (1.04: each pattern, then each instrument followed by its sample
// headers and data; 1.02 and 1.03: instruments and sample headers, patterns,
// then all sample data).
#include "tools/xmwriter/xm_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

class ByteSink {
public:
    explicit ByteSink(std::vector<uint8_t>& out) : out_(out) {}

    void u8(uint8_t value) { out_.push_back(value); }
    void u16(uint16_t value) {
        u8(static_cast<uint8_t>(value));
        u8(static_cast<uint8_t>(value >> 8));
    }
    void u32(uint32_t value) {
        u16(static_cast<uint16_t>(value));
        u16(static_cast<uint16_t>(value >> 16));
    }
    void bytes(const std::vector<uint8_t>& data) { out_.insert(out_.end(), data.begin(), data.end()); }
    // The text cut or padded with zeros to exactly `size` bytes.
    void text(const std::string& value, size_t size) {
        for (size_t i = 0; i < size; ++i) u8(i < value.size() ? static_cast<uint8_t>(value[i]) : 0);
    }

private:
    std::vector<uint8_t>& out_;
};

// Cuts or zero-pads `block` to `size` bytes and appends it.
void appendSized(std::vector<uint8_t>& out, std::vector<uint8_t> block, uint32_t size) {
    block.resize(size, 0);
    out.insert(out.end(), block.begin(), block.end());
}

void patchU32(std::vector<uint8_t>& block, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> encodeCells(const XmPattern& pattern, uint16_t channels) {
    std::vector<uint8_t> out;
    for (int row = 0; row < pattern.rows; ++row) {
        for (int channel = 0; channel < channels; ++channel) {
            XmCell cell{};
            if (auto found = pattern.cells.find({row, channel}); found != pattern.cells.end()) cell = found->second;
            const uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.param};
            // A note with bit 7 set would read as a mask byte, so such a cell
            // is always written packed.
            const bool allPresent = std::all_of(fields, fields + 5, [](uint8_t f) { return f != 0; });
            if (cell.note < 0x80 && (allPresent || !pattern.packed)) {
                out.insert(out.end(), fields, fields + 5);
                continue;
            }
            uint8_t mask = 0x80;
            for (int i = 0; i < 5; ++i)
                if (fields[i] != 0) mask |= static_cast<uint8_t>(1 << i);
            out.push_back(mask);
            for (int i = 0; i < 5; ++i)
                if (fields[i] != 0) out.push_back(fields[i]);
        }
    }
    return out;
}

// Version 1.02 stores the row count less one in a single byte (8-byte
// header); later versions store it in two bytes (9-byte header).
void writePattern(std::vector<uint8_t>& out, const XmPattern& pattern, uint16_t channels, uint16_t version) {
    const std::vector<uint8_t> data = pattern.rawData ? *pattern.rawData : encodeCells(pattern, channels);
    const bool shortHeader = version <= 0x0102;
    ByteSink sink(out);
    sink.u32(pattern.storedHeaderLength.value_or(shortHeader ? 8 : 9));
    sink.u8(pattern.storedPackingType.value_or(0));
    if (shortHeader)
        sink.u8(static_cast<uint8_t>(pattern.rows - 1));
    else
        sink.u16(pattern.rows);
    sink.u16(pattern.storedPackedSize.value_or(static_cast<uint16_t>(data.size())));
    sink.bytes(data);
}

uint32_t bytesPerFrame(const XmSample& sample) { return sample.sixteenBit ? 2 : 1; }

constexpr uint8_t packed4BitMarker = 0xad;
constexpr size_t packedDeltaCount = 16;

// The 4-bit index whose delta brings `value` nearest to `target` (the first
// such index on a tie), with 8-bit wrap-around as the decoder has it.
uint8_t nearestDelta(const std::array<int8_t, 16>& deltas, int8_t value, int8_t target) {
    uint8_t best = 0;
    int bestDistance = 1 << 16;
    for (uint8_t i = 0; i < packedDeltaCount; ++i) {
        const auto next = static_cast<int8_t>(value + deltas[i]);
        const int distance = std::abs(next - target);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<uint8_t> encodePacked4Bit(const XmSample& sample) {
    std::vector<uint8_t> out;
    for (int8_t delta : sample.packedDeltas) out.push_back(static_cast<uint8_t>(delta));
    int8_t value = 0;
    for (size_t k = 0; k < sample.pcm.size(); ++k) {
        const uint8_t index = nearestDelta(sample.packedDeltas, value, static_cast<int8_t>(sample.pcm[k]));
        value = static_cast<int8_t>(value + sample.packedDeltas[index]);
        if (k % 2 == 0)
            out.push_back(index);
        else
            out.back() = static_cast<uint8_t>(out.back() | index << 4);
    }
    return out;
}

std::vector<uint8_t> encodeSampleData(const XmSample& sample) {
    if (sample.rawData) return *sample.rawData;
    if (sample.packed4Bit) return encodePacked4Bit(sample);
    std::vector<uint8_t> out;
    out.reserve(sample.pcm.size() * bytesPerFrame(sample));
    if (sample.sixteenBit) {
        int16_t previous = 0;
        for (int16_t frame : sample.pcm) {
            const auto delta = static_cast<uint16_t>(frame - previous);
            out.push_back(static_cast<uint8_t>(delta));
            out.push_back(static_cast<uint8_t>(delta >> 8));
            previous = frame;
        }
    } else {
        int8_t previous = 0;
        for (int16_t value : sample.pcm) {
            const auto frame = static_cast<int8_t>(value);
            out.push_back(static_cast<uint8_t>(frame - previous));
            previous = frame;
        }
    }
    return out;
}

void writeSampleHeader(std::vector<uint8_t>& out, const XmSample& sample, size_t dataBytes) {
    const uint32_t width = bytesPerFrame(sample);
    const bool looped = sample.loop != XmLoop::none;
    uint8_t type = static_cast<uint8_t>(sample.loop);
    if (sample.sixteenBit) type |= 0x10;
    // Packed data stores its frame count: the pcm's, or two frames for every
    // raw byte after the deltas.
    uint32_t length = static_cast<uint32_t>(dataBytes);
    if (sample.packed4Bit)
        length = sample.rawData
                     ? static_cast<uint32_t>(dataBytes > packedDeltaCount ? (dataBytes - packedDeltaCount) * 2 : 0)
                     : static_cast<uint32_t>(sample.pcm.size());
    ByteSink sink(out);
    sink.u32(sample.storedLength.value_or(length));
    sink.u32(sample.storedLoopStart.value_or(looped ? sample.loopStart * width : 0));
    sink.u32(sample.storedLoopLength.value_or(looped ? sample.loopLength * width : 0));
    sink.u8(sample.volume);
    sink.u8(static_cast<uint8_t>(sample.finetune));
    sink.u8(sample.storedType.value_or(type));
    sink.u8(sample.panning);
    sink.u8(static_cast<uint8_t>(sample.relativeNote));
    sink.u8(sample.storedReserved.value_or(sample.packed4Bit ? packed4BitMarker : 0));
    sink.text(sample.name, 22);
}

void writeEnvelopePoints(ByteSink& sink, const XmEnvelope& envelope) {
    for (size_t i = 0; i < 12; ++i) {
        const XmEnvelopePoint point = i < envelope.points.size() ? envelope.points[i] : XmEnvelopePoint{};
        sink.u16(point.x);
        sink.u16(point.y);
    }
}

uint8_t envelopePointCount(const XmEnvelope& envelope) {
    return envelope.storedPointCount.value_or(static_cast<uint8_t>(std::min<size_t>(envelope.points.size(), 12)));
}

uint8_t envelopeFlags(const XmEnvelope& envelope) {
    const int flags = (envelope.on ? 1 : 0) | (envelope.sustain ? 2 : 0) | (envelope.loop ? 4 : 0);
    return envelope.storedFlags.value_or(static_cast<uint8_t>(flags));
}

// Writes the instrument header and its sample headers and returns the sample
// data, which the caller places after them (1.04) or after the patterns.
std::vector<uint8_t> writeInstrument(std::vector<uint8_t>& out, const XmInstrument& instrument) {
    // The full 263-byte header image, cut or padded to headerSize afterwards.
    std::vector<uint8_t> header;
    ByteSink sink(header);
    sink.u32(0);  // size, patched below
    sink.text(instrument.name, 22);
    sink.u8(instrument.type);
    sink.u16(instrument.storedSampleCount.value_or(static_cast<uint16_t>(instrument.samples.size())));
    sink.u32(instrument.storedSampleHeaderSize.value_or(40));
    for (size_t note = 0; note < 96; ++note)
        sink.u8(note < instrument.sampleMap.size() ? instrument.sampleMap[note] : 0);
    writeEnvelopePoints(sink, instrument.volumeEnvelope);
    writeEnvelopePoints(sink, instrument.panningEnvelope);
    const XmEnvelope& volume = instrument.volumeEnvelope;
    const XmEnvelope& panning = instrument.panningEnvelope;
    sink.u8(envelopePointCount(volume));
    sink.u8(envelopePointCount(panning));
    sink.u8(volume.sustainPoint);
    sink.u8(volume.loopStart);
    sink.u8(volume.loopEnd);
    sink.u8(panning.sustainPoint);
    sink.u8(panning.loopStart);
    sink.u8(panning.loopEnd);
    sink.u8(envelopeFlags(volume));
    sink.u8(envelopeFlags(panning));
    sink.u8(instrument.vibratoType);
    sink.u8(instrument.vibratoSweep);
    sink.u8(instrument.vibratoDepth);
    sink.u8(instrument.vibratoRate);
    sink.u16(instrument.fadeout);
    sink.text("", 22);  // reserved

    const uint32_t size = instrument.headerSize.value_or(instrument.samples.empty() ? 33 : 263);
    if (header.size() < 4) header.resize(4);
    patchU32(header, 0, instrument.storedHeaderSize.value_or(size));
    appendSized(out, std::move(header), size);

    std::vector<uint8_t> data;
    for (const XmSample& sample : instrument.samples) {
        const std::vector<uint8_t> bytes = encodeSampleData(sample);
        writeSampleHeader(out, sample, bytes.size());
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    return data;
}

}  // namespace

std::vector<uint8_t> writeXm(const XmModule& module) {
    std::vector<uint8_t> out;
    ByteSink sink(out);
    sink.text("Extended Module: ", 17);
    sink.text(module.name, 20);
    sink.u8(0x1a);
    sink.text(module.trackerName, 20);
    sink.u16(module.version);

    std::vector<uint8_t> header;
    ByteSink fields(header);
    const uint32_t headerSize = module.headerSize.value_or(276);
    fields.u32(module.storedHeaderSize.value_or(headerSize));
    const size_t orderCount = std::min<size_t>(module.orders.size(), 256);
    fields.u16(module.storedSongLength.value_or(static_cast<uint16_t>(orderCount)));
    fields.u16(module.restartPosition);
    fields.u16(module.channels);
    fields.u16(module.storedPatternCount.value_or(static_cast<uint16_t>(module.patterns.size())));
    fields.u16(module.storedInstrumentCount.value_or(static_cast<uint16_t>(module.instruments.size())));
    fields.u16(module.storedFlags.value_or(module.linearFrequencies ? 1 : 0));
    fields.u16(module.speed);
    fields.u16(module.bpm);
    for (size_t i = 0; i < 256; ++i) fields.u8(i < orderCount ? module.orders[i] : 0);
    appendSized(out, std::move(header), headerSize);

    if (module.version >= 0x0104) {
        for (const XmPattern& pattern : module.patterns) writePattern(out, pattern, module.channels, module.version);
        for (const XmInstrument& instrument : module.instruments) {
            const std::vector<uint8_t> data = writeInstrument(out, instrument);
            out.insert(out.end(), data.begin(), data.end());
        }
    } else {
        std::vector<uint8_t> data;
        for (const XmInstrument& instrument : module.instruments) {
            const std::vector<uint8_t> bytes = writeInstrument(out, instrument);
            data.insert(data.end(), bytes.begin(), bytes.end());
        }
        for (const XmPattern& pattern : module.patterns) writePattern(out, pattern, module.channels, module.version);
        out.insert(out.end(), data.begin(), data.end());
    }

    if (module.truncateTo && *module.truncateTo < out.size()) out.resize(*module.truncateTo);
    return out;
}

bool writeXmFile(const XmModule& module, const std::string& path) {
    const std::vector<uint8_t> bytes = writeXm(module);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
