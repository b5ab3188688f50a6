#pragma once
// What every harness shares: a check that stops the run with the input saved,
// message boxes that answer without a window, and a reader that cuts one input
// into the numbers and texts a harness passes on.

#include "platform/message_box.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Not assert(): the checks must stay in an optimised build.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::fuzzsupport::fail(#condition, __FILE__, __LINE__))

// For a harness's own loops over whole frames: they are not the code under
// test, and counting each of their comparisons for the fuzzer's guidance
// would cost more than everything else the harness does.
#if defined(__clang__)
#define FUZZ_UNGUIDED __attribute__((no_sanitize("coverage")))
#else
#define FUZZ_UNGUIDED
#endif

namespace fuzzsupport {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

// A box would need a QApplication and a person; here every box is answered at
// once and nothing about it is kept, so a run of millions of inputs stays flat
// in memory. `count` only tells how many boxes were asked since the last reset.
inline size_t& boxCount() {
    static size_t count = 0;
    return count;
}

inline void installSilentBoxes() {
    static const bool installed = [] {
        platform::setMessageBoxHandler([](const platform::MessageBoxCall& call) {
            ++boxCount();
            switch (call.buttons) {
            case platform::MsgButtons::Ok:
            case platform::MsgButtons::OkCancel: return platform::MsgResult::Ok;
            case platform::MsgButtons::YesNo:
            case platform::MsgButtons::YesNoCancel: return platform::MsgResult::Yes;
            }
            return platform::MsgResult::Ok;
        });
        return true;
    }();
    (void)installed;
}

// Reads an input front to back. Numbers come first, as fixed-size fields that
// read as zero once the input is used up; texts follow, each ending at a zero
// byte (no C string the parsers see can hold one anyway).
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() {
        const uint16_t low = byte();
        return static_cast<uint16_t>(low | static_cast<uint16_t>(byte()) << 8);
    }
    uint32_t u32() {
        const uint32_t low = u16();
        return low | static_cast<uint32_t>(u16()) << 16;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }

    // The bytes up to the next zero byte (or the end); the zero is consumed.
    std::string text() {
        std::string out;
        while (pos_ < size_ && data_[pos_] != 0) out.push_back(static_cast<char>(data_[pos_++]));
        if (pos_ < size_) ++pos_;
        return out;
    }
    // Everything not read yet, zero bytes included.
    std::string rest() {
        std::string out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return out;
    }
    const uint8_t* restData() const { return data_ + pos_; }
    size_t restSize() const { return size_ - pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace fuzzsupport
