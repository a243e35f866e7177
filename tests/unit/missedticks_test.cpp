// When the controller decides that a download is over.
#include "control/missedticks.h"

#include <gtest/gtest.h>

// The number of consecutive misses, starting from `count`, until the download ends.
static int MissesUntilOver(int count)
{
    for (int miss = 1; miss <= 100; miss++)
        if (CountMissedTick(&count))
            return miss;
    return -1;
}

TEST(CountMissedTick, SixthConsecutiveMissEndsTheDownload)
{
    EXPECT_EQ(6, MissesUntilOver(0));
}

TEST(CountMissedTick, CountLeftByAStoppedRunCarriesOver)
{
    EXPECT_EQ(3, MissesUntilOver(3));
    EXPECT_EQ(1, MissesUntilOver(5));
}

TEST(CountMissedTick, CountsUpToTheLimitAndStaysThere)
{
    int count = 0;
    for (int i = 0; i < 5; i++)
        EXPECT_FALSE(CountMissedTick(&count));
    EXPECT_EQ(5, count);
    EXPECT_TRUE(CountMissedTick(&count));
    EXPECT_TRUE(CountMissedTick(&count)) << "a tool still running is asked again next tick";
    EXPECT_EQ(5, count);
}
