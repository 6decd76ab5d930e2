// From parsed song to XmModule: instrument slots (empty ones for gaps in the
// numbering), synthesised samples with their key ranges, envelopes, patterns
// assembled from track placements, and the order list.
#include "tools/xmcompile/module_builder.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "tools/xmcompile/song_parser.h"
#include "tools/xmcompile/synth.h"

namespace xmcompile {
namespace {

XmEnvelope toXmEnvelope(const EnvelopeSource& source) {
    XmEnvelope envelope;
    for (const EnvelopeNode& node : source.points)
        envelope.points.push_back({static_cast<uint16_t>(node.x), static_cast<uint16_t>(node.y)});
    envelope.on = !source.points.empty();
    envelope.sustain = source.sustain >= 0;
    envelope.sustainPoint = static_cast<uint8_t>(std::max(0, source.sustain));
    envelope.loop = source.loopStart >= 0;
    envelope.loopStart = static_cast<uint8_t>(std::max(0, source.loopStart));
    envelope.loopEnd = static_cast<uint8_t>(std::max(0, source.loopEnd));
    return envelope;
}

XmLoop toXmLoop(LoopKind kind) {
    switch (kind) {
        case LoopKind::forward: return XmLoop::forward;
        case LoopKind::pingpong: return XmLoop::pingPong;
        case LoopKind::none: break;
    }
    return XmLoop::none;
}

bool buildInstrument(const InstrumentSource& source, XmInstrument& instrument, int& errorLine, std::string& error) {
    instrument.name = source.name;
    instrument.volumeEnvelope = toXmEnvelope(source.volumeEnvelope);
    instrument.panningEnvelope = toXmEnvelope(source.panningEnvelope);
    instrument.fadeout = static_cast<uint16_t>(source.fadeout);
    instrument.vibratoType = static_cast<uint8_t>(source.vibratoType);
    instrument.vibratoSweep = static_cast<uint8_t>(source.vibratoSweep);
    instrument.vibratoDepth = static_cast<uint8_t>(source.vibratoDepth);
    instrument.vibratoRate = static_cast<uint8_t>(source.vibratoRate);
    instrument.sampleMap.assign(96, 0);
    // Each note plays the first sample whose key range holds it.
    for (int note = 95; note >= 0; --note) {
        for (size_t i = source.samples.size(); i-- > 0;) {
            const SampleRecipe& recipe = source.samples[i];
            if (note >= recipe.keyLow && note <= recipe.keyHigh)
                instrument.sampleMap[static_cast<size_t>(note)] = static_cast<uint8_t>(i);
        }
    }
    for (const SampleRecipe& recipe : source.samples) {
        SynthesizedSample synthesized;
        if (!synthesizeSample(recipe, synthesized, error)) {
            errorLine = recipe.line;
            error = "sample '" + recipe.name + "': " + error;
            return false;
        }
        XmSample sample;
        sample.name = recipe.name;
        sample.pcm = std::move(synthesized.pcm);
        sample.sixteenBit = synthesized.sixteenBit;
        sample.loop = toXmLoop(synthesized.loop);
        sample.loopStart = synthesized.loopStart;
        sample.loopLength = synthesized.loopLength;
        sample.volume = static_cast<uint8_t>(recipe.volume);
        sample.panning = static_cast<uint8_t>(recipe.panning);
        sample.finetune = static_cast<int8_t>(synthesized.finetune);
        sample.relativeNote = static_cast<int8_t>(synthesized.relativeNote);
        instrument.samples.push_back(std::move(sample));
    }
    return true;
}

// A scaled placement gives every note an explicit volume: its own set-volume,
// else the default volume of the sample its instrument plays, else 64, times
// the factor.
void scaleVolume(Cell& cell, double scale, const std::vector<XmInstrument>& instruments) {
    bool setVolume = cell.volume >= 0x10 && cell.volume <= 0x50;
    bool note = cell.note >= 1 && cell.note <= 96;
    if (!setVolume && !(note && cell.volume == 0)) return;
    int base = 64;
    if (setVolume) {
        base = cell.volume - 0x10;
    } else if (cell.instrument >= 1 && cell.instrument <= instruments.size()) {
        const XmInstrument& instrument = instruments[cell.instrument - 1];
        if (!instrument.samples.empty())
            base = instrument.samples[instrument.sampleMap[cell.note - 1] % instrument.samples.size()].volume;
    }
    int volume = std::clamp(static_cast<int>(std::lround(base * scale)), 0, 64);
    cell.volume = static_cast<uint8_t>(0x10 + volume);
}

bool buildPattern(const PatternSource& source, const std::map<std::string, const Track*>& tracks,
                  const std::vector<XmInstrument>& instruments, XmPattern& pattern, int& errorLine,
                  std::string& error) {
    pattern.rows = static_cast<uint16_t>(source.rows);
    std::map<std::pair<int, int>, Cell> cells;
    for (const Placement& placement : source.placements) {
        const Track& track = *tracks.at(placement.track);
        for (int start = placement.at; start < source.rows; start += track.rows) {
            if (!placement.merge) {
                for (int row = start; row < std::min(source.rows, start + track.rows); ++row)
                    cells.erase({row, placement.channel});
            }
            for (const TrackRow& trackRow : track.cells) {
                int row = start + trackRow.row;
                if (row >= source.rows) break;
                Cell cell = trackRow.cell;
                if (cell.instrument > instruments.size()) {
                    errorLine = placement.line;
                    error = "track '" + track.name + "' plays instrument " + std::to_string(cell.instrument) +
                            ", which is not defined";
                    return false;
                }
                if (cell.note >= 1 && cell.note <= 96) {
                    int note = cell.note + placement.transpose;
                    if (note < 1 || note > 96) {
                        errorLine = placement.line;
                        error = "transposing track '" + track.name + "' by " + std::to_string(placement.transpose) +
                                " moves a note out of C-0..B-7";
                        return false;
                    }
                    cell.note = static_cast<uint8_t>(note);
                }
                if (placement.scale != 1.0) scaleVolume(cell, placement.scale, instruments);
                if (placement.pan >= 0 && cell.instrument != 0 && cell.effect == 0 && cell.param == 0) {
                    cell.effect = 8;
                    cell.param = static_cast<uint8_t>(placement.pan);
                }
                if (placement.delay > 0 && cell.note >= 1 && cell.note <= 96 && cell.effect == 0 && cell.param == 0) {
                    cell.effect = 14;
                    cell.param = static_cast<uint8_t>(0xD0 + placement.delay);
                }
                Cell& target = cells[{row, placement.channel}];
                if (!placement.merge) {
                    target = cell;
                    continue;
                }
                if (cell.note) target.note = cell.note;
                if (cell.instrument) target.instrument = cell.instrument;
                if (cell.volume) target.volume = cell.volume;
                if (cell.effect || cell.param) {
                    target.effect = cell.effect;
                    target.param = cell.param;
                }
            }
            if (placement.once) break;
        }
    }
    for (const auto& [where, cell] : cells) {
        if (!cell.empty())
            pattern.set(where.first, where.second, {cell.note, cell.instrument, cell.volume, cell.effect, cell.param});
    }
    return true;
}

}  // namespace

bool buildModule(const SongSource& song, XmModule& module, int& errorLine, std::string& error) {
    module = XmModule{};
    module.name = song.title;
    module.trackerName = "xmcompile";
    module.channels = static_cast<uint16_t>(song.channels);
    module.restartPosition = static_cast<uint16_t>(song.restart);
    module.linearFrequencies = song.linear;
    module.speed = static_cast<uint16_t>(song.speed);
    module.bpm = static_cast<uint16_t>(song.bpm);

    int slots = song.instruments.empty() ? 0 : song.instruments.back().number;
    module.instruments.resize(static_cast<size_t>(slots));
    for (const InstrumentSource& source : song.instruments) {
        if (!buildInstrument(source, module.instruments[static_cast<size_t>(source.number - 1)], errorLine, error))
            return false;
    }

    std::map<std::string, const Track*> tracks;
    for (const Track& track : song.tracks) tracks[track.name] = &track;
    std::map<std::string, uint8_t> patternNumbers;
    for (const PatternSource& source : song.patterns) {
        patternNumbers[source.name] = static_cast<uint8_t>(module.patterns.size());
        if (!buildPattern(source, tracks, module.instruments, module.patterns.emplace_back(), errorLine, error))
            return false;
    }
    module.orders.clear();
    for (const std::string& name : song.order) module.orders.push_back(patternNumbers.at(name));
    return true;
}

CompileResult compileSong(std::string_view text) {
    CompileResult result;
    ParseResult parsed = parseSongSource(text);
    if (!parsed.ok) {
        result.errorLine = parsed.errorLine;
        result.error = parsed.error;
        return result;
    }
    if (!buildModule(parsed.song, result.module, result.errorLine, result.error)) return result;
    result.bytes = writeXm(result.module);
    result.ok = true;
    return result;
}

}  // namespace xmcompile
