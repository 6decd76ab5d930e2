// Loading well-formed modules: the header, the unpacking of cells, the
// instruments and the conversion of samples, each against values worked out
// from the format by hand.
#include <gtest/gtest.h>

#include <vector>

#include "music/disk_file.h"
#include "music/player.h"
#include "tests/music/player_harness.h"
#include "tests/music/song_loading.h"

using namespace music;

namespace {

const Note& cellAt(const Song& song, int pattern, int row, int channel) {
    return song.patterns[pattern].cells[row * song.channelCount + channel];
}

TEST(LoadHeader, CopiesTheHeaderFieldsAndPreparesPlayback) {
    XmModule module;
    module.channels = 6;
    module.orders = {1, 0, 1, 2};
    module.restartPosition = 2;
    module.linearFrequencies = false;
    module.speed = 3;
    module.bpm = 140;
    module.patterns.resize(3);
    module.instruments.resize(2);
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->songLength, 4);
    EXPECT_EQ(song->restartPosition, 2);
    EXPECT_EQ(song->channelCount, 6);
    EXPECT_EQ(song->songFlags, 0);
    EXPECT_EQ(song->defaultSpeed, 3);
    EXPECT_EQ(song->defaultBpm, 140);
    EXPECT_EQ(song->orderTable[0], 1);
    EXPECT_EQ(song->orderTable[3], 2);
    EXPECT_EQ(song->orderTable[4], 0);
    EXPECT_EQ(song->usedPatternCount, 3);
    EXPECT_EQ(song->patternCount, 3);
    EXPECT_EQ(song->instrumentCount, 2);
    EXPECT_EQ(song->initialGlobalVolume, 64);
    EXPECT_EQ(song->tickHandler, &playerTick);
    expectPlayableSong(*song);
}

TEST(LoadHeader, RejectsFilesWithoutTheSignature) {
    std::vector<uint8_t> bytes = writeXm(XmModule{});
    bytes[9] = 'm';  // "Extended module: "
    EXPECT_FALSE(loadBytes(bytes));
    EXPECT_FALSE(loadBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10)));
    EXPECT_FALSE(loadBytes({}));
}

TEST(LoadHeader, ANameNoResourceCarriesYieldsNoSong) {
    const std::vector<uint8_t> bytes = writeXm(XmModule{});
    loadBytes(bytes);  // installs the memory file routines
    EXPECT_EQ(loadSong("#191"), nullptr);
    EXPECT_EQ(loadSong("song.xm"), nullptr);
}

