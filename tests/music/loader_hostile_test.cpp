// Broken and hostile modules: each loads into a song that the player and mixer
// can use without leaving their arrays, or fails cleanly, and nothing is
// allocated beyond what the file could fill.
#include <gtest/gtest.h>

#include <vector>

#include "tests/music/song_loading.h"

using namespace music;

namespace {

TEST(HostileSamples, AHugeStoredLengthIsCutToTheBytesThatFollow) {
    XmSample sample = eightBit({1, 2, 3, 4, 5, 6});
    sample.storedLength = 0xfffffff0u;
    sample.loop = XmLoop::forward;
    sample.loopStart = 2;
    sample.storedLoopLength = 0x7ffffff0u;
    SongPtr song = loadModule(withOneSample(sample));
    ASSERT_TRUE(song);
    const Sample& loaded = firstSample(*song);
    EXPECT_EQ(loaded.length, 6u);
    EXPECT_EQ(loaded.data[5], 6 * 256);
    EXPECT_EQ(loaded.loopStart, 2u);
    EXPECT_EQ(loaded.loopLength, 4u);
    EXPECT_EQ(loaded.data[6], 3 * 256);  // forward partner of the clamped loop
    expectPlayableSong(*song);
}

TEST(HostileSamples, LoopsRunningPastTheEndAreClampedIntoTheSample) {
    XmSample pastEnd = eightBit({1, 2, 3, 4, 5, 6, 7, 8});
    pastEnd.loop = XmLoop::pingPong;
    pastEnd.loopStart = 5;
    pastEnd.loopLength = 100;
    XmSample startsPastEnd = pastEnd;
    startsPastEnd.loopStart = 8;
    startsPastEnd.loopLength = 4;
    XmSample overflowing = pastEnd;
    overflowing.loop = XmLoop::forward;
    overflowing.loopStart = 3;
    overflowing.storedLoopLength = 0xffffffffu;  // start + length wraps in 32 bits
    XmModule module;
    module.instruments.emplace_back().samples = {pastEnd, startsPastEnd, overflowing};
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Instrument& loaded = song->instruments[0];
    EXPECT_EQ(loaded.samples[0]->loopMode, 4);
    EXPECT_EQ(loaded.samples[0]->loopStart, 5u);
    EXPECT_EQ(loaded.samples[0]->loopLength, 3u);
    EXPECT_EQ(loaded.samples[0]->data[8], 8 * 256);  // ping-pong partner: the last frame
    EXPECT_EQ(loaded.samples[1]->loopMode, 1);
    EXPECT_EQ(loaded.samples[1]->loopStart, 0u);
    EXPECT_EQ(loaded.samples[1]->loopLength, 8u);
    EXPECT_EQ(loaded.samples[2]->loopStart, 3u);
    EXPECT_EQ(loaded.samples[2]->loopLength, 5u);
    expectPlayableSong(*song);
}

TEST(HostileSamples, AnEmptySampleWithAStoredLoopHasNoLoop) {
    XmSample sample;
    sample.loop = XmLoop::forward;
    sample.storedLoopStart = 4;
    sample.storedLoopLength = 10;
    SongPtr song = loadModule(withOneSample(sample));
    ASSERT_TRUE(song);
    EXPECT_EQ(firstSample(*song).length, 0u);
    EXPECT_EQ(firstSample(*song).loopLength, 0u);
    EXPECT_EQ(firstSample(*song).loopMode, 1);
    expectPlayableSong(*song);
}

TEST(HostileSamples, AnOddSixteenBitLengthKeepsTheNextSampleAligned) {
    XmSample odd;
    odd.sixteenBit = true;
    odd.rawData = std::vector<uint8_t>{0x10, 0x00, 0x20, 0x00, 0x99};  // 2 frames and a stray byte
    XmSample next;
    next.sixteenBit = true;
    next.pcm = {0x1234, 0x1235};
    XmModule module;
    module.instruments.emplace_back().samples = {odd, next};
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Instrument& loaded = song->instruments[0];
    EXPECT_EQ(loaded.samples[0]->length, 2u);
    EXPECT_EQ(loaded.samples[0]->data[1], 0x30);
    EXPECT_EQ(loaded.samples[1]->data[0], 0x1234);
    EXPECT_EQ(loaded.samples[1]->data[1], 0x1235);
}

TEST(HostileSamples, PackedDataIsCutToTheBytesThatFollow) {
    XmSample packed;
    packed.packed4Bit = true;
    packed.pcm = {1, 2, 3, 4, 5, 6, 7, 8};
    packed.storedLength = 0xffffffffu;  // 2^31 bytes of packed frames claimed
    packed.loop = XmLoop::pingPong;
    packed.loopStart = 5;
    packed.storedLoopLength = 100;
    SongPtr song = loadModule(withOneSample(packed));
    ASSERT_TRUE(song);
    const Sample& loaded = firstSample(*song);
    EXPECT_EQ(loaded.length, 8u);
    EXPECT_EQ(loaded.data[7], 8 * 256);
    EXPECT_EQ(loaded.loopLength, 3u);
    expectPlayableSong(*song);

    XmSample deltasOnly = packed;
    deltasOnly.rawData = std::vector<uint8_t>(10, 1);  // the file ends inside the delta table
    song = loadModule(withOneSample(deltasOnly));
    ASSERT_TRUE(song);
    EXPECT_EQ(firstSample(*song).length, 0u);
    expectPlayableSong(*song);
}

// A stored count of 65,535 samples reads headers only as far as the file
// goes: the 32 slots hold whatever the bytes said, the rest is not read.
TEST(HostileInstruments, AHugeSampleCountReadsOnlyWhatTheFileHolds) {
    for (uint16_t version : {0x0102, 0x0104}) {
        XmModule module;
        module.version = version;
        XmInstrument& instrument = module.instruments.emplace_back();
        instrument.samples = {eightBit({1, 2}), sixteenBit({3})};
        instrument.storedSampleCount = 0xffff;
        module.instruments.emplace_back().samples.push_back(eightBit({4}));
        SongPtr song = loadModule(module);
        ASSERT_TRUE(song) << version;
        EXPECT_EQ(song->instruments[0].sampleCount, 32);
        EXPECT_EQ(song->instruments[0].samples[1]->bits, 16);
        expectPlayableSong(*song);
    }
}

TEST(HostilePatterns, RowCountsAreHeldToTheFormatsLimitAndTheNextPatternStillFound) {
    XmModule module;
    module.channels = 2;
    module.orders = {0, 1, 2};
    XmPattern& tall = module.patterns.emplace_back();
    tall.rows = 300;
    tall.set(255, 1, {20, 0, 0, 0, 0});
    tall.set(299, 0, {21, 0, 0, 0, 0});
    module.patterns.emplace_back().rows = 0;
    module.patterns.emplace_back().set(0, 0, {22, 0, 0, 0, 0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].rowCount, 256);
    EXPECT_EQ(song->patterns[0].cells[255 * 2 + 1].note, 20);
    // A pattern of no rows would give the player no row to read.
    EXPECT_EQ(song->patterns[1].rowCount, 64);
    EXPECT_EQ(song->patterns[2].cells[0].note, 22);
    expectPlayableSong(*song);
}

TEST(HostilePatterns, MoreThan32ChannelsAreKeptIndexedByTheStoredCount) {
    XmModule module;
    module.channels = 40;
    XmPattern& pattern = module.patterns.emplace_back();
    pattern.rows = 2;
    pattern.set(1, 39, {50, 1, 0, 0, 0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->channelCount, 40);
    EXPECT_EQ(song->patterns[0].cells[1 * 40 + 39].note, 50);

    module.channels = 129;
    EXPECT_FALSE(loadModule(module));
    module.channels = 0xffff;
    EXPECT_FALSE(loadModule(module));
}

TEST(HostilePatterns, StoredPatternsPastTheLimitAreReadThroughToTheInstruments) {
    XmModule module;
    module.channels = 1;
    module.patterns.resize(300);
    module.patterns[299].set(0, 0, {30, 0, 0, 0, 0});
    module.instruments.emplace_back().samples.push_back(eightBit({9}));
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patternCount, 256);
    ASSERT_EQ(song->instrumentCount, 1);
    EXPECT_EQ(firstSample(*song).data[0], 9 * 256);
}

TEST(HostilePatterns, PatternsBeyondTheEndOfTheFileAreEmpty) {
    XmModule module;
    module.channels = 8;
    module.orders = {0, 1};
    module.patterns.emplace_back().rows = 256;
    module.patterns[0].set(0, 0, {1, 0, 0, 0, 0});
    module.patterns.emplace_back();
    module.storedPatternCount = 0xffff;
    module.truncateTo = 336 + 9 + 10;  // header, first pattern header and a few cells
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].cells[0].note, 1);
    EXPECT_EQ(song->patternCount, 256);
    expectPlayableSong(*song);
}

