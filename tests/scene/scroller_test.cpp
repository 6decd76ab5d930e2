// The scroller: cell timing at every kind of speed, each control code with its
// argument edges, restarts near the end of the text and very short texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene_test_support.h"

namespace {

using namespace std::string_literals;

// A text long enough that no restart happens within a test.
std::string filler(size_t length) {
    std::string text;
    for (size_t i = 0; text.size() < length; ++i) text += char('A' + i % 26);
    return text;
}

// The scene's parts on the heap: each holds two 64 KiB strip buffers.
std::unique_ptr<SceneParts> makeParts(std::string_view body, std::string_view tail = {}) {
    return std::make_unique<SceneParts>(body, tail);
}

// Runs `updates` updates and returns the numbers (first update = 1) of those
// in which a new cell entered.
std::vector<int32_t> entryUpdates(SceneParts& parts, int32_t updates) {
    std::vector<int32_t> entered;
    for (int32_t n = 1; n <= updates; ++n) {
        int32_t before = parts.scroller.textPos;
        parts.updateScroller();
        if (parts.scroller.textPos != before) entered.push_back(n);
    }
    return entered;
}

// Updates until the next cell enters; returns updateScroller's result.
int32_t enterNextCell(SceneParts& parts) {
    int32_t before = parts.scroller.textPos;
    std::string text = parts.scroller.workingText;
    for (int32_t i = 0; i < 64; ++i) {
        int32_t result = parts.updateScroller();
        if (result != 0 || parts.scroller.textPos != before || parts.scroller.workingText != text) return result;
    }
    ADD_FAILURE() << "no cell entered";
    return 0;
}

class ScrollerTest : public ::testing::Test {
protected:
    void SetUp() override { standard.install(); }
    TestResources standard = standardResources();
};

TEST_F(ScrollerTest, CellsEnterAtTheRateOfEachSpeed) {
    auto speed2 = makeParts(filler(400));
    // At the initial speed the first cell enters in the ninth update, then every eighth.
    EXPECT_EQ(entryUpdates(*speed2, 33), (std::vector<int32_t>{9, 17, 25, 33}));

    auto speed1 = makeParts(filler(400));
    speed1->scroller.scrollSpeed = 1;
    EXPECT_EQ(entryUpdates(*speed1, 50), (std::vector<int32_t>{17, 33, 49}));

    auto speed9 = makeParts(filler(400));
    speed9->scroller.scrollSpeed = 9;
    EXPECT_EQ(entryUpdates(*speed9, 14), (std::vector<int32_t>{3, 5, 7, 9, 10, 12, 14}));

    auto speed15 = makeParts(filler(400));
    speed15->scroller.scrollSpeed = 15;
    std::vector<int32_t> expected15;
    for (int32_t n = 3; n <= 17; ++n) expected15.push_back(n);
    expected15.push_back(19);
    EXPECT_EQ(entryUpdates(*speed15, 19), expected15);

    auto speed16 = makeParts(filler(400));
    speed16->scroller.scrollSpeed = 16;
    EXPECT_EQ(entryUpdates(*speed16, 6), (std::vector<int32_t>{2, 3, 4, 5, 6}));
}

// Glyphs always enter at the same column, so the spacing on screen follows
// the speed: even at 16, irregular at 9 and 15.
TEST_F(ScrollerTest, GlyphSpacingFollowsTheSpeed) {
    auto leftEdges = [](int32_t speed) {
        auto rig = makeParts(std::string(400, 'I'));
        rig->scroller.selectFont(2, 1);  // diagonal strokes: pixel (1, 1) marks a glyph's left edge + 1
        rig->scroller.scrollSpeed = speed;
        for (int32_t i = 0; i < 60; ++i) rig->updateScroller();
        std::vector<int32_t> edges;
        for (int32_t x = 0; x < 512; ++x) {
            if (rig->strip.scrollBuffer[size_t(1 * 512 + x) * 4] == 255) edges.push_back(x);
        }
        std::vector<int32_t> gaps;
        for (size_t i = 1; i < edges.size(); ++i) gaps.push_back(edges[i] - edges[i - 1]);
        return gaps;
    };
    for (int32_t gap : leftEdges(16)) EXPECT_EQ(gap, 16);
    for (int32_t gap : leftEdges(8)) EXPECT_EQ(gap, 16);
    std::vector<int32_t> gaps9 = leftEdges(9);
    ASSERT_GE(gaps9.size(), 4u);
    for (int32_t gap : gaps9) EXPECT_TRUE(gap == 18 || gap == 9) << gap;
    std::vector<int32_t> gaps15 = leftEdges(15);
    ASSERT_GE(gaps15.size(), 16u);
    int32_t thirties = 0;
    for (int32_t gap : gaps15) {
        EXPECT_TRUE(gap == 15 || gap == 30) << gap;
        thirties += gap == 30;
    }
    EXPECT_GE(thirties, 1);
    EXPECT_LE(thirties, int32_t(gaps15.size() / 14 + 1));
}

TEST_F(ScrollerTest, ShowLogoActsOnlyInRangeAndIsAlwaysErased) {
    auto rig = makeParts(
        "\x01\x07"
        "A\x01\x29"
        "B\x01\xc8"
        "C\x01\x28"
        "D" +
        filler(100));
    rig->clock.set(5000);
    ASSERT_EQ(enterNextCell(*rig), 0);
    EXPECT_EQ(rig->parade.bigLogoActive, 1);
    EXPECT_EQ(rig->parade.bigLogoIndex, 6);
    EXPECT_EQ(rig->parade.bigLogoStartTick, 5000u);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 'A' - 32));  // the letter fills the code's cell
    EXPECT_EQ(rig->scroller.workingText.substr(0, 2), "A\x01");

    rig->parade.bigLogoActive = 0;
    enterNextCell(*rig);  // 41: out of range
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 'B' - 32));
    enterNextCell(*rig);  // 200 reads as -56
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 'C' - 32));
    EXPECT_EQ(rig->parade.bigLogoActive, 0);
    EXPECT_EQ(rig->scroller.workingText.substr(0, 4), "ABC\x01");
    enterNextCell(*rig);  // 40: the last logo
    EXPECT_EQ(rig->parade.bigLogoActive, 1);
    EXPECT_EQ(rig->parade.bigLogoIndex, 39);
    EXPECT_EQ(rig->scroller.workingText.substr(0, 5), "ABCDA");
}

