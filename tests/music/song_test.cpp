// The shared empty records.
#include <gtest/gtest.h>

#include "music/song.h"

using namespace music;

TEST(EmptyRecords, EmptyInstrumentResolvesEverySlotToTheEmptySample) {
    for (Sample* sample : emptyInstrument.samples) EXPECT_EQ(sample, &emptySample);
    EXPECT_EQ(emptySample.data, nullptr);
    EXPECT_EQ(emptySample.length, 0u);
}
