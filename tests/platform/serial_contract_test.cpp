// What every serial device must do, checked once against the scripted fake
// line and once against the real device on a pseudo-terminal, so the tests
// written against the fake stay true on a real line.

#include "platform/serial_device.h"
#include "platform/serial_timeouts.h"
#include "tests/platform/pty_pair.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <string>

namespace {

using platform::CommTimeouts;
using platform::SerialDevice;

// The fake line: its clock moves by the time-outs the device would have waited.
class FakePeer {
public:
    FakePeer() { line_.install(); }
    std::unique_ptr<SerialDevice> open(int& err) { return platform::openSerialDevice("COM1", err); }
    void send(const std::string& bytes) { line_.input += bytes; }
    std::string received(size_t count) { return line_.written.substr(0, count); }
    void vanish() { line_.vanished = true; }
    int64_t nowMs() const { return clock_.now(); }

private:
    testsupport::FakeClock clock_{1000, 0};
    testsupport::FakeSerialLine line_{&clock_};
};

// The real device, with the master of a pseudo-terminal pair as the far end.
class PtyPeer {
public:
    std::unique_ptr<SerialDevice> open(int& err) { return platform::openSerialDevice("COM1", err); }
    void send(const std::string& bytes) { pty_.send(bytes); }
    std::string received(size_t count) { return pty_.receive(count); }
    void vanish() { pty_.closeFarEnd(); }
    int64_t nowMs() const {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

private:
    testsupport::TempDir dir_;
    testsupport::PtyPair pty_{"COM1"};
};

template <class Peer>
class SerialContract : public ::testing::Test {
protected:
    void SetUp() override {
        int err = -1;
        device = peer.open(err);
        ASSERT_EQ(err, 0);
        ASSERT_NE(device, nullptr);
    }

    void setReadTimeouts(uint32_t interval, uint32_t multiplier, uint32_t constant) {
        CommTimeouts t;
        t.ReadIntervalTimeout = interval;
        t.ReadTotalTimeoutMultiplier = multiplier;
        t.ReadTotalTimeoutConstant = constant;
        ASSERT_EQ(device->setTimeouts(t), 0);
    }

    struct ReadResult {
        int err;
        std::string bytes;
        int64_t elapsedMs;
    };
    ReadResult read(uint32_t count) {
        std::string buffer(count, '\0');
        uint32_t got = 12345;
        const int64_t start = peer.nowMs();
        const int err = device->read(reinterpret_cast<uint8_t*>(buffer.data()), count, got);
        const int64_t elapsed = peer.nowMs() - start;
        EXPECT_LE(got, count);
        buffer.resize(got <= count ? got : count);
        return {err, buffer, elapsed};
    }