TEST_F(ScrollerTest, StartSwarmTakesOneBlankCell) {
    auto rig = makeParts(
        "A\x02"
        "B" +
        filler(100));
    enterNextCell(*rig);
    EXPECT_EQ(rig->parade.swarmEnabled, 0);
    enterNextCell(*rig);
    EXPECT_EQ(rig->parade.swarmEnabled, 1);
    EXPECT_EQ(rig->scroller.workingText.substr(0, 3), "A B");
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 0));
    enterNextCell(*rig);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 'B' - 32));
}

TEST_F(ScrollerTest, EndDemoReturnsAtOnceAndStaysInTheText) {
    auto rig = makeParts(
        "AB\x03"
        "C" +
        filler(100));
    enterNextCell(*rig);
    enterNextCell(*rig);
    int32_t accumBefore = 0;
    int32_t result = 0;
    for (int32_t i = 0; i < 8 && result == 0; ++i) {
        accumBefore = rig->scroller.scrollAccum;
        result = rig->updateScroller();
    }
    ASSERT_EQ(result, 1);
    EXPECT_EQ(rig->scroller.textPos, 2);
    EXPECT_EQ(rig->scroller.workingText[2], '\x03');
    // The cell's accounting was done, the frame's scroll step was not.
    EXPECT_EQ(rig->scroller.scrollAccum, accumBefore + 16);
}

TEST_F(ScrollerTest, SpinSwarmPassesSignedArguments) {
    auto rig = makeParts(
        "\x04\x02\x10\x01"
        "A\x04\x03\x05\x02"
        "B\x04\x01\xf0\x00"
        "C"s +
        filler(100));
    rig->clock.set(1234);
    enterNextCell(*rig);
    LogoParade& parade = rig->parade;
    EXPECT_EQ(parade.spinActive, 1);
    EXPECT_EQ(parade.spinStartTick, 1234u);
    EXPECT_EQ(parade.spinDuration, 32000u);
    EXPECT_EQ(parade.spinPeriod, 16000.0f);
    EXPECT_EQ(parade.spinDirection, 1);
    enterNextCell(*rig);
    EXPECT_EQ(parade.spinDuration, 15000u);
    EXPECT_EQ(parade.spinDirection, -1);
    enterNextCell(*rig);
    EXPECT_EQ(parade.spinPeriod, -16000.0f);
    EXPECT_EQ(parade.spinDirection, 1);
    EXPECT_EQ(rig->scroller.workingText.substr(0, 4), "ABCA");
}

