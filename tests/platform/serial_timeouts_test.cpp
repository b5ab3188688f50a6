// The read and write time-out rules, on made-up times (nanoseconds).

#include "platform/serial_timeouts.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using platform::CommTimeouts;
using platform::kTimeoutMax;
using platform::ReadTimer;

constexpr int64_t ms = 1000000;
constexpr int64_t start = 5000 * ms;

CommTimeouts readTimeouts(uint32_t interval, uint32_t multiplier, uint32_t constant) {
    CommTimeouts t;
    t.ReadIntervalTimeout = interval;
    t.ReadTotalTimeoutMultiplier = multiplier;
    t.ReadTotalTimeoutConstant = constant;
    return t;
}

TEST(ReadTimer, AllZeroWaitsForTheFullCountWithoutLimit) {
    ReadTimer timer(readTimeouts(0, 0, 0), 11, start);
    EXPECT_FALSE(timer.expired(start + 1000000 * ms));
    EXPECT_EQ(timer.pollTimeoutMs(start), -1);
    timer.bytesArrived(3, start + 10 * ms);
    EXPECT_FALSE(timer.expired(start + 1000000 * ms));
    EXPECT_EQ(timer.pollTimeoutMs(start + 20 * ms), -1);
}

TEST(ReadTimer, TotalLimitIsMultiplierTimesCountPlusConstant) {
    ReadTimer timer(readTimeouts(200, 7, 124), 11, start);  // 201 ms
    EXPECT_EQ(timer.pollTimeoutMs(start), 201);
    EXPECT_FALSE(timer.expired(start + 201 * ms - 1));
    EXPECT_TRUE(timer.expired(start + 201 * ms));
    // A poll never ends early: part of a millisecond left still waits 1 ms.
    EXPECT_EQ(timer.pollTimeoutMs(start + 200 * ms + ms / 2), 1);
}

TEST(ReadTimer, IntervalCountsOnlyAfterTheFirstByteAndOnlyALongerGapEnds) {
    ReadTimer timer(readTimeouts(30, 0, 1000), 11, start);
    EXPECT_EQ(timer.pollTimeoutMs(start), 1000);  // no byte yet: only the total
    EXPECT_FALSE(timer.expired(start + 500 * ms));
    timer.bytesArrived(2, start + 500 * ms);
    EXPECT_EQ(timer.pollTimeoutMs(start + 500 * ms), 30);
    EXPECT_FALSE(timer.expired(start + 530 * ms));  // exactly the interval: not more
    EXPECT_EQ(timer.pollTimeoutMs(start + 530 * ms), 1);
    EXPECT_TRUE(timer.expired(start + 530 * ms + 1));
    // Every byte starts the gap anew.
    timer.bytesArrived(3, start + 525 * ms);
    EXPECT_FALSE(timer.expired(start + 540 * ms));
    // Near the end the total is the nearer limit.
    timer.bytesArrived(4, start + 990 * ms);
    EXPECT_EQ(timer.pollTimeoutMs(start + 990 * ms), 10);
    EXPECT_TRUE(timer.expired(start + 1000 * ms));
}

TEST(ReadTimer, IntervalAloneNeverEndsAReadThatGotNothing) {
    ReadTimer timer(readTimeouts(50, 0, 0), 11, start);
    EXPECT_FALSE(timer.expired(start + 100000 * ms));
    EXPECT_EQ(timer.pollTimeoutMs(start + 100000 * ms), -1);
}

TEST(ReadTimer, MaximalIntervalWithoutTotalsReturnsAtOnce) {
    ReadTimer timer(readTimeouts(kTimeoutMax, 0, 0), 11, start);
    EXPECT_TRUE(timer.expired(start));
    EXPECT_EQ(timer.pollTimeoutMs(start), 0);
}

TEST(ReadTimer, MaximalIntervalAndMultiplierReturnWithTheFirstBytes) {
    ReadTimer timer(readTimeouts(kTimeoutMax, kTimeoutMax, 100), 11, start);
    EXPECT_FALSE(timer.expired(start + 99 * ms));
    EXPECT_TRUE(timer.expired(start + 100 * ms));  // nothing came within the constant
    ReadTimer early(readTimeouts(kTimeoutMax, kTimeoutMax, 100), 11, start);
    early.bytesArrived(1, start + 10 * ms);
    EXPECT_TRUE(early.expired(start + 10 * ms));
}

TEST(ReadTimer, HugeLimitsNeitherOverflowNorEndEarly) {
    ReadTimer timer(readTimeouts(kTimeoutMax - 1, kTimeoutMax - 1, kTimeoutMax), kTimeoutMax, start);
    EXPECT_FALSE(timer.expired(start + 1000000000 * ms));
    EXPECT_EQ(timer.pollTimeoutMs(start), INT_MAX);
    timer.bytesArrived(1, start);
    EXPECT_GT(timer.pollTimeoutMs(start), 0);
}

TEST(WriteLimit, BothZeroMeansNoLimitElseMultiplierTimesCountPlusConstant) {
    CommTimeouts t;
    EXPECT_EQ(platform::writeLimitNs(t, 100), -1);
    t.WriteTotalTimeoutMultiplier = 2;
    t.WriteTotalTimeoutConstant = 10;
    EXPECT_EQ(platform::writeLimitNs(t, 5), 20 * ms);
    t.WriteTotalTimeoutMultiplier = 0;
    EXPECT_EQ(platform::writeLimitNs(t, 5), 10 * ms);
}

TEST(PollMs, RoundsUpAndClamps) {
    EXPECT_EQ(platform::pollMs(-1), -1);
    EXPECT_EQ(platform::pollMs(0), 0);
    EXPECT_EQ(platform::pollMs(1), 1);
    EXPECT_EQ(platform::pollMs(ms), 1);
    EXPECT_EQ(platform::pollMs(ms + 1), 2);
    EXPECT_EQ(platform::pollMs(INT64_MAX / 2), INT_MAX);
}

}  // namespace
