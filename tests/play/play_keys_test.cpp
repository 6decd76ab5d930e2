// Keys: the bytes a terminal sends, and what each key does to the player.
#include <gtest/gtest.h>

#include "tools/play/key_input.h"
#include "tools/play/play_controls.h"

namespace {

std::vector<Key> decode(std::initializer_list<std::string_view> reads) {
    KeyDecoder decoder;
    std::vector<Key> keys;
    for (std::string_view read : reads) decoder.feed(read.data(), read.size(), keys);
    return keys;
}

TEST(KeyDecoder, LettersArrowsAndSequencesSplitOverReads) {
    using enum Key;
    const struct {
        std::initializer_list<std::string_view> reads;
        std::vector<Key> keys;
    } cases[] = {
        {{" nNpP+=-_lLqQ"},
         {pause, nextFile, nextFile, previousFile, previousFile, volumeUp, volumeUp, volumeDown, volumeDown, loop, loop,
          quit, quit}},
        {{"\x1b[C\x1b[D"}, {nextOrder, previousOrder}},
        {{"\x1bOC\x1bOD"}, {nextOrder, previousOrder}},  // application cursor mode
        {{"\x1b[1;5C"}, {nextOrder}},                    // with a modifier held
        {{"\x1b", "[", "D"}, {previousOrder}},           // split over reads
        {{"\x1b[A\x1b[B\x1b[5~x?"}, {}},                 // up, down, page up, other bytes
        {{"\x1bq"}, {quit}},                             // a lone Escape before a key
        {{"\x1b[\x1b[C"}, {nextOrder}},                  // an unfinished sequence, then an arrow
    };
    for (const auto& c : cases) EXPECT_EQ(decode(c.reads), c.keys);
}

TEST(PlayControlsKeys, PauseLoopAndVolumeChangeTheControlsWithinTheirLimits) {
    PlayControls controls;
    EXPECT_EQ(applyKey(Key::pause, controls, 0, 4).effect, KeyEffect::controls);
    EXPECT_TRUE(controls.paused);
    applyKey(Key::pause, controls, 0, 4);
    EXPECT_FALSE(controls.paused);
    EXPECT_EQ(applyKey(Key::loop, controls, 0, 4).effect, KeyEffect::controls);
    EXPECT_TRUE(controls.loop);

    for (int i = 0; i < 9; ++i) EXPECT_EQ(applyKey(Key::volumeUp, controls, 0, 4).effect, KeyEffect::controls);
    EXPECT_EQ(controls.volumePercent, 190);
    applyKey(Key::volumeUp, controls, 0, 4);
    EXPECT_EQ(controls.volumePercent, maxVolumePercent);
    EXPECT_EQ(applyKey(Key::volumeUp, controls, 0, 4).effect, KeyEffect::none);
    for (int i = 0; i < 25; ++i) applyKey(Key::volumeDown, controls, 0, 4);
    EXPECT_EQ(controls.volumePercent, 0);
    EXPECT_EQ(applyKey(Key::volumeDown, controls, 0, 4).effect, KeyEffect::none);
}

TEST(PlayControlsKeys, ArrowsSeekToTheNeighbouringOrderPositionAndResume) {
    const struct {
        Key key;
        int32_t heard, length;
        KeyEffect effect;
        int32_t order;
    } cases[] = {
        {Key::nextOrder, 2, 5, KeyEffect::seek, 3},     {Key::previousOrder, 2, 5, KeyEffect::seek, 1},
        {Key::previousOrder, 0, 5, KeyEffect::seek, 0},  // the first position starts again
        {Key::nextOrder, 4, 5, KeyEffect::none, 0},      // nowhere after the last
        {Key::nextOrder, -1, 5, KeyEffect::seek, 1},     // nothing heard yet counts as the first
        {Key::previousOrder, 9, 5, KeyEffect::seek, 3},  // past the end counts as the last
        {Key::nextOrder, 0, 1, KeyEffect::none, 0},
    };
    for (const auto& c : cases) {
        PlayControls controls;
        controls.paused = true;
        const KeyOutcome outcome = applyKey(c.key, controls, c.heard, c.length);
        EXPECT_EQ(outcome.effect, c.effect) << c.heard;
        if (c.effect != KeyEffect::seek) continue;
        EXPECT_EQ(outcome.order, c.order) << c.heard;
        EXPECT_FALSE(controls.paused);
    }
}

TEST(PlayControlsKeys, FileAndQuitKeysLeaveTheControlsAlone) {
    for (auto [key, effect] :
         {std::pair{Key::nextFile, KeyEffect::nextFile}, std::pair{Key::previousFile, KeyEffect::previousFile},
          std::pair{Key::quit, KeyEffect::quit}}) {
        PlayControls controls;
        controls.paused = true;
        EXPECT_EQ(applyKey(key, controls, 1, 3).effect, effect);
        EXPECT_TRUE(controls.paused);
        EXPECT_EQ(controls.volumePercent, 100);
    }
}

}  // namespace
