#include "sim/line_timing.h"

#include <gtest/gtest.h>

using namespace kv275sim;

TEST(LineTiming, BitsPerByteFollowTheFrameFormat) {
    termios t{};
    cfmakeraw(&t);
    cfsetospeed(&t, B9600);
    LineTiming l = lineTimingFrom(t, 1200);
    EXPECT_EQ(l.baud, 9600u);
    EXPECT_EQ(l.bitsPerByte, 10u);
    EXPECT_EQ(l.byteTime(), 1041666);  // ns: 10 bits at 9600

    t.c_cflag = (t.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    l = lineTimingFrom(t, 1200);
    EXPECT_EQ(l.bitsPerByte, 11u);  // start, 7 data, parity, 2 stop
}

TEST(LineTiming, FallsBackWhenTheLineCarriesNoRate) {
    termios t{};
    cfmakeraw(&t);
    cfsetospeed(&t, B0);
    EXPECT_EQ(lineTimingFrom(t, 19200).baud, 19200u);
    EXPECT_EQ(readLineTiming(-1, 4800).baud, 4800u);
    EXPECT_EQ(baudFromSpeed(speedFromBaud(115200)), 115200u);
    EXPECT_EQ(speedFromBaud(12345), static_cast<speed_t>(B0));
}