TEST_F(ScrollerTest, SwarmLogoActsForLogos1To39Only) {
    auto rig = makeParts(
        "\x05\x28"
        "A\x05\x00"
        "B\x05\x27"
        "C\x05\x01"
        "D"s +
        filler(100));
    LogoParade& parade = rig->parade;
    enterNextCell(*rig);
    enterNextCell(*rig);
    EXPECT_EQ(parade.overrideActive, 0);
    rig->clock.set(777);
    enterNextCell(*rig);
    EXPECT_EQ(parade.overrideActive, 1);
    EXPECT_EQ(parade.overrideLogo, 39);
    EXPECT_EQ(parade.overrideStartTick, 777u);
    rig->clock.set(900);
    enterNextCell(*rig);
    EXPECT_EQ(parade.overrideLogo, 1);
    EXPECT_EQ(parade.overrideStartTick, 900u);
    EXPECT_EQ(rig->scroller.workingText.substr(0, 5), "ABCDA");
}

TEST_F(ScrollerTest, SetSpeedAppliesInTheSameUpdateAndFallsBackTo2) {
    auto rig = makeParts(
        "A\x06\x04"
        "B" +
        filler(100));
    enterNextCell(*rig);
    int32_t accum = rig->scroller.scrollAccum;
    while (rig->scroller.scrollAccum > -16) accum = (rig->updateScroller(), rig->scroller.scrollAccum);
    // The next update lets B enter right after A and already scrolls by 4.
    rig->updateScroller();
    EXPECT_EQ(rig->scroller.scrollSpeed, 4);
    EXPECT_EQ(rig->scroller.scrollAccum, accum + 16 - 4);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 'B' - 32));

    for (uint8_t argument : {uint8_t(0), uint8_t(17), uint8_t(128), uint8_t(255), uint8_t(16), uint8_t(1)}) {
        auto each = makeParts("\x06"s + char(argument) + filler(100));
        each->scroller.scrollSpeed = 7;
        enterNextCell(*each);
        int32_t expected = argument == 16 ? 16 : argument == 1 ? 1 : 2;
        EXPECT_EQ(each->scroller.scrollSpeed, expected) << int(argument);
    }
}

TEST_F(ScrollerTest, SetFontAndSelectFontClampToTheFirstSheetAndHalf) {
    auto rig = makeParts(
        "\x07\x04\x02"
        "A\x07\x09\x03"
        "A\x07\xff\x02"
        "A" +
        filler(100));
    enterNextCell(*rig);
    EXPECT_EQ(rig->scroller.fontIndex, 3);
    EXPECT_EQ(rig->scroller.fontHalf, 1);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 3, 'A' + 96));
    enterNextCell(*rig);
    EXPECT_EQ(rig->scroller.fontIndex, 0);
    EXPECT_EQ(rig->scroller.fontHalf, 0);
    enterNextCell(*rig);
    EXPECT_EQ(rig->scroller.fontIndex, 0);
    EXPECT_EQ(rig->scroller.fontHalf, 1);

    Scroller& scroller = rig->scroller;
    struct Case {
        int32_t font, half, index, halfIndex;
    };
    for (Case c : {Case{0, 1, 0, 0}, Case{9, 2, 0, 1}, Case{-5, 1, 0, 0}, Case{3, 0, 2, 0}, Case{3, 3, 2, 0},
                   Case{8, 2, 7, 1}, Case{1, 1, 0, 0}}) {
        scroller.selectFont(c.font, c.half);
        EXPECT_EQ(scroller.fontIndex, c.index) << c.font << "," << c.half;
        EXPECT_EQ(scroller.fontHalf, c.halfIndex) << c.font << "," << c.half;
    }
}

TEST_F(ScrollerTest, ARunOfCodesActsInOneFrameWithTheCharacterAfterIt) {
    auto rig = makeParts(
        "A\x06\x08\x01\x05\x07\x03\x01\x05\x01"
        "B" +
        filler(100));
    enterNextCell(*rig);
    enterNextCell(*rig);
    EXPECT_EQ(rig->scroller.scrollSpeed, 8);
    EXPECT_EQ(rig->scroller.fontIndex, 2);
    EXPECT_EQ(rig->parade.bigLogoIndex, 4);
    EXPECT_EQ(rig->parade.overrideLogo, 1);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 2, 'B' - 32));
    EXPECT_EQ(rig->scroller.workingText.substr(0, 3), "ABA");
}