TEST(LoadHeader, PatternsStartWhereTheHeaderSizeSays) {
    XmModule module;
    module.headerSize = 300;  // 24 bytes of padding after the order table
    module.channels = 1;
    module.patterns.emplace_back().set(0, 0, {49, 1, 0, 0, 0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(cellAt(*song, 0, 0, 0).note, 49);
}

// Compact writers store a header of 20 bytes plus the song's orders; the
// order table ends with the header (later entries 0) and the patterns follow.
TEST(LoadHeader, TheOrderTableEndsWithTheHeader) {
    struct Case {
        uint32_t headerSize;
        std::vector<uint8_t> expectedOrders;
    };
    for (const Case& c : {Case{20 + 3, {2, 1, 2}}, Case{20 + 2, {2, 1, 0}}, Case{20, {0, 0, 0}}}) {
        XmModule module;
        module.channels = 1;
        module.orders = {2, 1, 2};
        module.headerSize = c.headerSize;
        module.patterns.resize(3);
        for (uint8_t p = 0; p < 3; ++p) module.patterns[p].set(0, 0, {static_cast<uint8_t>(40 + p), 0, 0, 0, 0});
        SongPtr song = loadModule(module);
        ASSERT_TRUE(song) << c.headerSize;
        EXPECT_EQ(song->songLength, 3);
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(song->orderTable[i], c.expectedOrders[i]) << c.headerSize;
        for (int p = 0; p < 3; ++p) EXPECT_EQ(cellAt(*song, p, 0, 0).note, 40 + p) << c.headerSize;
    }
}

// One module of every kind of part, for the layout tests: patterns of 1 and
// 256 rows, packed and plain cells, an instrument without samples, 8-bit,
// 16-bit and 4-bit packed samples, and more samples than the slots hold.
XmModule everyKindOfPart() {
    XmModule module;
    module.channels = 3;
    module.orders = {1, 0, 2, 1};
    XmPattern& first = module.patterns.emplace_back();
    first.rows = 256;
    first.set(0, 0, {49, 1, 0x40, 0x0c, 0x20});
    first.set(255, 2, {97, 3, 0, 0, 0});
    XmPattern& second = module.patterns.emplace_back();
    second.rows = 1;
    second.packed = false;
    second.set(0, 1, {60, 2, 0x10, 0x01, 0x02});
    module.patterns.emplace_back().rows = 64;
    XmInstrument& drums = module.instruments.emplace_back();
    drums.volumeEnvelope.points = {{0, 64}, {8, 20}};
    drums.volumeEnvelope.on = true;
    drums.fadeout = 300;
    XmSample looped = eightBit({1, 5, -9, 100, -128, 127});
    looped.loop = XmLoop::forward;
    looped.loopStart = 1;
    looped.loopLength = 4;
    XmSample wide = sixteenBit({-30000, 30000, 7, -7});
    wide.loop = XmLoop::pingPong;
    wide.loopStart = 1;
    wide.loopLength = 2;
    XmSample packed = eightBit({1, 3, 7, 15, 31, 63, 62});
    packed.packed4Bit = true;
    drums.samples = {looped, wide, packed};
    drums.sampleMap.assign(96, 2);
    module.instruments.emplace_back();  // no samples
    XmInstrument& crowded = module.instruments.emplace_back();
    for (int j = 0; j < 34; ++j) {
        XmSample sample = eightBit({static_cast<int16_t>(j), static_cast<int16_t>(-j)});
        sample.relativeNote = static_cast<int8_t>(j);
        crowded.samples.push_back(sample);
    }
    module.instruments.emplace_back().samples = {sixteenBit({1234})};
    return module;
}

TEST(LoadLayouts, Versions102And103LoadTheSameSongAsVersion104) {
    XmModule current = everyKindOfPart();
    SongPtr expected = loadModule(current);
    ASSERT_TRUE(expected);
    expectPlayableSong(*expected);
    for (uint16_t version : {0x0102, 0x0103}) {
        XmModule older = current;
        older.version = version;
        SongPtr song = loadModule(older);
        ASSERT_TRUE(song) << std::hex << version;
        expectSameSong(*song, *expected);
        if (testing::Test::HasFailure()) FAIL() << "version " << std::hex << version;
    }
    EXPECT_EQ(expected->instruments[3].samples[0]->data[0], 1234) << "found after 34 samples";
}

TEST(LoadLayouts, VersionsWithoutAKnownLayoutAreRefusedWithAReason) {
    struct Case {
        uint16_t version;
        const char* reason;  // none: loads in the 1.04 layout
    };
    for (const Case& c : {Case{0x0000, "XM format version 0.00 is not supported"},
                          Case{0x0101, "XM format version 1.01 is not supported"}, Case{0x0104, nullptr},
                          Case{0x0105, nullptr}, Case{0xffff, nullptr}}) {
        // Laid out as version 1.04 whatever the field says.
        std::vector<uint8_t> bytes = writeXm(everyKindOfPart());
        bytes[58] = static_cast<uint8_t>(c.version);
        bytes[59] = static_cast<uint8_t>(c.version >> 8);
        SongPtr song = loadBytes(bytes);
        if (c.reason) {
            EXPECT_FALSE(song) << std::hex << c.version;
            EXPECT_STREQ(loadSongError(), c.reason);
        } else {
            ASSERT_TRUE(song) << std::hex << c.version;
            EXPECT_STREQ(loadSongError(), "");
            EXPECT_EQ(song->instruments[3].samples[0]->data[0], 1234);
        }
    }
    std::vector<uint8_t> text(100, 'x');
    EXPECT_FALSE(loadBytes(text));
    EXPECT_STREQ(loadSongError(), "not an XM module");
    const std::vector<uint8_t> whole = writeXm(XmModule{});
    for (const int cut : {59, 60, 79}) {
        EXPECT_FALSE(loadBytes(std::vector<uint8_t>(whole.begin(), whole.begin() + cut))) << cut;
        EXPECT_STREQ(loadSongError(), "the file ends inside the XM header");
    }
    installFileCallbacks(openDiskFile, closeDiskFile, readDiskFile, seekDiskFile, tellDiskFile);
    EXPECT_EQ(loadSong("/nonexistent/song.xm"), nullptr);
    EXPECT_STREQ(loadSongError(), "cannot be opened");
}

TEST(LoadPatterns, OrderTableNamesBeyondTheStoredPatternsGetEmpty64RowPatterns) {
    XmModule module;
    module.channels = 3;
    module.orders = {0, 3, 0};
    module.patterns.emplace_back().rows = 16;
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->usedPatternCount, 4);
    EXPECT_EQ(song->patternCount, 4);
    EXPECT_EQ(song->patterns[0].rowCount, 16);
    for (int p = 1; p < 4; ++p) {
        ASSERT_EQ(song->patterns[p].rowCount, 64);
        for (int i = 0; i < 64 * 3; ++i) EXPECT_EQ(song->patterns[p].cells[i].note, 0);
    }
    expectPlayableSong(*song);
}

TEST(LoadPatterns, StoredPatternsBeyondTheOrderTableAreKept) {
    XmModule module;
    module.orders = {0};
    module.patterns.resize(5);
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->usedPatternCount, 1);
    EXPECT_EQ(song->patternCount, 5);
}