    Peer peer;
    std::unique_ptr<SerialDevice> device;
};

using Peers = ::testing::Types<FakePeer, PtyPeer>;
class PeerNames {
public:
    template <class T>
    static std::string GetName(int) {
        return std::is_same_v<T, FakePeer> ? "FakeLine" : "PseudoTerminal";
    }
};
TYPED_TEST_SUITE(SerialContract, Peers, PeerNames);

TYPED_TEST(SerialContract, WrittenBytesArriveUnchanged) {
    // Control characters a terminal would act on must pass as they are.
    const std::string bytes("\xB2\x05\x00\x11\x13\r\n\x03\x15\xFF", 10);
    uint32_t written = 0;
    ASSERT_EQ(this->device->write(reinterpret_cast<const uint8_t*>(bytes.data()), 10, written), 0);
    EXPECT_EQ(written, 10u);
    EXPECT_EQ(this->peer.received(10), bytes);
}

TYPED_TEST(SerialContract, ReadReturnsAtOnceWhenTheCountIsThere) {
    this->setReadTimeouts(0, 0, 1500);
    this->peer.send(std::string("0123456789\x0B\x11\x13", 13));
    const auto first = this->read(11);
    EXPECT_EQ(first.err, 0);
    EXPECT_EQ(first.bytes, "0123456789\x0B");
    EXPECT_LT(first.elapsedMs, 1000);  // the 1500 ms time-out did not end it
    // What was not asked for stays for the next read.
    const auto rest = this->read(2);
    EXPECT_EQ(rest.err, 0);
    EXPECT_EQ(rest.bytes, "\x11\x13");
}

TYPED_TEST(SerialContract, SilentReadSucceedsEmptyAfterItsTotalTimeout) {
    this->setReadTimeouts(0, 7, 24);  // 7 x 11 + 24 = 101 ms
    const auto r = this->read(11);
    EXPECT_EQ(r.err, 0);
    EXPECT_EQ(r.bytes, "");
    EXPECT_GE(r.elapsedMs, 101 - 5);
    EXPECT_LT(r.elapsedMs, 2000);
}

// A device whose line settings were refused before the program's time-outs
// were applied: a read from a silent address must still end.
TYPED_TEST(SerialContract, FreshDeviceReadsUnderAFiniteLimitUntilSettingsApply) {
    platform::CommTimeouts opening;
    ASSERT_EQ(this->device->getTimeouts(opening), 0);
    EXPECT_EQ(opening, platform::kOpeningTimeouts);
    const auto r = this->read(11);
    EXPECT_EQ(r.err, 0);
    EXPECT_EQ(r.bytes, "");
    EXPECT_GE(r.elapsedMs, int64_t{platform::kOpeningTimeouts.ReadTotalTimeoutConstant} - 5);
}

TYPED_TEST(SerialContract, SilenceAfterSomeBytesEndsWithThePartialCount) {
    this->setReadTimeouts(0, 0, 80);
    this->peer.send("B2+");
    const auto r = this->read(11);
    EXPECT_EQ(r.err, 0);
    EXPECT_EQ(r.bytes, "B2+");
    EXPECT_GE(r.elapsedMs, 80 - 5);
    EXPECT_LT(r.elapsedMs, 2000);
}

TYPED_TEST(SerialContract, GapLongerThanTheIntervalEndsTheReadBeforeItsTotal) {
    this->setReadTimeouts(30, 0, 1500);
    this->peer.send("12.3");
    const auto r = this->read(11);
    EXPECT_EQ(r.err, 0);
    EXPECT_EQ(r.bytes, "12.3");
    EXPECT_GE(r.elapsedMs, 30 - 5);
    EXPECT_LT(r.elapsedMs, 1000);
}

TYPED_TEST(SerialContract, PurgeDropsPendingInput) {
    this->peer.send("stale");
    ASSERT_EQ(this->device->purge(), 0);
    this->setReadTimeouts(0, 0, 50);
    const auto r = this->read(5);
    EXPECT_EQ(r.err, 0);
    EXPECT_EQ(r.bytes, "");
    // The line still works after the purge.
    this->peer.send("fresh");
    EXPECT_EQ(this->read(5).bytes, "fresh");
}

TYPED_TEST(SerialContract, VanishedDeviceGivesEioInsteadOfWaiting) {
    this->setReadTimeouts(0, 0, 3000);
    this->peer.vanish();
    const auto r = this->read(11);
    EXPECT_EQ(r.err, EIO);
    EXPECT_LT(r.elapsedMs, 2000);  // not the 3 s time-out
    uint32_t written = 99;
    const uint8_t enq[2] = {0xB2, 0x05};
    EXPECT_EQ(this->device->write(enq, 2, written), EIO);
    EXPECT_EQ(written, 0u);
}

TYPED_TEST(SerialContract, SecondOpenIsBusyUntilTheFirstCloses) {
    int err = 0;
    EXPECT_EQ(this->peer.open(err), nullptr);
    EXPECT_EQ(err, EBUSY);
    ASSERT_EQ(this->device->close(), 0);
    auto again = this->peer.open(err);
    EXPECT_EQ(err, 0);
    EXPECT_NE(again, nullptr);
}

}  // namespace
