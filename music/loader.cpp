// The XM loader: module header, patterns unpacked into five-byte cells,
// instruments, and samples converted to signed 16-bit frames with canonical
// loops and guard frames.
//
// Every byte comes through one reader (XmInput) that knows the file size and
// its own position. Short reads are not errors: a field the file does not
// supply keeps its zero. Counts and sizes from the file are held to the
// model's limits before they size anything, sample data is never allocated
// beyond what the rest of the file holds, and the reader never seeks back, so
// a broken or hostile file loads as far as it goes and then stops.
#include "music/loader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>

#include "music/player.h"

static_assert(std::endian::native == std::endian::little, "fields are read straight into little-endian integers");
static_assert(sizeof(EnvelopePoint) == 4);

namespace {

constexpr char xmSignature[] = "Extended Module: ";
constexpr int32_t xmSignatureSize = 17;
constexpr int32_t headerSizeOffset = 60;
constexpr int32_t sampleGuardFrames = 8;

struct XmInput {
    SongFile* file;
    int32_t size;      // bytes in the file
    int32_t position;  // where the next read starts, 0..size
};

XmInput openInput(SongFile* file) {
    songFileSeek(file, 0, seekFromEnd);
    const int32_t size = std::max(songFileTell(file), 0);
    songFileSeek(file, 0, seekFromStart);
    return XmInput{file, size, 0};
}

bool atEnd(const XmInput& in) { return in.position >= in.size; }

int32_t bytesLeft(const XmInput& in) { return std::max(in.size - in.position, 0); }

// Reads up to destination.size() bytes; what the file cannot supply keeps its
// previous contents. Returns the bytes delivered.
int32_t readBytes(XmInput& in, void* destination, int32_t count) {
    const int32_t delivered = std::clamp(songFileRead(destination, count, in.file), 0, count);
    in.position += delivered;
    return delivered;
}

template <typename Field>
void readField(XmInput& in, Field& field) {
    readBytes(in, &field, static_cast<int32_t>(sizeof(field)));
}

void seekTo(XmInput& in, int64_t target) {
    target = std::clamp<int64_t>(target, 0, in.size);
    songFileSeek(in.file, static_cast<int32_t>(target), seekFromStart);
    in.position = std::clamp(songFileTell(in.file), 0, in.size);
}

// Header sizes in the file say where the next part starts. One that points
// behind what has already been read would re-read or loop, so it is ignored
// and reading goes on from where it stands.
void seekForwardTo(XmInput& in, int64_t target) {
    if (target > in.position) seekTo(in, target);
}

void skip(XmInput& in, int32_t count) { seekForwardTo(in, int64_t{in.position} + count); }

// ---- patterns ----

// Decodes one cell: a mask byte with bit 7 set names the fields that follow;
// any other byte is the note, followed by the four other fields.
Note readCell(XmInput& in) {
    Note cell{};
    uint8_t lead = 0;
    readField(in, lead);
    if (lead & 0x80) {
        if (lead & 0x01) readField(in, cell.note);
        if (lead & 0x02) readField(in, cell.instrument);
        if (lead & 0x04) readField(in, cell.volume);
        if (lead & 0x08) readField(in, cell.effect);
        if (lead & 0x10) readField(in, cell.param);
    } else {
        cell.note = lead;
        readField(in, cell.instrument);
        readField(in, cell.volume);
        readField(in, cell.effect);
        readField(in, cell.param);
    }
    if (cell.note == 97) cell.note = 255;
    if (cell.instrument > 128) cell.instrument = 0;
    return cell;
}

Note* allocateCells(int32_t rows, int32_t channels) {
    const int64_t count = int64_t{rows} * channels;
    return count > 0 ? new Note[static_cast<size_t>(count)]() : nullptr;
}

// One stored pattern. `keep` is null for a pattern past the model's limit:
// its cells are decoded all the same so that the next pattern is found where
// the file puts it.
void readPattern(XmInput& in, int32_t channels, Pattern* keep) {
    uint32_t headerLength = 0;
    uint8_t packingType = 0;
    uint16_t storedRows = 0;
    uint16_t packedSize = 0;
    readField(in, headerLength);
    readField(in, packingType);
    readField(in, storedRows);
    readField(in, packedSize);

    // A pattern of no rows would leave the player without a row to read;
    // it becomes an empty pattern of the usual 64 rows.
    const int32_t rows = storedRows == 0 ? emptyPatternRows : std::min<int32_t>(storedRows, maxPatternRows);
    if (keep) {
        keep->rowCount = rows;
        keep->cells = allocateCells(rows, channels);
    }
    if (packedSize == 0 || storedRows == 0) return;

    // Exactly rows x channels cells are decoded, whatever the packed size says.
    // Past the end of the file every cell would decode as empty, so decoding
    // stops there.
    const int64_t storedCells = int64_t{storedRows} * channels;
    const int64_t keptCells = keep ? int64_t{rows} * channels : 0;
    for (int64_t i = 0; i < storedCells && !atEnd(in); ++i) {
        const Note cell = readCell(in);
        if (i < keptCells) keep->cells[i] = cell;
    }
}

void readPatterns(XmInput& in, Song* song, int32_t storedPatternCount) {
    song->patterns = new Pattern[static_cast<size_t>(song->patternCount)]();
    for (int32_t p = 0; p < storedPatternCount; ++p)
        readPattern(in, song->channelCount, p < song->patternCount ? &song->patterns[p] : nullptr);
    for (int32_t p = storedPatternCount; p < song->patternCount; ++p) {
        song->patterns[p].rowCount = emptyPatternRows;
        song->patterns[p].cells = allocateCells(emptyPatternRows, song->channelCount);
    }
}

// ---- instruments and samples ----

// Point counts above the array's 12 use 12; sustain and loop points beyond the
// points in use switch that feature off; fewer than 2 points switch the
// envelope off.
void normaliseEnvelope(uint8_t& pointCount, uint8_t sustainPoint, uint8_t loopStart, uint8_t loopEnd, uint8_t& flags) {
    pointCount = std::min<uint8_t>(pointCount, maxEnvelopePoints);
    if (pointCount < 2) {
        flags = 0;
        return;
    }
    if (sustainPoint >= pointCount) flags &= static_cast<uint8_t>(~envelopeSustain);
    if (loopStart >= pointCount || loopEnd >= pointCount) flags &= static_cast<uint8_t>(~envelopeLoop);
}

void readInstrumentHeader(XmInput& in, Instrument& instrument) {
    uint32_t sampleHeaderSize = 0;
    readField(in, sampleHeaderSize);
    readField(in, instrument.sampleMap);
    readField(in, instrument.volumeEnvelope);
    readField(in, instrument.panningEnvelope);

    // Point counts, sustain and loop points, envelope types, auto-vibrato and
    // the fadeout, as one block in file order.
    std::array<uint8_t, 16> tail{};
    readField(in, tail);
    instrument.volumePointCount = tail[0];
    instrument.panningPointCount = tail[1];
    instrument.volumeSustainPoint = tail[2];
    instrument.volumeLoopStart = tail[3];
    instrument.volumeLoopEnd = tail[4];
    instrument.panningSustainPoint = tail[5];
    instrument.panningLoopStart = tail[6];
    instrument.panningLoopEnd = tail[7];
    instrument.volumeEnvelopeFlags = tail[8];
    instrument.panningEnvelopeFlags = tail[9];
    instrument.vibratoType = tail[10];
    instrument.vibratoSweep = tail[11];
    instrument.vibratoDepth = tail[12];
    instrument.vibratoRate = tail[13];
    const auto storedFadeout = static_cast<uint16_t>(tail[14] | tail[15] << 8);
    instrument.fadeout = static_cast<uint16_t>(storedFadeout * 2);

    normaliseEnvelope(instrument.volumePointCount, instrument.volumeSustainPoint, instrument.volumeLoopStart,
                      instrument.volumeLoopEnd, instrument.volumeEnvelopeFlags);
    normaliseEnvelope(instrument.panningPointCount, instrument.panningSustainPoint, instrument.panningLoopStart,
                      instrument.panningLoopEnd, instrument.panningEnvelopeFlags);
}

// Reads one 40-byte sample header into a new Sample and returns the byte
// count of its data as stored.
uint32_t readSampleHeader(XmInput& in, Sample& sample) {
    uint32_t length = 0;
    uint8_t type = 0;
    uint8_t panning = 0;
    readField(in, length);
    readField(in, sample.loopStart);
    readField(in, sample.loopLength);
    readField(in, sample.volume);
    readField(in, sample.finetune);
    readField(in, type);
    readField(in, panning);
    readField(in, sample.relativeNote);
    skip(in, 23);  // reserved byte and name

    const uint32_t storedBytes = length;
    sample.length = length;
    sample.panning = panning;
    sample.bits = (type & 0x10) ? 16 : 8;
    // Bit 1 wins when both loop bits are set.
    sample.loopMode = (type & 0x02) ? 4 : (type & 0x01) ? 2 : 1;
    if (sample.loopMode == 1) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
    }
    if (sample.bits == 16) {
        sample.length >>= 1;
        sample.loopStart >>= 1;
        sample.loopLength >>= 1;
    }
    if (sample.loopLength == 0) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        sample.loopMode = 1;
    }
    return storedBytes;
}

