// The install dialog's self-moving progress bar: how fast it starts for a number of periods, how each
// result tunes its speed by how far the last period got, how a tick slows down towards a period's end
// and holds short of the end, and that more results than periods never divide by zero.

#include <gtest/gtest.h>

#include "ui/SmoothProgress.h"

TEST(SmoothProgressTest, Prepare_SpeedAndFirstPeriodByTheNumberOfPeriods)
{
    const struct
    {
        int periods;
        int speed;
        int size;
    } rows[] = {{1, 1998, 100000}, {2, 1998, 50000}, {3, 1332, 33333}, {4, 666, 25000}, {11, 666, 9090}};
    for (const auto& row : rows)
    {
        CSmoothProgress progress;
        progress.Prepare(row.periods);
        EXPECT_EQ(row.speed, progress.Speed()) << row.periods;
        EXPECT_EQ(row.size, progress.PeriodSize()) << row.periods;
        EXPECT_EQ(row.size, progress.EndPoint()) << row.periods;
        EXPECT_EQ(0, progress.StartPoint());
        EXPECT_EQ(row.periods, progress.PeriodsLeft());
    }
}

TEST(SmoothProgressTest, Tick_FastThenSlowerTowardsThePeriodsEnd_AndHoldsShortOfTheEnd)
{
    CSmoothProgress progress;
    progress.Prepare(4);                                      // periods of 25000, speed 666
    EXPECT_EQ(666, progress.Tick(0)) << "the first half at full speed";
    EXPECT_EQ(12500 + 333, progress.Tick(12500)) << "from half the period: half the speed";
    EXPECT_EQ(17500 + 199, progress.Tick(17500)) << "from 0.7 of it: 0.3 of the speed";
    EXPECT_EQ(25000 + 133, progress.Tick(25000)) << "past the expected end: 0.2 of the speed";
    EXPECT_EQ(37500, progress.Tick(37500)) << "1.5 periods without a result: the bar waits";
    EXPECT_EQ(98000, progress.Tick(98000)) << "short of the end the bar waits for the last result";
}

TEST(SmoothProgressTest, BeginPeriod_SpeedFollowsHowFarTheLastPeriodGot)
{
    const struct
    {
        int reached;                                          // where the bar stood at the result
        int speed;                                            // the speed of the next period
        const char* why;
    } rows[] = {
        {1000, 666 * 4 * 3, "a result long before the expected end: much faster"},
        {5000, 666 * 3, "before a quarter of the period: three times"},
        {10000, 666 * 2, "before half: twice"},
        {15000, 999, "before 0.7: one and a half times"},
        {20000, 666, "between 0.7 and the end: as it was"},
        {27000, 333, "a little late: half"},
        {34000, 199, "late: 0.3"},
        {37500, 133, "at 1.5 periods: 0.2"},
    };
    for (const auto& row : rows)
    {
        CSmoothProgress progress;
        progress.Prepare(4);
        progress.BeginPeriod(row.reached);
        EXPECT_EQ(row.speed, progress.Speed()) << row.why;
        EXPECT_EQ(row.reached, progress.StartPoint()) << row.why;
        EXPECT_EQ(3, progress.PeriodsLeft());
        EXPECT_EQ((100000 - row.reached) / 3, progress.PeriodSize()) << row.why;
        EXPECT_EQ(row.reached + (100000 - row.reached) / 3, progress.EndPoint()) << row.why;
    }
}

TEST(SmoothProgressTest, ManyResults_SpeedStaysWithinBounds_NoDivisionByZero)
{
    CSmoothProgress slow;
    slow.Prepare(12);
    for (int result = 0; result < 10; ++result)
    {
        slow.BeginPeriod(slow.StartPoint() + slow.PeriodSize() + slow.PeriodSize() / 10);   // always a little late
    }
    EXPECT_EQ(CSmoothProgress::kMinimumSpeed, slow.Speed()) << "the speed never falls below its floor";
    EXPECT_EQ(2, slow.PeriodsLeft());
    for (int result = 0; result < 3; ++result)
    {
        slow.BeginPeriod(slow.StartPoint());
    }
    EXPECT_EQ(1, slow.PeriodsLeft()) << "more results than periods: the last period stays open";
    EXPECT_EQ(CSmoothProgress::kEnd, slow.EndPoint());
    slow.BeginPeriod(CSmoothProgress::kEnd + 5);
    EXPECT_EQ(CSmoothProgress::kEnd, slow.EndPoint()) << "a position past the end counts as the end";

    CSmoothProgress fast;
    fast.Prepare(40);
    for (int result = 0; result < 40; ++result)
    {
        fast.BeginPeriod(fast.StartPoint());                  // every result at once
    }
    EXPECT_LE(fast.Speed(), CSmoothProgress::kEnd) << "nor grows without end";
    EXPECT_GT(fast.Tick(0), 0);
    EXPECT_LE(fast.Tick(90000), CSmoothProgress::kEnd);
}
