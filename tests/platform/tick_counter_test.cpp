#include "platform/tick_counter.h"
#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include <time.h>

namespace {

TEST(TickCounter, WaitEndsAcrossTheWrapAfterTheFullTime) {
    testsupport::FakeClock clock(0xFFFFFFF5u, 1);
    const uint32_t start = clock.now();
    platform::waitTicks(15);
    const uint32_t waited = clock.now() - start;  // unsigned difference across the wrap
    EXPECT_GE(waited, 15u);
    EXPECT_LT(waited, 40u);  // a wait that overran the wrap would have taken ~2^32 readings
    EXPECT_LT(clock.now(), 0x100u);  // and the clock did wrap on the way
}

TEST(TickCounter, ZeroWaitReturnsAndShortWaitsAreNotCutShort) {
    testsupport::FakeClock clock(100, 1);
    platform::waitTicks(0);
    EXPECT_LE(clock.now() - 100u, 2u);
    clock.setStep(3);  // a coarse clock: ticks jump past the end
    const uint32_t start = clock.now();
    platform::waitTicks(10);
    EXPECT_GE(clock.now() - start, 10u);
}

// A tool waits 15 ms before every read; spinning there kept a core busy
// for as long as the tool was reading.
TEST(TickCounter, RealWaitSleepsAndIsNotCutShort) {
    timespec cpuBefore{}, cpuAfter{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuBefore);
    const uint32_t start = platform::GetTickCount();
    platform::waitTicks(200);
    const uint32_t waited = platform::GetTickCount() - start;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuAfter);
    const double cpuMs = (cpuAfter.tv_sec - cpuBefore.tv_sec) * 1000.0 + (cpuAfter.tv_nsec - cpuBefore.tv_nsec) / 1e6;
    EXPECT_GE(waited, 200u);
    EXPECT_LT(cpuMs, 50.0) << "a sleeping wait uses next to no processor time";
}

TEST(TickCounter, RemovingTheFakeRestoresTheMonotonicClock) {
    { testsupport::FakeClock clock(7, 0); EXPECT_EQ(platform::GetTickCount(), 7u); }
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint32_t expected = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
    EXPECT_LT(platform::GetTickCount() - expected, 1000u);
}

}  // namespace