TEST_F(ScrollerTest, OtherLowBytesAndHighCharactersFillTheirCell) {
    auto rig = makeParts(
        "\x08\x1f"
        "\xa0\xff" +
        filler(100));
    enterNextCell(*rig);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 0));
    enterNextCell(*rig);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 0));
    rig->scroller.scrollSpeed = 16;  // a clean entry area for each glyph
    enterNextCell(*rig);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 128));  // 160 with half 0
    rig->scroller.fontHalf = 1;
    enterNextCell(*rig);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 95));  // 255 with half 1
    EXPECT_EQ(rig->scroller.workingText.substr(0, 4), "\x08\x1f\xa0\xff");
}

TEST_F(ScrollerTest, TheTextRestartsWithItsCodes27BytesBeforeTheEnd) {
    // 40 bytes: positions 13 and beyond are never read, so the end mark at 20 never acts.
    std::string text =
        "\x01\x03"
        "BCDEFGHIJKLMNOPQRS\x03" +
        std::string(19, 'z');
    ASSERT_EQ(text.size(), 40u);
    auto rig = makeParts(text.substr(0, 25), text.substr(25));
    rig->scroller.scrollSpeed = 16;
    rig->clock.set(100);
    rig->updateScroller();
    rig->updateScroller();
    EXPECT_EQ(rig->parade.bigLogoStartTick, 100u);
    std::vector<int32_t> positions;
    for (int32_t i = 0; i < 13; ++i) {
        if (i == 10) rig->clock.set(200);
        ASSERT_EQ(rig->updateScroller(), 0);
        positions.push_back(rig->scroller.textPos);
    }
    // 11 cells after B the position would reach 12 + 1 = 13; the text starts over instead.
    EXPECT_EQ(positions, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1, 2}));
    EXPECT_EQ(rig->parade.bigLogoStartTick, 200u);  // the code came back and acted again
    EXPECT_EQ(rig->scroller.workingText.size(), 38u);
}

TEST_F(ScrollerTest, ATextOf28BytesOrFewerShowsOnlyItsFirstCharacter) {
    auto rig28 = makeParts(
        "\x06\x10"
        "XYZ" +
        std::string(23, '.'));
    auto rig29 = makeParts("XY" + std::string(27, '.'));
    rig28->scroller.scrollSpeed = 16;
    rig29->scroller.scrollSpeed = 16;
    rig28->updateScroller();
    rig29->updateScroller();
    for (int32_t cell = 0; cell < 4; ++cell) {
        rig28->scroller.scrollSpeed = 3;  // the code must act again on each restart
        rig28->updateScroller();
        EXPECT_EQ(rig28->scroller.scrollSpeed, 16);
        EXPECT_EQ(rig28->scroller.textPos, 0);
        EXPECT_TRUE(glyphAtEntry(rig28->strip, 0, 'X' - 32)) << "cell " << cell;
    }
    rig29->updateScroller();
    rig29->updateScroller();
    EXPECT_TRUE(glyphAtEntry(rig29->strip, 0, 'Y' - 32));
}

// Codes whose arguments would lie beyond the text, and a text with nothing
// left after its codes, read zeros instead of memory past the text.
TEST_F(ScrollerTest, CodesCutOffByTheEndOfAShortTextReadZeros) {
    auto empty = makeParts("");
    auto truncated = makeParts("\x07\x03");
    auto onlyCodes = makeParts("\x06\x10\x01\x02");
    for (SceneParts* rig : {empty.get(), truncated.get(), onlyCodes.get()}) {
        rig->scroller.scrollSpeed = 16;
        for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(rig->updateScroller(), 0);
        EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 0));
    }
    EXPECT_EQ(truncated->scroller.fontIndex, 2);
    EXPECT_EQ(truncated->scroller.fontHalf, 0);  // the missing half reads 0
    EXPECT_EQ(onlyCodes->scroller.scrollSpeed, 16);
    EXPECT_EQ(onlyCodes->parade.bigLogoIndex, 1);
}

}  // namespace