// Brings the loop into the sample: a loop that runs past the end is shortened
// to the end, one that starts at or past the end becomes no loop. A sample
// without a loop plays from 0 to its end.
void clampLoop(Sample& sample) {
    if (sample.loopMode != 1 && sample.loopStart >= sample.length) sample.loopMode = 1;
    if (sample.loopMode == 1) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
    } else if (uint64_t{sample.loopStart} + sample.loopLength > sample.length) {
        sample.loopLength = sample.length - sample.loopStart;
    }
}

// Reads the sample's data, widens 8-bit data, undoes the delta coding and
// sets the loop's interpolation partner frame. The stored byte count is cut
// to what the file still holds; all of it is consumed, so an odd byte at the
// end of 16-bit data does not shift the samples that follow.
void readSampleData(XmInput& in, Sample& sample, uint32_t storedBytes) {
    const int32_t width = sample.bits / 8;
    const int32_t bytes = static_cast<int32_t>(std::min<uint64_t>(storedBytes, static_cast<uint64_t>(bytesLeft(in))));
    sample.length = static_cast<uint32_t>(bytes / width);
    clampLoop(sample);
    if (sample.length == 0) {
        skip(in, bytes);
        return;
    }

    auto* frames = new int16_t[sample.length + sampleGuardFrames]();
    const int32_t dataBytes = static_cast<int32_t>(sample.length) * width;
    readBytes(in, frames, dataBytes);
    skip(in, bytes - dataBytes);
    if (width == 1) {
        // The bytes sit at the front of the frame buffer; widening from the
        // last one down never overwrites a byte still to be read.
        const auto* raw = reinterpret_cast<const int8_t*>(frames);
        for (uint32_t k = sample.length; k-- > 0;) frames[k] = static_cast<int16_t>(raw[k] * 256);
        sample.bits = 16;
    }
    uint16_t sum = 0;
    for (uint32_t k = 0; k < sample.length; ++k) {
        sum = static_cast<uint16_t>(sum + static_cast<uint16_t>(frames[k]));
        frames[k] = static_cast<int16_t>(sum);
    }
    const uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (sample.loopMode == 2) frames[loopEnd] = frames[sample.loopStart];
    if (sample.loopMode == 4) frames[loopEnd] = frames[loopEnd - 1];
    sample.data = frames;
}

