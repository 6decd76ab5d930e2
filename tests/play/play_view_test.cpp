// The live view's text: the facts, meters in proportion to the levels and in
// as many columns as the channels need, and a screen of any size.
#include "tools/play/play_view.h"

#include <gtest/gtest.h>

using namespace music;

namespace {

ViewState sampleView(int32_t channels) {
    ViewState view;
    view.fileName = "songs/drift.xm";
    view.fileNumber = 2;
    view.fileCount = 3;
    view.songName = "Orbital Drift";
    view.trackerName = "FastTracker v2.00";
    view.channelCount = channels;
    view.orderPosition = 3;
    view.songLength = 26;
    view.pattern = 7;
    view.row = 33;
    view.patternRows = 64;
    view.speed = 6;
    view.bpm = 125;
    view.elapsedFrames = 83 * 44100 + 100;
    view.totalFrames = 193 * 44100;
    view.meterCount = channels;
    return view;
}

TEST(PlayView, ShowsWhatWhereAndHowOnTheFirstLines) {
    ViewState view = sampleView(8);
    view.controls.paused = true;
    view.controls.loop = true;
    view.controls.volumePercent = 70;
    const std::vector<std::string> lines = viewLines(view, 80, 24);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "tavorly-play  file 2/3  songs/drift.xm");
    EXPECT_EQ(lines[1], "Song     Orbital Drift");
    EXPECT_EQ(lines[2], "Tracker  FastTracker v2.00   8 channels");
    EXPECT_EQ(lines[3], "Order    3/26   Pattern 7   Row 33/64");
    EXPECT_EQ(lines[4], "Speed    6   BPM 125   Volume 70%   Loop on");
    EXPECT_EQ(lines[5], "Time     1:23 / 3:13   [paused]");
    view.totalKnown = false;
    view.controls.paused = false;
    EXPECT_EQ(viewLines(view, 80, 24)[5], "Time     1:23 / no end   [playing]");
}

TEST(PlayView, MetersAreInProportionToTheLevel) {
    ViewState view = sampleView(4);
    view.levels[0] = fullMeterLevel;
    view.levels[1] = fullMeterLevel / 2;
    view.levels[2] = 0;
    view.levels[3] = 255;  // louder than full stays full
    const std::vector<std::string> lines = viewLines(view, 46, 24);
    // One column 46 wide: "NN [" + 40 + "]".
    EXPECT_EQ(lines[7], " 1 [" + std::string(40, '#') + "]");
    EXPECT_EQ(lines[8], " 2 [" + std::string(20, '#') + std::string(20, ' ') + "]");
    EXPECT_EQ(lines[9], " 3 [" + std::string(40, ' ') + "]");
    EXPECT_EQ(lines[10], " 4 [" + std::string(40, '#') + "]");
    EXPECT_EQ(lines[12].substr(0, 11), "space pause");
}

TEST(PlayView, ChannelsShareTheRowsInColumnsAndTheScreenIsNeverOverrun) {
    const struct {
        int32_t channels, width, height;
        size_t meterRows;
        const char* firstRow;  // channel numbers on the first meter row
    } cases[] = {
        {32, 100, 24, 11, " 1 |12 |23 "},  // 15 rows free: 3 columns of 11
        {32, 100, 40, 16, " 1 |17 "},      // 31 rows free: 2 columns, balanced
        {8, 100, 12, 3, " 1 | 4 | 7 "},    // 3 rows free
        {32, 30, 12, 3, " 1 | 4 "},        // room for 2 columns: the rest counted
    };
    for (const auto& c : cases) {
        const std::vector<std::string> lines = viewLines(sampleView(c.channels), c.width, c.height);
        ASSERT_LE(lines.size(), static_cast<size_t>(c.height));
        for (const std::string& line : lines) EXPECT_LE(line.size(), static_cast<size_t>(c.width));
        ASSERT_EQ(lines.size(), 7 + c.meterRows + 2) << c.channels << "x" << c.height;
        // Each cell starts with its channel number.
        std::string numbers;
        for (size_t at = lines[7].find('['); at != std::string::npos; at = lines[7].find('[', at + 1))
            numbers += lines[7].substr(at >= 3 ? at - 3 : 0, 3) + "|";
        numbers.pop_back();
        EXPECT_EQ(numbers, std::string(c.firstRow).substr(0, numbers.size())) << c.channels << "x" << c.height;
    }
    const std::vector<std::string> crowded = viewLines(sampleView(32), 30, 12);
    EXPECT_NE(crowded[9].find("+27 more"), std::string::npos) << crowded[9];

    // A tiny window keeps the facts and drops the blank lines first.
    const std::vector<std::string> tiny = viewLines(sampleView(4), 20, 6);
    ASSERT_EQ(tiny.size(), 6u);
    EXPECT_EQ(tiny[0], "tavorly-play  file 2");
    EXPECT_EQ(tiny[5], "Time     1:23 / 3:13");
}

TEST(PlayView, OneLinePerFileWithoutTheView) {
    ViewState view = sampleView(8);
    EXPECT_EQ(fileLine(view), "2/3 songs/drift.xm: \"Orbital Drift\" (FastTracker v2.00, 8 channels, 3:13)");
    view.songName.clear();
    view.trackerName.clear();
    view.totalKnown = false;
    EXPECT_EQ(fileLine(view), "2/3 songs/drift.xm: untitled (unknown tracker, 8 channels, no end)");
}

TEST(PlayView, MetersRiseAtOnceAndFallByAnEighthPerRedraw) {
    std::array<uint8_t, maxSongChannels> shown{};
    std::array<uint8_t, maxSongChannels> heard{};
    heard[0] = 120;
    fallLevels(shown, heard);
    EXPECT_EQ(shown[0], 120);
    heard[0] = 0;
    fallLevels(shown, heard);
    EXPECT_EQ(shown[0], 104);
    for (int i = 0; i < 10; ++i) fallLevels(shown, heard);
    EXPECT_EQ(shown[0], 0);
}

}  // namespace
