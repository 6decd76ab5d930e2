// The committed logos and badges: raw 256 x 128 RGB pictures in which exact
// black is transparent, so artwork must never contain it.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "tests/content/read_file.h"

namespace {

constexpr int width = 256, height = 128;
constexpr size_t imageBytes = width * height * 3;

std::vector<int> imageIds() {
    std::vector<int> ids;
    for (int id = 110; id <= 149; ++id) ids.push_back(id);
    for (int id = 180; id <= 182; ++id) ids.push_back(id);
    return ids;
}

std::vector<uint8_t> image(int id) {
    return readFile(std::string(TAVORLY_DATA_DIR) + "/rcdata/" + std::to_string(id) + ".rgb");
}

bool transparent(const std::vector<uint8_t>& img, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 3;
    return img[at] == 0 && img[at + 1] == 0 && img[at + 2] == 0;
}

// Sizes of the transparent regions that do not reach the picture's border,
// i.e. holes inside the artwork (4-connected).
std::vector<int> enclosedHoles(const std::vector<uint8_t>& img) {
    std::vector<int> label(width * height, 0);
    std::vector<int> holes;
    std::vector<int> stack;
    for (int start = 0; start < width * height; ++start) {
        if (label[static_cast<size_t>(start)] || !transparent(img, start % width, start / width)) continue;
        int size = 0;
        bool touchesBorder = false;
        label[static_cast<size_t>(start)] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            ++size;
            const int x = p % width, y = p / width;
            if (x == 0 || y == 0 || x == width - 1 || y == height - 1) touchesBorder = true;
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : next) {
                if (n[0] < 0 || n[1] < 0 || n[0] >= width || n[1] >= height) continue;
                const int q = n[1] * width + n[0];
                if (!label[static_cast<size_t>(q)] && transparent(img, n[0], n[1])) {
                    label[static_cast<size_t>(q)] = 1;
                    stack.push_back(q);
                }
            }
        }
        if (!touchesBorder) holes.push_back(size);
    }
    return holes;
}

// A pixel whose brightest channel is below this reads as near-black over the
// demo's dark clear colour.
constexpr int dimLevel = 64;

bool dim(const std::vector<uint8_t>& img, int p) {
    const size_t at = size_t(p) * 3;
    return std::max({img[at], img[at + 1], img[at + 2]}) < dimLevel;
}

// For every opaque dim pixel, the number of steps (8-connected) to the
// nearest bright pixel; the largest of them. A thin dark outline keeps it at
// two or three, a soft glow or shadow cut off by the transparency threshold
// leaves a wide dim band far from any bright pixel.
int widestDimBand(const std::vector<uint8_t>& img) {
    std::vector<int> distance(size_t(width) * height, -1);
    std::deque<int> queue;
    for (int p = 0; p < width * height; ++p) {
        if (!dim(img, p)) {
            distance[size_t(p)] = 0;
            queue.push_back(p);
        }
    }
    while (!queue.empty()) {
        const int p = queue.front();
        queue.pop_front();
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int x = p % width + dx, y = p / width + dy;
                if (x < 0 || y < 0 || x >= width || y >= height) continue;
                const int q = y * width + x;
                if (distance[size_t(q)] < 0) {
                    distance[size_t(q)] = distance[size_t(p)] + 1;
                    queue.push_back(q);
                }
            }
        }
    }
    int widest = 0;
    for (int p = 0; p < width * height; ++p) {
        if (!transparent(img, p % width, p / width) && dim(img, p)) widest = std::max(widest, distance[size_t(p)]);
    }
    return widest;
}

class Picture : public testing::TestWithParam<int> {};

TEST_P(Picture, IsARawRgbImageWithArtworkOnATransparentGround) {
    const auto img = image(GetParam());
    ASSERT_EQ(img.size(), imageBytes);
    int opaque = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) opaque += !transparent(img, x, y);
    // Enough artwork to read in the swarm, and a transparent surrounding.
    EXPECT_GT(opaque, width * height / 5);
    EXPECT_LT(opaque, width * height * 97 / 100);
    EXPECT_TRUE(transparent(img, 0, 0) || transparent(img, width - 1, height - 1));
}

TEST_P(Picture, HasNoPinholesOfBlackInsideTheArtwork) {
    const auto img = image(GetParam());
    ASSERT_EQ(img.size(), imageBytes);
    // A letter's counter is a large enclosed transparent region; a few stray
    // black pixels inside a fill would show as holes on screen.
    for (int size : enclosedHoles(img)) EXPECT_GE(size, 12) << "a hole of " << size << " pixels";
}

TEST_P(Picture, HasNoWideBandOfDimOpaquePixels) {
    const auto img = image(GetParam());
    ASSERT_EQ(img.size(), imageBytes);
    // Only exact black is transparent, so a dark glow or shadow stays on
    // screen as an opaque muddy band around the sprite.
    EXPECT_LE(widestDimBand(img), 3);
}

INSTANTIATE_TEST_SUITE_P(LogosAndBadges, Picture, testing::ValuesIn(imageIds()),
                         [](const auto& test) { return "Resource" + std::to_string(test.param); });

TEST(Pictures, EveryLogoAndBadgeIsDifferent) {
    std::set<std::vector<uint8_t>> seen;
    for (int id : imageIds()) EXPECT_TRUE(seen.insert(image(id)).second) << "resource " << id << " repeats another";
}

}  // namespace
