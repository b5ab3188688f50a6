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

TEST(TickCounter, RemovingTheFakeRestoresTheMonotonicClock) {
    { testsupport::FakeClock clock(7, 0); EXPECT_EQ(platform::GetTickCount(), 7u); }
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint32_t expected = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
    EXPECT_LT(platform::GetTickCount() - expected, 1000u);
}

}  // namespace
