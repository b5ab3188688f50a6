#include "tests/support/fake_clock.h"

#include "platform/tick_counter.h"

namespace testsupport {

FakeClock::FakeClock(uint32_t start, uint32_t step) : now_(start), step_(step) {
    platform::setTickSource([this] { return tick(); });
}

FakeClock::~FakeClock() { platform::setTickSource({}); }

uint32_t FakeClock::tick() {
    ++readings_;
    const uint32_t value = now_;
    now_ += step_;
    return value;
}

}  // namespace testsupport