TEST(HostileHeader, SongLengthIsHeldToTheOrderTable) {
    XmModule module;
    module.orders.assign(256, 0);
    module.orders[255] = 1;
    module.patterns.resize(2);
    module.storedSongLength = 300;
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->songLength, 256);
    EXPECT_EQ(song->usedPatternCount, 2);

    // The player always stands on order position 0, so it must name a pattern
    // even when the stored song length is 0.
    XmModule silent;
    silent.orders = {5};
    silent.storedSongLength = 0;
    silent.patterns.clear();
    SongPtr empty = loadModule(silent);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->songLength, 1);
    EXPECT_EQ(empty->patternCount, 6);
    expectPlayableSong(*empty);
}

TEST(HostileHeader, ARestartPositionOutsideTheSongRestartsAtZero) {
    XmModule module;
    module.orders = {0, 0, 0};
    module.patterns.resize(1);
    module.restartPosition = 3;
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->restartPosition, 0);
    module.restartPosition = 2;
    EXPECT_EQ(loadModule(module)->restartPosition, 2);
}

// A header size shorter than the header's own fields is taken as the usual
// 276 bytes; one past the end of the file leaves no patterns to read.
TEST(HostileHeader, AHeaderSizeShorterThanItsFieldsIsNotSeekedBack) {
    XmModule module;
    module.storedHeaderSize = 0;  // would send the patterns back to offset 60
    module.channels = 1;
    module.patterns.emplace_back().set(0, 0, {12, 0, 0, 0, 0});
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].cells[0].note, 12);

    module.storedHeaderSize = 0xffffffffu;
    module.instruments.emplace_back().samples.push_back(eightBit({1}));
    song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].cells[0].note, 0);
    expectPlayableSong(*song);
}

