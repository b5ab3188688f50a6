// The read and write time-out rules, on made-up times (nanoseconds).

#include "platform/serial_timeouts.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <vector>

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

// Settings that would let a read wait for ever on a silent line (or for 49
// days) hang the program; every such read ends after the platform's cap.
TEST(ReadTimer, NoReadOutlastsTheCapWhateverTheSettings) {
    const int64_t cap = platform::kLongestReadMs * ms;
    const CommTimeouts unlimited[] = {readTimeouts(0, 0, 0), readTimeouts(50, 0, 0),
                                      readTimeouts(0, 0, kTimeoutMax), readTimeouts(0, kTimeoutMax - 1, 0),
                                      readTimeouts(kTimeoutMax, kTimeoutMax, kTimeoutMax - 1)};
    for (const CommTimeouts& t : unlimited) {
        SCOPED_TRACE(testing::Message() << t.ReadIntervalTimeout << "/" << t.ReadTotalTimeoutMultiplier << "/"
                                        << t.ReadTotalTimeoutConstant);
        ReadTimer timer(t, 11, start);
        EXPECT_FALSE(timer.expired(start + cap - 1));
        EXPECT_TRUE(timer.expired(start + cap));
        EXPECT_EQ(timer.pollTimeoutMs(start), static_cast<int>(platform::kLongestReadMs));
    }
    // All zero still waits for the full count up to the cap: bytes do not end it.
    ReadTimer timer(readTimeouts(0, 0, 0), 11, start);
    timer.bytesArrived(3, start + 10 * ms);
    EXPECT_FALSE(timer.expired(start + 30000 * ms));
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

// "No limit" must not let a write to a line that takes nothing wait for
// ever; the program's own limits hold as given, capped as reads are.
TEST(WriteLimit, NoLimitIsTheBytesTimePlusAMarginAtMostAFewSecondsThenTheDeviceIsGone) {
    platform::DeviceControlBlock line;  // 9600 baud, 8N1: 10 bits a byte
    platform::DeviceControlBlock slow = line;
    slow.BaudRate = 300;
    slow.Parity = platform::EVENPARITY;  // 11 bits a byte
    const int64_t margin = platform::kWriteMarginMs * ms;
    // {write multiplier, constant, line, bytes, limit, device gone at its end}
    const std::vector<std::tuple<uint32_t, uint32_t, platform::DeviceControlBlock, uint32_t, int64_t, bool>> cases{
        {0, 0, line, 96, 100 * ms + margin, true},  {0, 0, line, 1, 2 * ms + margin, true},
        {0, 0, slow, 30, 1100 * ms + margin, true}, {0, 0, slow, 4096, platform::kLongestWriteMs * ms, true},
        {2, 10, line, 5, 20 * ms, false},           {0, 10, line, 5, 10 * ms, false},
        {kTimeoutMax, 0, line, 9, platform::kLongestReadMs * ms, false}};
    for (const auto& [multiplier, constant, dcb, count, limit, gone] : cases) {
        const platform::WriteLimit w = platform::writeLimit({0, 0, 0, multiplier, constant}, dcb, count);
        EXPECT_EQ(w.ns, limit) << multiplier << "/" << constant << " x" << count;
        EXPECT_EQ(w.deviceGoneAtEnd, gone) << multiplier << "/" << constant;
    }
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