// One instrument: header, sample headers, sample data. False for more than 16
// samples, which leaves the instrument with none.
bool readInstrument(XmInput& in, Instrument& instrument) {
    const int32_t start = in.position;
    uint32_t headerSize = 0;
    uint16_t sampleCount = 0;
    readField(in, headerSize);
    skip(in, 23);  // name and type
    readField(in, sampleCount);
    if (sampleCount > maxSamplesPerInstrument) return false;
    instrument.sampleCount = sampleCount;
    if (sampleCount == 0) {
        seekForwardTo(in, int64_t{start} + headerSize);
        return true;
    }

    readInstrumentHeader(in, instrument);
    seekForwardTo(in, int64_t{start} + headerSize);

    std::array<uint32_t, maxSamplesPerInstrument> storedBytes{};
    for (int32_t j = 0; j < sampleCount; ++j) {
        instrument.samples[j] = new Sample{};
        storedBytes[j] = readSampleHeader(in, *instrument.samples[j]);
    }
    for (int32_t j = 0; j < sampleCount; ++j) readSampleData(in, *instrument.samples[j], storedBytes[j]);
    return true;
}

bool readInstruments(XmInput& in, Song* song) {
    song->instruments = new Instrument[static_cast<size_t>(song->instrumentCount)]();
    // Every slot starts at the shared empty sample, so an instrument that the
    // file never reaches is as safe to play as one without samples.
    for (int32_t i = 0; i < song->instrumentCount; ++i) song->instruments[i].samples.fill(&emptySample);
    for (int32_t i = 0; i < song->instrumentCount; ++i)
        if (!readInstrument(in, song->instruments[i])) return false;
    return true;
}

}  // namespace

bool loadXm(Song* song, SongFile* file) {
    XmInput in = openInput(file);
    std::array<char, xmSignatureSize> signature{};
    readField(in, signature);
    if (std::memcmp(signature.data(), xmSignature, xmSignatureSize) != 0) return false;

    song->tickHandler = playerTick;
    song->initialGlobalVolume = 64;

    seekTo(in, headerSizeOffset);
    uint32_t headerSize = 0;
    uint16_t songLength = 0;
    uint16_t restartPosition = 0;
    uint16_t channelCount = 0;
    uint16_t storedPatternCount = 0;
    uint16_t instrumentCount = 0;
    readField(in, headerSize);
    readField(in, songLength);
    readField(in, restartPosition);
    readField(in, channelCount);
    readField(in, storedPatternCount);
    readField(in, instrumentCount);
    readField(in, song->songFlags);
    readField(in, song->defaultSpeed);
    readField(in, song->defaultBpm);
    readField(in, song->orderTable);
    seekForwardTo(in, int64_t{headerSizeOffset} + headerSize);

    if (channelCount > maxStoredChannels) return false;
    song->channelCount = static_cast<int16_t>(channelCount);
    // The player always stands on some order position, so a song has at least
    // one; only the first 256 fit the order table.
    song->songLength = static_cast<int16_t>(std::clamp<int32_t>(songLength, 1, maxOrderPositions));
    song->restartPosition = static_cast<int16_t>(restartPosition < song->songLength ? restartPosition : 0);

    const auto played = std::span(song->orderTable).first(static_cast<size_t>(song->songLength));
    song->usedPatternCount = 1 + *std::max_element(played.begin(), played.end());
    song->patternCount = std::min<int32_t>(std::max<int32_t>(storedPatternCount, song->usedPatternCount), maxPatterns);
    readPatterns(in, song, storedPatternCount);

    song->instrumentCount = static_cast<int16_t>(std::min<int32_t>(instrumentCount, maxInstruments));
    if (song->instrumentCount <= 0) return true;
    return readInstruments(in, song);
}
