// Cell words as the tracker means them: note names, the volume-column
// letters and effect letters beyond F.
#include <gtest/gtest.h>

#include "tools/xmcompile/tracker_notation.h"

namespace {

using namespace xmcompile;

TEST(TrackerNotation, NoteNamesCoverEightOctavesAndNothingElse) {
    EXPECT_EQ(parseNoteName("C-0"), 0);
    EXPECT_EQ(parseNoteName("C#0"), 1);
    EXPECT_EQ(parseNoteName("A-4"), 57);
    EXPECT_EQ(parseNoteName("B-7"), 95);
    for (const char* bad : {"C-8", "B#4", "E#2", "c-4", "C4", "C-44", "Cb4", ""})
        EXPECT_EQ(parseNoteName(bad), -1) << bad;
}

TEST(TrackerNotation, VolumeColumnLettersMapToTheirCommands) {
    const char* words[] = {"v0", "v64", "d3", "c3", "b2", "a2", "u5", "h5", "p15", "l1", "r1", "g4"};
    const int bytes[] = {0x10, 0x50, 0x63, 0x73, 0x82, 0x92, 0xA5, 0xB5, 0xCF, 0xD1, 0xE1, 0xF4};
    for (int i = 0; i < 12; ++i) {
        Cell cell;
        EXPECT_EQ(parseCell({"C-4", "01", words[i]}, cell), "") << words[i];
        EXPECT_EQ(cell.volume, bytes[i]) << words[i];
    }
    Cell cell;
    EXPECT_NE(parseCell({"C-4", "01", "p16"}, cell), "");
    EXPECT_NE(parseCell({"C-4", "01", "v"}, cell), "");
}

TEST(TrackerNotation, EffectLettersRunPastFAndEmptyFieldsStayZero) {
    Cell cell;
    EXPECT_EQ(parseCell({"OFF", "..", "..", "X2F"}, cell), "");
    EXPECT_EQ(cell.note, 97);
    EXPECT_EQ(cell.instrument, 0);
    EXPECT_EQ(cell.volume, 0);
    EXPECT_EQ(cell.effect, 33);
    EXPECT_EQ(cell.param, 0x2F);
    EXPECT_EQ(parseCell({"---", "..", "..", "K00"}, cell), "");
    EXPECT_TRUE(cell.effect == 20 && cell.param == 0 && cell.note == 0);
    EXPECT_NE(parseCell({"C-4", "01", "..", "Z"}, cell), "");
    EXPECT_NE(parseCell({"C-4", "00"}, cell), "");
}

}  // namespace
