// The program's generator must reproduce the classic C runtime sequence, so the
// swarm's starting layout is the one every run and every platform shows.
#include <gtest/gtest.h>

#include "scene/random_generator.h"

namespace {

TEST(RandomGenerator, StartsFromState1AndSeedingReplacesTheState) {
    RandomGenerator unseeded;
    for (int32_t expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}) {
        EXPECT_EQ(unseeded.next(), expected);
    }
    RandomGenerator seeded;
    seeded.seed(1);
    EXPECT_EQ(seeded.next(), 41);
    seeded.seed(0);
    EXPECT_EQ(seeded.next(), 38);  // 2531011 >> 16
    seeded.seed(0x80000000u);
    // 2^31 * 214013 wraps to 2^31 (214013 is odd); bit 31 is not part of the result.
    EXPECT_EQ(seeded.next(), 38);
    for (int32_t i = 0; i < 1000; ++i) {
        int32_t value = seeded.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

}  // namespace
