#pragma once
// A fake millisecond tick counter. Each reading advances it by `step`, so a
// busy wait on it ends; tests move it on by hand with advance().

#include <cstdint>

namespace testsupport {

class FakeClock {
public:
    explicit FakeClock(uint32_t start = 1000, uint32_t step = 1);
    ~FakeClock();  // restores the real clock
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    uint32_t now() const { return now_; }
    void set(uint32_t value) { now_ = value; }
    void advance(uint32_t ms) { now_ += ms; }
    void setStep(uint32_t step) { step_ = step; }
    uint32_t readings() const { return readings_; }

private:
    uint32_t tick();
    uint32_t now_;
    uint32_t step_;
    uint32_t readings_ = 0;
};

}  // namespace testsupport