TEST(HostileHeader, MoreThan128InstrumentsKeepTheFirst128) {
    XmModule module;
    module.instruments.resize(130);
    module.instruments[127].samples.push_back(eightBit({3}));
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->instrumentCount, 128);
    EXPECT_EQ(song->instruments[127].samples[0]->data[0], 3 * 256);

    module.instruments.resize(1);
    module.storedInstrumentCount = 0xffff;  // all but one beyond the end of the file
    song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->instrumentCount, 128);
    expectPlayableSong(*song);
}

TEST(HostileInstruments, HeaderSizesThatPointBackwardsAreNotFollowed) {
    for (uint32_t stored : {0u, 4u, 28u}) {
        XmModule module;
        XmInstrument& empty = module.instruments.emplace_back();
        empty.headerSize = 29;
        empty.storedHeaderSize = stored;
        module.instruments.emplace_back().samples.push_back(eightBit({7, 8}));
        SongPtr song = loadModule(module);
        ASSERT_TRUE(song) << stored;
        EXPECT_EQ(song->instruments[1].samples[0]->data[1], 8 * 256) << stored;
    }
    XmModule module;
    XmInstrument& instrument = module.instruments.emplace_back();
    instrument.headerSize = 241;        // the fields up to the fadeout, nothing reserved
    instrument.storedHeaderSize = 100;  // inside the fields already read
    instrument.samples.push_back(eightBit({4, 5}));
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    EXPECT_EQ(firstSample(*song).data[1], 5 * 256);
}

