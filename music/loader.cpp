// The XM loader: module header, patterns unpacked into five-byte cells,
// instruments, and samples (delta-coded 8- or 16-bit, or 4-bit packed)
// converted to signed 16-bit frames with canonical loops and guard frames.
// Versions 1.04 and later store each instrument's sample data after its
// sample headers, behind the patterns; versions 1.02 and 1.03 store the
// instruments first and all sample data after the patterns.
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
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "music/player.h"

namespace music {

static_assert(std::endian::native == std::endian::little, "fields are read straight into little-endian integers");
static_assert(sizeof(EnvelopePoint) == 4);

namespace {

constexpr char xmSignature[] = "Extended Module: ";
constexpr int32_t xmSignatureSize = 17;
constexpr int32_t versionOffset = 58;
constexpr int32_t headerSizeOffset = 60;
constexpr int32_t headerFieldBytes = 20;   // header size and the fields before the order table
constexpr uint32_t usualHeaderSize = 276;  // the fields and a full order table
constexpr uint16_t firstReadableVersion = 0x0102;
constexpr uint16_t firstCurrentLayout = 0x0104;  // patterns before instruments, 9-byte pattern headers
constexpr int32_t sampleGuardFrames = 8;
constexpr uint8_t packed4BitMarker = 0xad;  // in the sample header's reserved byte
constexpr int32_t packedDeltaCount = 16;

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
// the file puts it. Version 1.02 stores the row count less one in a single
// byte; later versions store it in two.
void readPattern(XmInput& in, int32_t channels, uint16_t version, Pattern* keep) {
    uint32_t headerLength = 0;
    uint8_t packingType = 0;
    uint16_t storedRows = 0;
    uint16_t packedSize = 0;
    readField(in, headerLength);
    readField(in, packingType);
    if (version < 0x0103) {
        uint8_t rowsLessOne = 0;
        readField(in, rowsLessOne);
        storedRows = static_cast<uint16_t>(rowsLessOne + 1);
    } else {
        readField(in, storedRows);
    }
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

void readPatterns(XmInput& in, Song* song, int32_t storedPatternCount, uint16_t version) {
    song->patterns = new Pattern[static_cast<size_t>(song->patternCount)]();
    for (int32_t p = 0; p < storedPatternCount; ++p)
        readPattern(in, song->channelCount, version, p < song->patternCount ? &song->patterns[p] : nullptr);
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

// How one sample's data is stored, from its header until the data is read.
struct StoredSample {
    uint64_t bytes = 0;       // data bytes in the file
    bool packed4Bit = false;  // 16 deltas, then two 4-bit indices per byte
};

// What an instrument's sample headers announce: the data of the samples kept
// in its slots, and the bytes of those beyond the slots, which are read past.
struct InstrumentData {
    std::array<StoredSample, maxSamplesPerInstrument> kept{};
    uint64_t skippedBytes = 0;
};

// Reads one 40-byte sample header into the sample and says how its data is
// stored. 4-bit packing, marked in the reserved byte, exists for 8-bit
// samples only; a 16-bit sample with the mark is read as plain 16-bit data.
StoredSample readSampleHeader(XmInput& in, Sample& sample) {
    uint32_t length = 0;
    uint8_t type = 0;
    uint8_t panning = 0;
    uint8_t reserved = 0;
    readField(in, length);
    readField(in, sample.loopStart);
    readField(in, sample.loopLength);
    readField(in, sample.volume);
    readField(in, sample.finetune);
    readField(in, type);
    readField(in, panning);
    readField(in, sample.relativeNote);
    readField(in, reserved);
    skip(in, 22);  // name

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
    // Packed data stores its frame count; the bytes are the deltas and one
    // byte for every two frames.
    if (reserved == packed4BitMarker && sample.bits == 8)
        return StoredSample{packedDeltaCount + (uint64_t{length} + 1) / 2, true};
    return StoredSample{length, false};
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

// The loop's interpolation partner after the last frame, then the frames
// become the sample's data.
void finishSample(Sample& sample, int16_t* frames) {
    const uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (sample.loopMode == 2) frames[loopEnd] = frames[sample.loopStart];
    if (sample.loopMode == 4) frames[loopEnd] = frames[loopEnd - 1];
    sample.data = frames;
}

// 4-bit packed data: each index picks one of the 16 deltas, which is added to
// a running 8-bit value (low nibble first); the values are the frames.
void readPacked4Bit(XmInput& in, Sample& sample, int64_t bytes) {
    std::array<int8_t, packedDeltaCount> deltas{};
    readBytes(in, deltas.data(), static_cast<int32_t>(std::min<int64_t>(bytes, packedDeltaCount)));
    const int64_t packedBytes = std::max<int64_t>(bytes - packedDeltaCount, 0);
    sample.length = static_cast<uint32_t>(std::min<int64_t>(sample.length, packedBytes * 2));
    clampLoop(sample);
    sample.bits = 16;
    if (sample.length == 0) {
        skip(in, static_cast<int32_t>(packedBytes));
        return;
    }

    auto* frames = new int16_t[sample.length + sampleGuardFrames]();
    std::array<uint8_t, 1024> chunk{};
    int64_t consumed = 0;
    uint32_t k = 0;
    int8_t value = 0;
    while (k < sample.length) {
        const auto want = static_cast<int32_t>(std::min<int64_t>(chunk.size(), packedBytes - consumed));
        const int32_t got = readBytes(in, chunk.data(), want);
        if (got <= 0) break;
        consumed += got;
        for (size_t i = 0; i < static_cast<size_t>(got) && k < sample.length; ++i) {
            const uint8_t byte = chunk[i];
            for (const size_t nibble : {size_t{byte} & 0x0f, size_t{byte} >> 4}) {
                if (k == sample.length) break;
                value = static_cast<int8_t>(value + deltas[nibble]);
                frames[k++] = static_cast<int16_t>(value * 256);
            }
        }
    }
    skip(in, static_cast<int32_t>(packedBytes - consumed));
    finishSample(sample, frames);
}

// Reads the sample's data, widens 8-bit data, undoes the delta coding and
// sets the loop's interpolation partner frame. The stored byte count is cut
// to what the file still holds; all of it is consumed, so an odd byte at the
// end of 16-bit data does not shift the samples that follow.
void readSampleData(XmInput& in, Sample& sample, const StoredSample& stored) {
    const auto bytes = static_cast<int32_t>(std::min<uint64_t>(stored.bytes, static_cast<uint64_t>(bytesLeft(in))));
    if (stored.packed4Bit) {
        readPacked4Bit(in, sample, bytes);
        return;
    }
    const int32_t width = sample.bits / 8;
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
    finishSample(sample, frames);
}

// The data of one instrument's samples, in the order of their headers.
void readInstrumentData(XmInput& in, Instrument& instrument, const InstrumentData& data) {
    for (size_t j = 0; j < static_cast<size_t>(instrument.sampleCount); ++j)
        readSampleData(in, *instrument.samples[j], data.kept[j]);
    seekForwardTo(in, int64_t{in.position} + static_cast<int64_t>(std::min<uint64_t>(data.skippedBytes, INT32_MAX)));
}

// One instrument's header and sample headers. The first maxSamplesPerInstrument
// samples fill its slots; the headers of any more are read only for the size
// of their data. Every slot past the samples read keeps the empty sample.
InstrumentData readInstrumentHeaders(XmInput& in, Instrument& instrument) {
    InstrumentData data;
    const int32_t start = in.position;
    uint32_t headerSize = 0;
    uint16_t storedSampleCount = 0;
    readField(in, headerSize);
    skip(in, 23);  // name and type
    readField(in, storedSampleCount);
    instrument.sampleCount = std::min<int32_t>(storedSampleCount, maxSamplesPerInstrument);
    if (storedSampleCount == 0) {
        seekForwardTo(in, int64_t{start} + headerSize);
        return data;
    }

    readInstrumentHeader(in, instrument);
    seekForwardTo(in, int64_t{start} + headerSize);

    for (size_t j = 0; j < static_cast<size_t>(instrument.sampleCount); ++j) {
        instrument.samples[j] = new Sample{};
        data.kept[j] = readSampleHeader(in, *instrument.samples[j]);
    }
    for (int32_t j = instrument.sampleCount; j < storedSampleCount && !atEnd(in); ++j) {
        Sample beyond{};
        data.skippedBytes += readSampleHeader(in, beyond).bytes;
    }
    return data;
}

// Versions 1.04 and later: each instrument's sample data follows its headers.
void readInstruments(XmInput& in, Song* song) {
    for (int32_t i = 0; i < song->instrumentCount; ++i) {
        Instrument& instrument = song->instruments[i];
        readInstrumentData(in, instrument, readInstrumentHeaders(in, instrument));
    }
}

void allocateInstruments(Song* song) {
    song->instruments = new Instrument[static_cast<size_t>(song->instrumentCount)]();
    // Every slot starts at the shared empty sample, so an instrument that the
    // file never reaches is as safe to play as one without samples.
    for (int32_t i = 0; i < song->instrumentCount; ++i) song->instruments[i].samples.fill(&emptySample);
}

// Names the version as the trackers show it: 0x0101 is "1.01".
void describeVersion(std::string* reason, uint16_t version) {
    if (!reason) return;
    char text[64];
    std::snprintf(text, sizeof text, "XM format version %x.%02x is not supported", version >> 8, version & 0xff);
    *reason = text;
}

void describe(std::string* reason, const char* text) {
    if (reason) *reason = text;
}

}  // namespace

bool loadXm(Song* song, SongFile* file, std::string* reason) {
    XmInput in = openInput(file);
    std::array<char, xmSignatureSize> signature{};
    readField(in, signature);
    if (std::memcmp(signature.data(), xmSignature, xmSignatureSize) != 0) {
        describe(reason, "not an XM module");
        return false;
    }
    // A file that ends before the header's fields (channel count, tempo, ...)
    // would load as a song of no channels and play silence: refuse it.
    if (in.size < headerSizeOffset + headerFieldBytes) {
        describe(reason, "the file ends inside the XM header");
        return false;
    }
    // Versions before 1.02 have no layout this loader knows.
    seekTo(in, versionOffset);
    uint16_t version = 0;
    readField(in, version);
    if (version < firstReadableVersion) {
        describeVersion(reason, version);
        return false;
    }

    song->tickHandler = playerTick;
    song->initialGlobalVolume = 64;

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
    // The order table is the rest of the header: compact writers store only
    // the song's own entries, and the rest stay 0. The patterns start where
    // the header ends. A header too short for its own fields comes from no
    // writer; it is taken to be the usual size, so a file whose size field
    // alone is damaged still plays, and the reader never goes back.
    if (headerSize < headerFieldBytes) headerSize = usualHeaderSize;
    const int64_t orderEntries = std::min<int64_t>(int64_t{headerSize} - headerFieldBytes, maxOrderPositions);
    readBytes(in, song->orderTable.data(), static_cast<int32_t>(orderEntries));
    seekForwardTo(in, int64_t{headerSizeOffset} + headerSize);

    if (channelCount > maxStoredChannels) {
        describe(reason, "more than 128 channels");
        return false;
    }
    song->channelCount = static_cast<int16_t>(channelCount);
    // The player always stands on some order position, so a song has at least
    // one; only the first 256 fit the order table.
    song->songLength = static_cast<int16_t>(std::clamp<int32_t>(songLength, 1, maxOrderPositions));
    song->restartPosition = static_cast<int16_t>(restartPosition < song->songLength ? restartPosition : 0);

    const auto played = std::span(song->orderTable).first(static_cast<size_t>(song->songLength));
    song->usedPatternCount = 1 + *std::max_element(played.begin(), played.end());
    song->patternCount = std::min<int32_t>(std::max<int32_t>(storedPatternCount, song->usedPatternCount), maxPatterns);
    song->instrumentCount = static_cast<int16_t>(std::min<int32_t>(instrumentCount, maxInstruments));

    if (version >= firstCurrentLayout) {
        readPatterns(in, song, storedPatternCount, version);
        if (song->instrumentCount <= 0) return true;
        allocateInstruments(song);
        readInstruments(in, song);
        return true;
    }
    // Versions 1.02 and 1.03: instrument and sample headers, the patterns,
    // then the data of every sample in instrument order.
    if (song->instrumentCount > 0) allocateInstruments(song);
    std::vector<InstrumentData> data(static_cast<size_t>(std::max<int16_t>(song->instrumentCount, 0)));
    for (int32_t i = 0; i < song->instrumentCount; ++i)
        data[static_cast<size_t>(i)] = readInstrumentHeaders(in, song->instruments[i]);
    readPatterns(in, song, storedPatternCount, version);
    for (int32_t i = 0; i < song->instrumentCount; ++i)
        readInstrumentData(in, song->instruments[i], data[static_cast<size_t>(i)]);
    return true;
}

}  // namespace music
