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

// The text as the scroller reads it, frame by frame: codes are erased as they
// act and never fill a cell, a cell enters whenever 16 pixels have passed, and
// a run of codes acts in the frame of the character that follows it.
struct Reading {
    struct Event {
        scrolltext::CodeUse use;
        int64_t frame;  // 0 for the first frame after the scene is built
    };
    std::string cells;  // the character of every cell that entered, in order
    std::vector<Event> events;
    int64_t endFrame = -1;  // the frame that read the end mark
};

Reading readLikeTheScroller(const std::string& source) {
    Reading reading;
    std::string text = source;
    int64_t pos = -1;
    int32_t accum = 0, speed = 2;
    for (int64_t frame = 0; reading.endFrame < 0 && frame < 2'000'000; ++frame) {
        if (accum <= -16) {
            accum += 16;
            if (++pos + 27 >= int64_t(text.size())) break;  // the text would restart
            for (;;) {
                const auto byte = static_cast<uint8_t>(text[size_t(pos)]);
                const int count = scrolltext::argumentCount(byte);
                if (count < 0) {
                    reading.cells.push_back(text[size_t(pos)]);
                    break;
                }
                scrolltext::CodeUse use{static_cast<scrolltext::Code>(byte), size_t(pos), {0, 0, 0}};
                for (int i = 0; i < count; ++i)
                    use.args[size_t(i)] = static_cast<int8_t>(text[size_t(pos) + 1 + size_t(i)]);
                reading.events.push_back({use, frame});
                if (use.code == scrolltext::Code::EndDemo) {
                    reading.endFrame = frame;
                    break;
                }
                if (use.code == scrolltext::Code::StartSwarm) {
                    text[size_t(pos)] = ' ';
                    continue;
                }
                if (use.code == scrolltext::Code::SetSpeed) speed = use.args[0];
                text.erase(size_t(pos), size_t(1 + count));
            }
        }
        accum -= speed;
    }
    return reading;
}

TEST(ProductionScrolltext, ReadsThroughToTheEndWithSensibleArguments) {
    const Reading reading = readLikeTheScroller(wholeText());
    EXPECT_GE(reading.endFrame, 0) << "the end code must be read before the text restarts";
    for (const auto& [use, frame] : reading.events) {
        const auto arg = [&](int i) { return use.args[size_t(i)]; };
        switch (use.code) {
            case scrolltext::Code::ShowLogo:
                EXPECT_TRUE(arg(0) >= 1 && arg(0) <= 40) << "ShowLogo at " << use.position;
                break;
            case scrolltext::Code::SwarmLogo:
                EXPECT_TRUE(arg(0) >= 1 && arg(0) <= 39) << "SwarmLogo at " << use.position;
                break;
            case scrolltext::Code::SetFont:
                EXPECT_TRUE(arg(0) >= 1 && arg(0) <= 8 && arg(1) >= 1 && arg(1) <= 2) << "SetFont at " << use.position;
                break;
            case scrolltext::Code::SetSpeed:
                // Only speeds that divide the 16-pixel cell keep the letters evenly spaced.
                EXPECT_TRUE(std::set<int>({1, 2, 4, 8, 16}).count(arg(0))) << "SetSpeed at " << use.position;
                break;
            case scrolltext::Code::SpinSwarm:
                EXPECT_TRUE(arg(0) >= 1 && arg(1) >= 1 && (arg(2) == 1 || arg(2) == 2))
                    << "SpinSwarm at " << use.position;
                break;
            case scrolltext::Code::StartSwarm:
            case scrolltext::Code::EndDemo: break;
        }
    }
    for (char c : reading.cells) ASSERT_TRUE(c >= 32 && c <= 126) << int(c);
    EXPECT_GT(reading.cells.size(), 60000u);
}

// The show must not stop mid-sentence or after its closing logo has gone:
// when the end mark is read, the 25 cells on screen hold only spaces and one
// closing word, and the closing logo (40) is in the hold of its fade (2 to 5
// seconds after it was called, at 60 frames per second).
TEST(ProductionScrolltext, EndsOnTheClosingWordWithTheClosingLogoHeld) {
    const Reading reading = readLikeTheScroller(wholeText());
    ASSERT_GE(reading.endFrame, 0);
    ASSERT_GE(reading.cells.size(), 25u);
    std::string shown = reading.cells.substr(reading.cells.size() - 25);
    const size_t first = shown.find_first_not_of(' '), last = shown.find_last_not_of(' ');
    ASSERT_NE(first, std::string::npos) << "no closing word on screen";
    EXPECT_EQ(shown.substr(first, last - first + 1).find(' '), std::string::npos) << "on screen: '" << shown << "'";

    const Reading::Event* lastLogo = nullptr;
    for (const auto& event : reading.events) {
        if (event.use.code == scrolltext::Code::ShowLogo) lastLogo = &event;
    }
    ASSERT_NE(lastLogo, nullptr);
    EXPECT_EQ(lastLogo->use.args[0], 40);
    const int64_t heldMs = (reading.endFrame * 1000 / 60) - (lastLogo->frame * 1000 / 60);
    EXPECT_GE(heldMs, 2000);
    EXPECT_LE(heldMs, 5000);
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