// Every cell shape: all five fields (written plain), some fields (mask),
// a lone field, key-off and instrument numbers around the 128 limit.
void expectCellsRoundTrip(bool packed) {
    XmModule module;
    module.channels = 4;
    XmPattern& pattern = module.patterns.emplace_back();
    pattern.rows = 8;
    pattern.packed = packed;
    pattern.set(0, 0, {49, 1, 0x40, 0x0c, 0x20});
    pattern.set(0, 3, {0, 0, 0, 0x0f, 0x03});
    pattern.set(2, 1, {97, 0, 0, 0, 0});
    pattern.set(3, 2, {60, 128, 0, 0, 0});
    pattern.set(4, 2, {61, 129, 0x10, 0, 0});
    pattern.set(7, 3, {96, 200, 0, 1, 0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Note& full = cellAt(*song, 0, 0, 0);
    EXPECT_EQ(full.note, 49);
    EXPECT_EQ(full.instrument, 1);
    EXPECT_EQ(full.volume, 0x40);
    EXPECT_EQ(full.effect, 0x0c);
    EXPECT_EQ(full.param, 0x20);
    EXPECT_EQ(cellAt(*song, 0, 0, 3).effect, 0x0f);
    EXPECT_EQ(cellAt(*song, 0, 0, 3).param, 0x03);
    EXPECT_EQ(cellAt(*song, 0, 0, 3).note, 0);
    EXPECT_EQ(cellAt(*song, 0, 2, 1).note, 255);
    EXPECT_EQ(cellAt(*song, 0, 3, 2).instrument, 128);
    EXPECT_EQ(cellAt(*song, 0, 4, 2).instrument, 0);
    EXPECT_EQ(cellAt(*song, 0, 4, 2).volume, 0x10);
    EXPECT_EQ(cellAt(*song, 0, 7, 3).note, 96);
    EXPECT_EQ(cellAt(*song, 0, 7, 3).instrument, 0);
    EXPECT_EQ(cellAt(*song, 0, 7, 3).effect, 1);
    const Note& empty = cellAt(*song, 0, 5, 1);
    EXPECT_EQ(empty.note | empty.instrument | empty.volume | empty.effect | empty.param, 0);
}

TEST(LoadPatterns, PackedCellsUnpackIntoFiveByteNotes) { expectCellsRoundTrip(true); }

TEST(LoadPatterns, UnpackedCellsReadAsStored) { expectCellsRoundTrip(false); }

TEST(LoadPatterns, PackedSizeZeroGivesEmptyRowsAndTheNextHeaderFollowsAtOnce) {
    XmModule module;
    module.channels = 2;
    module.orders = {0, 1};
    XmPattern& empty = module.patterns.emplace_back();
    empty.rawData = std::vector<uint8_t>{};
    module.patterns.emplace_back().set(0, 1, {13, 2, 0, 0, 0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    ASSERT_EQ(song->patterns[0].rowCount, 64);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(song->patterns[0].cells[i].note, 0);
    EXPECT_EQ(cellAt(*song, 1, 0, 1).note, 13);
    EXPECT_EQ(cellAt(*song, 1, 0, 1).instrument, 2);
}

TEST(LoadPatterns, MaskByteWithoutFieldsTakesOneByteAndZeroLeadByteTakesFive) {
    XmModule module;
    module.channels = 3;
    XmPattern& pattern = module.patterns.emplace_back();
    pattern.rows = 1;
    // 0x80: empty; 0x00 followed by four fields; then a mask with note only.
    pattern.rawData = std::vector<uint8_t>{0x80, 0x00, 5, 6, 7, 8, 0x81, 30};
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(cellAt(*song, 0, 0, 0).note, 0);
    const Note& plain = cellAt(*song, 0, 0, 1);
    EXPECT_EQ(plain.note, 0);
    EXPECT_EQ(plain.instrument, 5);
    EXPECT_EQ(plain.volume, 6);
    EXPECT_EQ(plain.effect, 7);
    EXPECT_EQ(plain.param, 8);
    EXPECT_EQ(cellAt(*song, 0, 0, 2).note, 30);
}

TEST(LoadPatterns, DecodesRowsTimesChannelsCellsWhateverThePackedSizeSays) {
    XmModule module;
    module.channels = 1;
    module.orders = {0, 1};
    XmPattern& first = module.patterns.emplace_back();
    first.rows = 2;
    first.set(1, 0, {40, 0, 0, 0, 0});
    first.storedPackedSize = 1;  // understated: both cells are still decoded
    module.patterns.emplace_back().set(0, 0, {41, 0, 0, 0, 0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(cellAt(*song, 0, 1, 0).note, 40);
    EXPECT_EQ(cellAt(*song, 1, 0, 0).note, 41);
}

TEST(LoadInstruments, CopiesMapEnvelopesVibratoAndDoublesTheFadeout) {
    XmModule module;
    XmInstrument& instrument = module.instruments.emplace_back();
    instrument.samples = {eightBit({1, 2}), eightBit({3})};
    instrument.sampleMap.assign(96, 0);
    instrument.sampleMap[48] = 1;
    instrument.sampleMap[95] = 1;
    XmEnvelope& volume = instrument.volumeEnvelope;
    volume.points = {{0, 64}, {10, 32}, {30, 0}};
    volume.on = volume.sustain = volume.loop = true;
    volume.sustainPoint = 1;
    volume.loopEnd = 2;
    instrument.panningEnvelope.points = {{0, 0}, {5, 64}};
    instrument.panningEnvelope.on = true;
    instrument.vibratoType = 1;
    instrument.vibratoSweep = 2;
    instrument.vibratoDepth = 3;
    instrument.vibratoRate = 4;
    instrument.fadeout = 0x0123;
    module.instruments.emplace_back().fadeout = 40000;  // doubled in 16 bits: wraps
    module.instruments.back().samples.push_back(eightBit({0}));
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Instrument& loaded = song->instruments[0];
    EXPECT_EQ(loaded.sampleCount, 2);
    EXPECT_EQ(loaded.sampleMap[0], 0);
    EXPECT_EQ(loaded.sampleMap[48], 1);
    EXPECT_EQ(loaded.sampleMap[95], 1);
    EXPECT_EQ(loaded.volumePointCount, 3);
    EXPECT_EQ(loaded.volumeEnvelope[1].x, 10);
    EXPECT_EQ(loaded.volumeEnvelope[1].y, 32);
    EXPECT_EQ(loaded.volumeEnvelope[2].x, 30);
    EXPECT_EQ(loaded.volumeSustainPoint, 1);
    EXPECT_EQ(loaded.volumeLoopEnd, 2);
    EXPECT_EQ(loaded.volumeEnvelopeFlags, envelopeOn | envelopeSustain | envelopeLoop);
    EXPECT_EQ(loaded.panningPointCount, 2);
    EXPECT_EQ(loaded.panningEnvelope[1].y, 64);
    EXPECT_EQ(loaded.panningEnvelopeFlags, envelopeOn);
    EXPECT_EQ(loaded.vibratoType, 1);
    EXPECT_EQ(loaded.vibratoSweep, 2);
    EXPECT_EQ(loaded.vibratoDepth, 3);
    EXPECT_EQ(loaded.vibratoRate, 4);
    EXPECT_EQ(loaded.fadeout, 0x0246);
    EXPECT_EQ(song->instruments[1].fadeout, (40000 * 2) & 0xffff);
    for (size_t j = 2; j < 16; ++j) EXPECT_EQ(loaded.samples[j], &emptySample);
    EXPECT_EQ(loaded.samples[1]->length, 1u);
    expectPlayableSong(*song);
}

TEST(LoadInstruments, AnEnvelopeOfOnePointIsSwitchedOff) {
    XmModule module;
    XmInstrument& instrument = module.instruments.emplace_back();
    instrument.samples.push_back(eightBit({1}));
    instrument.volumeEnvelope.points = {{0, 64}};
    instrument.volumeEnvelope.on = instrument.volumeEnvelope.sustain = true;
    instrument.panningEnvelope.on = true;
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->instruments[0].volumeEnvelopeFlags, 0);
    EXPECT_EQ(song->instruments[0].panningEnvelopeFlags, 0);
}

TEST(LoadInstruments, InstrumentsWithoutSamplesEndWhereTheirHeaderSizeSays) {
    for (uint32_t headerSize : {29u, 33u, 263u}) {
        XmModule module;
        XmInstrument& empty = module.instruments.emplace_back();
        empty.headerSize = headerSize;
        empty.name = "silent";
        XmInstrument& next = module.instruments.emplace_back();
        next.samples.push_back(eightBit({10, 20}));
        next.fadeout = 7;
        SongPtr song = loadModule(module);
        ASSERT_TRUE(song) << headerSize;
        const Instrument& silent = song->instruments[0];
        EXPECT_EQ(silent.sampleCount, 0);
        EXPECT_EQ(silent.fadeout, 0);
        for (const Sample* sample : silent.samples) EXPECT_EQ(sample, &emptySample);
        EXPECT_EQ(song->instruments[1].sampleCount, 1) << headerSize;
        EXPECT_EQ(song->instruments[1].fadeout, 14) << headerSize;
        EXPECT_EQ(song->instruments[1].samples[0]->data[1], 20 * 256) << headerSize;
    }
}

TEST(LoadInstruments, SampleHeadersStartWhereTheInstrumentHeaderSizeSays) {
    XmModule module;
    XmInstrument& instrument = module.instruments.emplace_back();
    instrument.headerSize = 300;
    instrument.samples.push_back(eightBit({5, -5}));
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(firstSample(*song).length, 2u);
    EXPECT_EQ(firstSample(*song).data[1], -5 * 256);
}

// Up to 32 samples fill an instrument's slots; the headers and data of any
// more are read past, in both layouts, and the next instrument is intact.
TEST(LoadInstruments, ThirtyTwoSamplesFillTheSlotsAndMoreAreReadPast) {
    for (uint16_t version : {0x0103, 0x0104}) {
        XmModule module;
        module.version = version;
        XmInstrument& crowded = module.instruments.emplace_back();
        for (int j = 0; j < 40; ++j) crowded.samples.push_back(eightBit({static_cast<int16_t>(j + 1)}));
        crowded.samples[35] = sixteenBit({1, 2, 3});  // data of another width among those read past
        module.instruments.emplace_back().samples = {eightBit({77, 78})};
        SongPtr song = loadModule(module);
        ASSERT_TRUE(song) << version;
        const Instrument& loaded = song->instruments[0];
        EXPECT_EQ(loaded.sampleCount, 32);
        EXPECT_EQ(loaded.samples[16]->data[0], 17 * 256) << version;
        EXPECT_EQ(loaded.samples[31]->data[0], 32 * 256) << version;
        EXPECT_EQ(song->instruments[1].samples[0]->data[1], 78 * 256) << version;
        expectPlayableSong(*song);
    }
}

// A sample-map entry naming a slot the instrument does not fill, or one past
// the slots, plays nothing: the note before it is let go.
TEST(LoadInstruments, MapEntriesBeyondTheLoadedSamplesPlayNothing) {
    for (uint8_t slot : {2, 31, 32, 200}) {
        XmModule module = testModule(1, 4);
        XmInstrument& instrument = module.instruments[0];
        instrument.samples.push_back(eightBit(std::vector<int16_t>(100, 20)));
        instrument.sampleMap.assign(96, 0);
        instrument.sampleMap[50] = slot;  // note 51
        module.patterns[0].set(0, 0, {49, 1, 0, 0, 0});
        module.patterns[0].set(1, 0, {51, 1, 0, 0, 0});
        PlayerHarness player(module);
        player.tick(6);
        ASSERT_NE(player.voice(0).sample, nullptr);
        player.tick(6);
        const Voice& voice = player.voice(0);
        EXPECT_TRUE(voice.sample == nullptr || voice.sample->length == 0) << int{slot};
        EXPECT_EQ(player.channel(0).channelVolume, 0) << int{slot};
    }
}

TEST(LoadSamples, EightBitDeltasDecodeAndWidenToSixteenBits) {
    XmSample sample;
    sample.rawData = std::vector<uint8_t>{1, 1, 1, 0x7d, 0x01};  // 1, 2, 3, 128 -> -128, -127
    SongPtr song = loadModule(withOneSample(sample));
    ASSERT_TRUE(song);
    const Sample& loaded = firstSample(*song);
    ASSERT_EQ(loaded.length, 5u);
    EXPECT_EQ(loaded.bits, 16);
    EXPECT_EQ(loaded.data[0], 256);
    EXPECT_EQ(loaded.data[1], 512);
    EXPECT_EQ(loaded.data[2], 768);
    EXPECT_EQ(loaded.data[3], -128 * 256);
    EXPECT_EQ(loaded.data[4], -127 * 256);
}

TEST(LoadSamples, SixteenBitDeltasDecodeWithWrapAround) {
    SongPtr song = loadModule(withOneSample(sixteenBit({1000, -32768, 32767, 0, -1})));
    ASSERT_TRUE(song);
    const Sample& loaded = firstSample(*song);
    ASSERT_EQ(loaded.length, 5u);
    EXPECT_EQ(loaded.bits, 16);
    const int16_t expected[5] = {1000, -32768, 32767, 0, -1};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(loaded.data[k], expected[k]) << k;
}

TEST(LoadSamples, SampleFieldsAreCopiedAsStored) {
    XmSample sample = eightBit({1, 2, 3});
    sample.volume = 40;
    sample.finetune = -16;
    sample.panning = 200;
    sample.relativeNote = -12;
    SongPtr song = loadModule(withOneSample(sample));
    ASSERT_TRUE(song);
    const Sample& loaded = firstSample(*song);
    EXPECT_EQ(loaded.volume, 40);
    EXPECT_EQ(loaded.finetune, -16);
    EXPECT_EQ(loaded.panning, 200);
    EXPECT_EQ(loaded.relativeNote, -12);
}

TEST(LoadSamples, SixteenBitByteCountsBecomeFrames) {
    XmSample sample = sixteenBit(std::vector<int16_t>(500, 0));
    sample.loop = XmLoop::forward;
    sample.loopStart = 100;  // bytes 200..599
    sample.loopLength = 200;
    SongPtr song = loadModule(withOneSample(sample));
    ASSERT_TRUE(song);
    const Sample& loaded = firstSample(*song);
    EXPECT_EQ(loaded.length, 500u);
    EXPECT_EQ(loaded.loopStart, 100u);
    EXPECT_EQ(loaded.loopLength, 200u);
    EXPECT_EQ(loaded.loopMode, 2);
}

std::vector<int16_t> ramp(int frames) {
    std::vector<int16_t> pcm;
    for (int k = 0; k < frames; ++k) pcm.push_back(static_cast<int16_t>(100 * (k + 1)));
    return pcm;
}

TEST(LoadSamples, LoopsEndInTheirInterpolationPartnerFrame) {
    XmSample forward = sixteenBit(ramp(10));
    forward.loop = XmLoop::forward;
    forward.loopStart = 2;
    forward.loopLength = 5;
    XmSample pingPong = forward;
    pingPong.loop = XmLoop::pingPong;
    XmSample once = forward;
    once.loop = XmLoop::none;
    XmModule module;
    module.instruments.emplace_back().samples = {forward, pingPong, once};
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Instrument& loaded = song->instruments[0];
    EXPECT_EQ(loaded.samples[0]->data[7], 300);  // copy of frame 2
    EXPECT_EQ(loaded.samples[1]->loopMode, 4);
    EXPECT_EQ(loaded.samples[1]->data[7], 700);  // copy of frame 6
    const Sample& plain = *loaded.samples[2];
    EXPECT_EQ(plain.loopMode, 1);
    EXPECT_EQ(plain.loopStart, 0u);
    EXPECT_EQ(plain.loopLength, 10u);
    EXPECT_EQ(plain.data[7], 800);  // untouched inside the data
    for (int k = 10; k < 18; ++k) EXPECT_EQ(plain.data[k], 0) << k;
}

TEST(LoadSamples, BothLoopBitsMeanPingPong) {
    XmSample sample = eightBit(ramp(4));
    sample.loop = XmLoop::forward;
    sample.loopLength = 4;
    sample.storedType = 0x03;
    SongPtr song = loadModule(withOneSample(sample));
    ASSERT_TRUE(song);
    EXPECT_EQ(firstSample(*song).loopMode, 4);
}

TEST(LoadSamples, ALoopOfLengthZeroPlaysOnce) {
    for (XmLoop loop : {XmLoop::forward, XmLoop::pingPong}) {
        XmSample sample = eightBit(ramp(6));
        sample.loop = loop;
        sample.loopStart = 3;
        sample.loopLength = 0;
        SongPtr song = loadModule(withOneSample(sample));
        ASSERT_TRUE(song);
        const Sample& loaded = firstSample(*song);
        EXPECT_EQ(loaded.loopMode, 1);
        EXPECT_EQ(loaded.loopStart, 0u);
        EXPECT_EQ(loaded.loopLength, 6u);
    }
}

TEST(LoadSamples, DataFollowsAllOfAnInstrumentsHeadersInOrder) {
    XmModule module;
    module.instruments.emplace_back().samples = {eightBit({1, 2, 3}), sixteenBit({-7, 9}), XmSample{}, eightBit({4})};
    module.instruments.emplace_back().samples = {sixteenBit({300})};
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Instrument& first = song->instruments[0];
    EXPECT_EQ(first.samples[0]->data[2], 3 * 256);
    EXPECT_EQ(first.samples[1]->data[0], -7);
    EXPECT_EQ(first.samples[1]->data[1], 9);
    EXPECT_EQ(first.samples[2]->length, 0u);
    EXPECT_EQ(first.samples[2]->data, nullptr);
    EXPECT_EQ(first.samples[3]->data[0], 4 * 256);
    EXPECT_EQ(song->instruments[1].samples[0]->data[0], 300);
    expectPlayableSong(*song);
}

// 4-bit packed data: 16 deltas, then indices two to a byte, low nibble first,
// each adding its delta to a running 8-bit value; the stored length counts
// frames, so an odd count leaves the last high nibble unused.
TEST(LoadSamples, FourBitPackedDataAddsTableDeltasLowNibbleFirst) {
    XmSample packed;
    packed.packed4Bit = true;
    packed.rawData = std::vector<uint8_t>{0,    1,    0xff, 16,   0xf0, 127, 0x80, 5, 0, 0, 0, 0, 0, 0, 0, 0,  // deltas
                                          0x31, 0x56, 0x17, 0x25, 0x37};
    packed.storedLength = 9;
    packed.loop = XmLoop::forward;
    packed.loopStart = 2;
    packed.loopLength = 7;
    XmSample after = eightBit({3, -3});
    XmModule module;
    module.instruments.emplace_back().samples = {packed, after};
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Sample& loaded = firstSample(*song);
    ASSERT_EQ(loaded.length, 9u);
    EXPECT_EQ(loaded.bits, 16);
    // +1, +16, -128, +127, +5, +1, +127 (wraps), -1, +5
    const int expected[9] = {1, 17, -111, 16, 21, 22, -107, -108, -103};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(loaded.data[k], expected[k] * 256) << k;
    EXPECT_EQ(loaded.data[9], expected[2] * 256) << "forward loop partner";
    EXPECT_EQ(song->instruments[0].samples[1]->data[1], -3 * 256) << "the next sample starts after the last byte";

    // The writer packs exactly when every step is one of the deltas.
    XmSample written = eightBit({1, 3, 7, 6, 4, 0, -64, -128, 127});
    written.packed4Bit = true;
    song = loadModule(withOneSample(written));
    ASSERT_TRUE(song);
    for (size_t k = 0; k < 9; ++k) EXPECT_EQ(firstSample(*song).data[k], written.pcm[k] * 256) << k;

    // The mark means nothing to 16-bit data.
    XmSample wide = sixteenBit({1000, -1000});
    wide.storedReserved = 0xad;
    song = loadModule(withOneSample(wide));
    ASSERT_TRUE(song);
    EXPECT_EQ(firstSample(*song).length, 2u);
    EXPECT_EQ(firstSample(*song).data[1], -1000);
}

}  // namespace
