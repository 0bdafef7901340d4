#include "platform/SteadyDeadline.h"

#include <gtest/gtest.h>

#include <climits>

TEST (SteadyDeadline, AWaitSpanningTheThirtyTwoBitWrapLastsItsFullLength)
{
    constexpr std::int64_t wrap = std::int64_t (1) << 32;

    struct Case
    {
        std::int64_t start;
        int waitMs;
        std::int64_t at;
        int expectedLeft;
    };

    const Case cases[] {
        { wrap - 10,        5000, wrap - 10,         5000 },   // taken just before the wrap
        { wrap - 10,        5000, wrap + 10,         4980 },   // read just after it
        { wrap - 10,        5000, wrap + 4990,       0 },      // reached
        { 5 * wrap,         200,  5 * wrap + 50,     150 },    // after several wraps
        { wrap,             -5,   wrap,              0 },      // a negative wait is over at once
        { 0,                1000, -wrap,             INT_MAX } // more left than poll can take
    };

    for (const auto& c : cases)
        EXPECT_EQ (SteadyDeadline::after (c.start, c.waitMs).millisecondsLeftAt (c.at), c.expectedLeft)
            << "started at " << c.start << " for " << c.waitMs << " ms, read at " << c.at;
}
