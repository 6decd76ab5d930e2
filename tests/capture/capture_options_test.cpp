#include "tools/capture/capture_options.h"

#include <gtest/gtest.h>

namespace {

CaptureOptionsResult parse(std::vector<std::string_view> arguments) { return parseCaptureOptions(arguments); }

TEST(CaptureOptions, WithoutArgumentsRendersTheWholeProductionAtSixtyFramesWithTheFixedSeed) {
    const auto result = parse({});
    ASSERT_TRUE(result.options);
    EXPECT_EQ(result.options->fps, 60);
    EXPECT_EQ(result.options->seed, defaultCaptureSeed);
    EXPECT_EQ(result.options->firstFrame, 0);
    EXPECT_FALSE(result.options->lastFrame);
    EXPECT_TRUE(result.options->pngDirectory.empty());
    EXPECT_TRUE(result.options->audioPath.empty());
    EXPECT_TRUE(result.options->videoPath.empty());
}

TEST(CaptureOptions, TakesValuesAfterASpaceOrAnEqualsSignAndAllOutputsTogether) {
    const auto result = parse({"--fps=30", "--seed", "4294967295", "--frames", "100:250", "--png", "out dir",
                               "--audio=a.wav", "--video", "v.mp4"});
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_EQ(result.options->fps, 30);
    EXPECT_EQ(result.options->seed, 4294967295u);
    EXPECT_EQ(result.options->firstFrame, 100);
    EXPECT_EQ(result.options->lastFrame, 250);
    EXPECT_EQ(result.options->pngDirectory, "out dir");
    EXPECT_EQ(result.options->audioPath, "a.wav");
    EXPECT_EQ(result.options->videoPath, "v.mp4");
}

TEST(CaptureOptions, FrameSpansMayLeaveEitherEndOpenOrNameOneFrame) {
    const struct {
        std::string_view text;
        int64_t first;
        std::optional<int64_t> last;
    } cases[] = {{"7:", 7, std::nullopt}, {":9", 0, 9}, {"5", 5, 5}, {"3:3", 3, 3}};
    for (const auto& c : cases) {
        const auto result = parse({"--frames", c.text});
        ASSERT_TRUE(result.options) << c.text << ": " << result.error;
        EXPECT_EQ(result.options->firstFrame, c.first) << c.text;
        EXPECT_EQ(result.options->lastFrame, c.last) << c.text;
    }
}

TEST(CaptureOptions, RejectsBadValuesWithAMessageNamingTheOption) {
    const struct {
        std::vector<std::string_view> arguments;
        std::string_view mentions;
    } cases[] = {
        {{"--fps", "0"}, "--fps"},
        {{"--fps", "1001"}, "--fps"},
        {{"--fps", "60x"}, "--fps"},
        {{"--fps"}, "--fps needs a value"},
        {{"--seed", "-1"}, "--seed"},
        {{"--seed", "4294967296"}, "--seed"},
        {{"--frames", "9:3"}, "LAST comes before FIRST"},
        {{"--frames", "-2:3"}, "FIRST"},
        {{"--frames", "2:x"}, "LAST"},
        {{"--frames", ":"}, "--frames"},
        {{"--png="}, "--png needs a non-empty path"},
        {{"--loop"}, "unknown option --loop"},
        {{"extra"}, "unexpected argument extra"},
    };
    for (const auto& c : cases) {
        const auto result = parse(c.arguments);
        EXPECT_FALSE(result.options) << c.mentions;
        EXPECT_NE(result.error.find(c.mentions), std::string::npos) << result.error;
    }
}

TEST(CaptureOptions, HelpIsRecognisedAmongOtherOptions) {
    for (std::string_view help : {"--help", "-h"}) {
        const auto result = parse({"--fps", "30", help});
        ASSERT_TRUE(result.options);
        EXPECT_TRUE(result.options->showHelp);
    }
}

}  // namespace
