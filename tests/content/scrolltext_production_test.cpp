// The production's compiled scrolltext, as the programs link it: the script's
// rules, and a read-through the way the scroller reads it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "data/scrolltext.h"
#include "tests/content/read_file.h"
#include "tools/scrolltext/scrolltext_markup.h"

namespace {

std::string wholeText() { return std::string(scrollTextBody()) + std::string(scrollTextTail()); }

TEST(ProductionScrolltext, KeepsTheScriptRules) {
    EXPECT_EQ(scrolltext::checkScript(scrollTextBody(), scrollTextTail()), std::vector<std::string>{});
}

TEST(ProductionScrolltext, InspectionCopyMatchesTheLinkedText) {
    const auto bin = readFile(TAVORLY_SCROLLTEXT_BIN);
    EXPECT_EQ(std::string(bin.begin(), bin.end()), wholeText());
}

// Reads the text cell by cell the way the scroller does (codes are erased as
// they act and never fill a cell) and checks every code's arguments.
TEST(ProductionScrolltext, ReadsThroughToTheEndWithSensibleArguments) {
    std::string text = wholeText();
    const size_t length = text.size();
    bool ended = false;
    size_t cells = 0;
    for (size_t pos = 0; pos + 27 < length && !ended;) {
        const auto byte = static_cast<uint8_t>(text[pos]);
        const int count = scrolltext::argumentCount(byte);
        if (count < 0) {
            ASSERT_GE(byte, 32) << "byte " << pos;
            ASSERT_LE(byte, 126) << "byte " << pos;
            ++pos;
            ++cells;
            continue;
        }
        const auto arg = [&](int i) { return static_cast<int8_t>(text[pos + 1 + i]); };
        switch (static_cast<scrolltext::Code>(byte)) {
            case scrolltext::Code::ShowLogo: EXPECT_TRUE(arg(0) >= 1 && arg(0) <= 40) << "ShowLogo at " << pos; break;
            case scrolltext::Code::SwarmLogo: EXPECT_TRUE(arg(0) >= 1 && arg(0) <= 39) << "SwarmLogo at " << pos; break;
            case scrolltext::Code::SetFont:
                EXPECT_TRUE(arg(0) >= 1 && arg(0) <= 8 && arg(1) >= 1 && arg(1) <= 2) << "SetFont at " << pos;
                break;
            case scrolltext::Code::SetSpeed:
                // Only speeds that divide the 16-pixel cell keep the letters evenly spaced.
                EXPECT_TRUE(std::set<int>({1, 2, 4, 8, 16}).count(arg(0))) << "SetSpeed at " << pos;
                break;
            case scrolltext::Code::SpinSwarm:
                EXPECT_TRUE(arg(0) >= 1 && arg(1) >= 1 && (arg(2) == 1 || arg(2) == 2)) << "SpinSwarm at " << pos;
                break;
            case scrolltext::Code::StartSwarm:
                text[pos] = ' ';  // becomes a blank cell
                continue;
            case scrolltext::Code::EndDemo: ended = true; continue;
        }
        text.erase(pos, 1 + count);
    }
    EXPECT_TRUE(ended) << "the end code must be read before the text restarts";
    EXPECT_GT(cells, 60000u);
}

TEST(ProductionScrolltext, NoParagraphIsRepeated) {
    const std::string text = wholeText();
    std::set<std::string> seen;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("    ", start);
        if (end == std::string::npos) end = text.size();
        const std::string paragraph = text.substr(start, end - start);
        if (paragraph.size() > 40) {
            EXPECT_TRUE(seen.insert(paragraph).second) << paragraph.substr(0, 60);
        }
        start = text.find_first_not_of(' ', end);
        if (start == std::string::npos) break;
    }
    EXPECT_GT(seen.size(), 100u);
}

}  // namespace
