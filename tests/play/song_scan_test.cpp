// The scan before a song plays, and opening module files: where each order
// position begins and with which tempo, where the song ends and loops, and
// why a file cannot be played.
#include "tools/play/song_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "music/lifecycle.h"
#include "music/render.h"
#include "tools/play/module_file.h"
#include "tools/xmrender/song_end.h"
#include "tools/xmwriter/xm_writer.h"

using namespace music;

namespace {

namespace fs = std::filesystem;

fs::path workDirectory() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const fs::path directory = fs::path(testing::TempDir()) / (std::string("play_") + test->name());
    fs::remove_all(directory);
    fs::create_directories(directory);
    return directory;
}

// Four rows an order: order 1 turns to speed 3 and then to 150 BPM (735
// frames a tick), order 2 jumps back to order 1 at its end, and order 3 is
// never reached.
XmModule loopingModule() {
    XmModule module;
    module.name = "Scan Song";
    module.orders = {0, 1, 2, 0};
    for (int p = 0; p < 3; ++p) module.patterns.emplace_back().rows = 4;
    module.patterns[1].set(0, 0, {0, 0, 0, 15, 0x03});
    module.patterns[1].set(2, 1, {0, 0, 0, 15, 0x96});
    module.patterns[2].set(3, 2, {0, 0, 0, 11, 0x01});
    XmSample sample;
    sample.pcm = std::vector<int16_t>(32, 20);
    module.instruments.emplace_back().samples.push_back(sample);
    module.patterns[0].set(0, 0, {49, 1, 0, 0, 0});
    return module;
}

struct LoadedSong {
    ModuleFile module;
    ~LoadedSong() { freeSong(module.song); }
};

TEST(SongScan, FindsEachOrdersStartTempoAndTheEndXmrenderFinds) {
    const fs::path path = workDirectory() / "loop.xm";
    ASSERT_TRUE(writeXmFile(loopingModule(), path.string()));
    LoadedSong loaded{openModuleFile(path.string())};
    Song* song = loaded.module.song;
    ASSERT_NE(song, nullptr) << loaded.module.error;

    const SongScan scan = scanSong(song, 44100, 1000000);
    // Order 0: 4 rows x 6 ticks x 882 frames. Order 1: 2 rows x 3 ticks x 882,
    // then 2 rows x 3 x 735. Order 2: 4 rows x 3 x 735.
    ASSERT_EQ(scan.starts.size(), 4u);
    const struct {
        int32_t speed, bpm;
        int64_t frame;
    } expected[] = {{6, 125, 0}, {6, 125, 21168}, {3, 150, 21168 + 9702}, {0, 0, -1}};
    for (size_t p = 0; p < 4; ++p) {
        EXPECT_EQ(scan.starts[p].frame, expected[p].frame) << p;
        if (expected[p].frame < 0) continue;
        EXPECT_EQ(scan.starts[p].orderPosition, static_cast<int32_t>(p));
        EXPECT_EQ(scan.starts[p].speed, expected[p].speed) << p;
        EXPECT_EQ(scan.starts[p].bpm, expected[p].bpm) << p;
        EXPECT_EQ(scan.starts[p].globalVolume, 64);
    }
    EXPECT_TRUE(scan.ends);
    EXPECT_EQ(scan.loopOrder, 1);
    EXPECT_EQ(scan.totalFrames, 21168 + 9702 + 8820);

    // The length a render to the end gives, as xmrender renders it.
    ASSERT_TRUE(beginRender(song, 44100));
    SongEndWatch watch;
    std::vector<int16_t> pcm(2 * 100000);
    EXPECT_EQ(renderFrames(pcm.data(), 100000, songHasEnded, &watch), scan.totalFrames);
    endRender();

    // A position never reached plays with the tempo of the last one before it.
    const OrderStart unreached = orderStartFor(scan, *song, 3);
    EXPECT_EQ(unreached.orderPosition, 3);
    EXPECT_EQ(unreached.speed, 3);
    EXPECT_EQ(unreached.bpm, 150);
    EXPECT_EQ(orderStartFor(scan, *song, 40).orderPosition, 3);
}

TEST(SongScan, TimeAndEndFollowTheLoopPastTheEnd) {
    SongScan scan;
    scan.ends = true;
    scan.totalFrames = 40000;
    scan.loopOrder = 1;
    scan.starts = {{0, 6, 125, 64, 0}, {1, 6, 125, 64, 10000}};
    const int64_t never = std::numeric_limits<int64_t>::max();
    const struct {
        int64_t played, elapsed, endWithoutLoop;
    } cases[] = {
        {0, 0, 40000},         {39999, 39999, 40000},
        {40000, 10000, 70000},  // the loop's first lap starts at order 1's frame
        {40100, 10100, 70000}, {70000, 10000, 100000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(elapsedFrames(scan, c.played), c.elapsed) << c.played;
        EXPECT_EQ(endFrameFor(scan, false, c.played), c.endWithoutLoop) << c.played;
        EXPECT_EQ(endFrameFor(scan, true, c.played), never);
    }
    // A song that never ends within the scan keeps counting and stops at it.
    scan.ends = false;
    EXPECT_EQ(elapsedFrames(scan, 50000), 50000);
    EXPECT_EQ(endFrameFor(scan, false, 100), 40000);
}

TEST(ModuleFile, NamesFromTheHeaderAndAReasonForEveryFileThatCannotPlay) {
    const fs::path directory = workDirectory();
    XmModule module = loopingModule();
    module.name = "Scan\tSong";
    module.trackerName = "FastTracker v2.00";
    ASSERT_TRUE(writeXmFile(module, (directory / "good.xm").string()));
    {
        LoadedSong loaded{openModuleFile((directory / "good.xm").string())};
        ASSERT_NE(loaded.module.song, nullptr);
        EXPECT_EQ(loaded.module.songName, "Scan Song");
        EXPECT_EQ(loaded.module.trackerName, "FastTracker v2.00");
        EXPECT_TRUE(loaded.module.error.empty());
    }
    // A format version older than any layout the loader reads: it refuses it.
    module.version = 0x0101;
    ASSERT_TRUE(writeXmFile(module, (directory / "damaged.xm").string()));
    std::ofstream(directory / "text.xm") << "Not a module at all, just some words.";
    fs::create_directory(directory / "folder.xm");
    const struct {
        const char* name;
        std::string reason;
    } cases[] = {
        {"missing.xm", "cannot open '" + (directory / "missing.xm").string() + "': No such file or directory"},
        {"folder.xm", "cannot open '" + (directory / "folder.xm").string() + "': Is a directory"},
        {"text.xm", "'" + (directory / "text.xm").string() + "' is not an XM module"},
        {"damaged.xm",
         "'" + (directory / "damaged.xm").string() + "' fails to load: XM format version 1.01 is not supported"},
    };
    for (const auto& c : cases) {
        LoadedSong loaded{openModuleFile((directory / c.name).string())};
        EXPECT_EQ(loaded.module.song, nullptr) << c.name;
        EXPECT_EQ(loaded.module.error, c.reason);
    }
}

}  // namespace
