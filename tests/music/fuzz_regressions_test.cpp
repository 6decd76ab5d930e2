// Replays what the fuzzers start from and every input that once broke the
// engine under them: each file loads into a playable song or into none, and
// plays through the fuzz targets' own bounded playback under this build's
// checks. The folders must exist: a replay that finds nothing checks nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_exercise.h"
#include "tests/music/song_loading.h"

namespace {

std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), {}};
}

// Loads the file, checks the song and plays it as the fuzzers do. True when
// it loaded.
bool replay(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    SongPtr song = loadBytes(bytes);
    if (!song) return false;
    expectPlayableSong(*song);
    if (testing::Test::HasFatalFailure()) return true;
    volatile uint32_t sink = touchSong(*song);
    (void)sink;
    playTicks(*song);
    return true;
}

// Every file of the folder but its README; fails when the folder is missing.
std::vector<std::filesystem::path> inputsIn(const std::filesystem::path& directory) {
    std::vector<std::filesystem::path> inputs;
    EXPECT_TRUE(std::filesystem::is_directory(directory)) << directory << " is missing";
    if (!std::filesystem::is_directory(directory)) return inputs;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.is_regular_file() && entry.path().extension() != ".md") inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

TEST(FuzzRegressions, EveryKeptInputLoadsIntoAPlayableSongOrNoneAndPlays) {
    for (const std::filesystem::path& input : inputsIn(TAVORLY_FUZZ_REGRESSIONS_DIR)) {
        replay(input);
        if (testing::Test::HasFailure()) FAIL() << "input " << input.filename();
    }
}

TEST(FuzzSeeds, EverySeedLoadsAndPlays) {
    const std::vector<std::filesystem::path> seeds = inputsIn(TAVORLY_FUZZ_CORPUS_DIR);
    EXPECT_FALSE(seeds.empty());
    for (const std::filesystem::path& seed : seeds) {
        EXPECT_TRUE(replay(seed)) << "seed " << seed.filename() << " does not load";
        if (testing::Test::HasFailure()) FAIL() << "seed " << seed.filename();
    }
}

}  // namespace
