// Replays every input that once broke the loader under the fuzzer: each must
// now load into a playable song or into none.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/music/song_loading.h"

namespace {

TEST(FuzzRegressions, EveryKeptInputLoadsIntoAPlayableSongOrNone) {
    const std::filesystem::path directory = TAVORLY_FUZZ_REGRESSIONS_DIR;
    ASSERT_TRUE(std::filesystem::is_directory(directory)) << directory;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
        std::ifstream stream(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(stream), {}};
        SongPtr song = loadBytes(bytes);
        if (song) expectPlayableSong(*song);
        if (testing::Test::HasFailure()) FAIL() << "input " << entry.path().filename();
    }
}

}  // namespace
