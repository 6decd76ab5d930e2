// tavorly-play's command line.
#include "tools/play/play_options.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayOptions, FilesInOrderWithOptionsAnywhere) {
    const struct {
        std::vector<std::string_view> arguments;
        std::vector<std::string> files;
        bool quiet, loop;
        int32_t start;
    } cases[] = {
        {{"a.xm"}, {"a.xm"}, false, false, 0},
        {{"a.xm", "--loop", "b.xm", "-q"}, {"a.xm", "b.xm"}, true, true, 0},
        {{"--quiet", "--start", "12", "a.xm"}, {"a.xm"}, true, false, 12},
        {{"--start=255", "a.xm"}, {"a.xm"}, false, false, 255},
        {{"--", "--loop", "-q"}, {"--loop", "-q"}, false, false, 0},
        {{"-", "b.xm"}, {"-", "b.xm"}, false, false, 0},
    };
    for (const auto& c : cases) {
        const PlayOptionsResult result = parsePlayOptions(c.arguments);
        ASSERT_TRUE(result.options) << result.error;
        EXPECT_EQ(result.options->files, c.files);
        EXPECT_EQ(result.options->quiet, c.quiet);
        EXPECT_EQ(result.options->loop, c.loop);
        EXPECT_EQ(result.options->startOrder, c.start);
        EXPECT_FALSE(result.options->showHelp);
    }
}

TEST(PlayOptions, RejectsWrongCommandLinesSayingWhatIsWrong) {
    const struct {
        std::vector<std::string_view> arguments;
        std::string_view mentions;
    } cases[] = {
        {{}, "needs at least one FILE.xm"},
        {{"--loop"}, "needs at least one FILE.xm"},
        {{"--volume", "a.xm"}, "unknown option '--volume'"},
        {{"a.xm", "--start"}, "--start needs an order position"},
        {{"--start", "-1", "a.xm"}, "not '-1'"},
        {{"--start", "256", "a.xm"}, "from 0 to 255"},
        {{"--start=", "a.xm"}, "not ''"},
        {{"--start", "3x", "a.xm"}, "not '3x'"},
    };
    for (const auto& c : cases) {
        const PlayOptionsResult result = parsePlayOptions(c.arguments);
        EXPECT_FALSE(result.options);
        EXPECT_NE(result.error.find(c.mentions), std::string::npos) << result.error;
    }
}

TEST(PlayOptions, HelpNeedsNoFilesAndListsEveryOptionAndKey) {
    const PlayOptionsResult result = parsePlayOptions({"--help"});
    ASSERT_TRUE(result.options);
    EXPECT_TRUE(result.options->showHelp);
    const std::string usage = playUsage();
    for (const char* text : {"--loop", "--start ORDER", "--quiet", "space", "left, right", "n, p", "+, -", "q "})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
}

}  // namespace