TEST(HostileInstruments, EnvelopeCountsAndPointIndicesAreHeldToThePointsInUse) {
    XmModule module;
    XmInstrument& instrument = module.instruments.emplace_back();
    instrument.samples.push_back(eightBit({1}));
    XmEnvelope& volume = instrument.volumeEnvelope;
    volume.points.assign(12, XmEnvelopePoint{0, 64});
    volume.storedPointCount = 200;
    volume.on = volume.sustain = volume.loop = true;
    volume.sustainPoint = 11;
    volume.loopStart = 3;
    volume.loopEnd = 11;
    XmEnvelope& panning = instrument.panningEnvelope;
    panning.points = {{0, 32}, {10, 0}, {20, 64}};
    panning.on = panning.sustain = panning.loop = true;
    panning.sustainPoint = 3;
    panning.loopStart = 1;
    panning.loopEnd = 200;
    SongPtr song = loadModule(module);
    ASSERT_TRUE(song);
    const Instrument& loaded = song->instruments[0];
    EXPECT_EQ(loaded.volumePointCount, 12);
    EXPECT_EQ(loaded.volumeEnvelopeFlags, envelopeOn | envelopeSustain | envelopeLoop);
    EXPECT_EQ(loaded.panningPointCount, 3);
    EXPECT_EQ(loaded.panningEnvelopeFlags, envelopeOn);
    expectPlayableSong(*song);
}

// A module with a bit of everything, cut at every length in both layouts:
// each prefix that holds the version field loads into a playable song.
TEST(HostileFiles, EveryTruncationLoadsIntoAPlayableSongOrNone) {
    XmModule module;
    module.channels = 3;
    module.orders = {0, 2, 1};
    XmPattern& first = module.patterns.emplace_back();
    first.rows = 4;
    first.set(0, 0, {49, 1, 0x40, 0x0c, 0x20});
    first.set(3, 2, {97, 0, 0, 0, 0});
    XmPattern& second = module.patterns.emplace_back();
    second.rows = 2;
    second.packed = false;
    XmInstrument& instrument = module.instruments.emplace_back();
    instrument.volumeEnvelope.points = {{0, 64}, {4, 10}};
    instrument.volumeEnvelope.on = true;
    XmSample looped = eightBit({1, 2, 3, 4, 5, 6});
    looped.loop = XmLoop::forward;
    looped.loopStart = 1;
    looped.loopLength = 4;
    XmSample wide;
    wide.sixteenBit = true;
    wide.pcm = {100, 200, 300, 400};
    wide.loop = XmLoop::pingPong;
    wide.loopStart = 2;
    wide.loopLength = 2;
    XmSample packed = eightBit({1, 2, 4, 8, 16});
    packed.packed4Bit = true;
    packed.loop = XmLoop::forward;
    packed.loopStart = 1;
    packed.loopLength = 4;
    instrument.samples = {looped, wide, packed};
    module.instruments.emplace_back();
    XmInstrument& crowded = module.instruments.emplace_back();
    crowded.samples.assign(34, eightBit({9, 9, 9}));

    for (uint16_t version : {0x0102, 0x0104}) {
        module.version = version;
        const std::vector<uint8_t> whole = writeXm(module);
        for (size_t size = 0; size <= whole.size(); ++size) {
            SongPtr song = loadBytes(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size)));
            // Up to the end of the header's fields (channel count, tempo) there
            // is no song to play.
            if (size < 80) {
                EXPECT_FALSE(song) << size;
                continue;
            }
            ASSERT_TRUE(song) << size;
            expectPlayableSong(*song);
            if (testing::Test::HasFailure())
                FAIL() << "version " << version << " cut at " << size << " of " << whole.size();
        }
    }
}

}  // namespace
