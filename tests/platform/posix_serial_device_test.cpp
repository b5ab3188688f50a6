// The real device on a pseudo-terminal: what only a real descriptor shows
// (line settings as the kernel keeps them, hang-ups while waiting, locking).

#include "platform/posix_serial_device.h"
#include "platform/serial_timeouts.h"
#include "tests/platform/finishes_within.h"
#include "tests/platform/pty_pair.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::CommTimeouts;
using platform::DeviceControlBlock;
using platform::SerialDevice;
namespace dcbflags = platform::dcbflags;

class PtyDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(openDevice()); }

    void openDevice() {
        int err = -1;
        std::unique_ptr<SerialDevice> d = platform::openSerialDevice("COM1", err);
        ASSERT_EQ(err, 0);
        ASSERT_NE(d, nullptr);
        device = std::move(d);
    }
    termios nearEndSettings() const {
        termios tio{};
        EXPECT_EQ(tcgetattr(pty.slave(), &tio), 0);
        return tio;
    }
    void setTimeouts(const CommTimeouts& t) { ASSERT_EQ(device->setTimeouts(t), 0); }

    testsupport::TempDir dir;
    testsupport::PtyPair pty{"COM1"};
    std::shared_ptr<SerialDevice> device;  // shared with calls watched for hangs
};

TEST_F(PtyDevice, OpenPutsTheLineIntoRawModeWhateverWasLeftOnIt) {
    device.reset();
    termios cooked = nearEndSettings();
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_iflag |= ICRNL | IXON | IXOFF;
    cooked.c_oflag |= OPOST | ONLCR;
    ASSERT_EQ(tcsetattr(pty.slave(), TCSANOW, &cooked), 0);

    ASSERT_NO_FATAL_FAILURE(openDevice());
    const termios raw = nearEndSettings();
    EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(raw.c_iflag & (ICRNL | IXON | IXOFF), 0u);
    EXPECT_EQ(raw.c_oflag & OPOST, 0u);
    EXPECT_EQ(raw.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(raw.c_cc[VMIN], 1);
    EXPECT_EQ(raw.c_cc[VTIME], 0);
}

TEST_F(PtyDevice, PseudoTerminalRefusesLowLatencyAndTheLineWorksAsBefore) {
    bool previous = true;
    EXPECT_EQ(device->setLowLatency(true, previous), ENOTTY);
    EXPECT_FALSE(previous);
    uint32_t written = 0;
    ASSERT_EQ(device->write(reinterpret_cast<const uint8_t*>("B2"), 2, written), 0);
    EXPECT_EQ(pty.receive(2), "B2");
    EXPECT_EQ(device->close(), 0);
}

TEST_F(PtyDevice, BaudRateRoundTripsThroughSetAndGetState) {
    for (uint32_t rate : {19200u, 115200u, 9600u}) {
        DeviceControlBlock dcb;
        ASSERT_EQ(device->getState(dcb), 0);
        dcb.BaudRate = rate;
        ASSERT_EQ(device->setState(dcb), 0) << rate;
        DeviceControlBlock back;
        ASSERT_EQ(device->getState(back), 0);
        EXPECT_EQ(back.BaudRate, rate);
        EXPECT_EQ(back.DCBlength, 28u);
        EXPECT_TRUE(back.flags & dcbflags::Binary);
    }
}

TEST_F(PtyDevice, UnsupportedOrInvalidSettingsAreRefusedAndChangeNothing) {
    DeviceControlBlock good;
    ASSERT_EQ(device->getState(good), 0);
    good.BaudRate = 19200;
    ASSERT_EQ(device->setState(good), 0);
    const termios before = nearEndSettings();

    std::vector<DeviceControlBlock> bad(6, good);
    bad[0].BaudRate = 12345;
    bad[1].BaudRate = 0;
    bad[2].ByteSize = 9;
    bad[3].ByteSize = 4;
    bad[4].Parity = 5;
    bad[5].StopBits = 3;
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(device->setState(bad[i]), EINVAL) << "case " << i;
        DeviceControlBlock now;
        ASSERT_EQ(device->getState(now), 0);
        EXPECT_EQ(now.BaudRate, 19200u) << "case " << i;
    }
    const termios after = nearEndSettings();
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST_F(PtyDevice, PseudoTerminalForcesEightBitsNoParityWithoutAnError) {
    DeviceControlBlock dcb;
    ASSERT_EQ(device->getState(dcb), 0);
    dcb.ByteSize = 7;
    dcb.Parity = platform::EVENPARITY;
    EXPECT_EQ(device->setState(dcb), 0);
    DeviceControlBlock back;
    ASSERT_EQ(device->getState(back), 0);
    EXPECT_EQ(back.ByteSize, 8);
    EXPECT_EQ(back.Parity, platform::NOPARITY);
}

TEST_F(PtyDevice, StopBitsAndFlowControlReachTheLine) {
    DeviceControlBlock dcb;
    ASSERT_EQ(device->getState(dcb), 0);
    dcb.StopBits = platform::ONE5STOPBITS;
    dcb.flags |= dcbflags::OutxCtsFlow | dcbflags::OutX | dcbflags::InX;
    ASSERT_EQ(device->setState(dcb), 0);
    termios tio = nearEndSettings();
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_TRUE(tio.c_cflag & CRTSCTS);
    EXPECT_TRUE(tio.c_iflag & IXON);
    EXPECT_TRUE(tio.c_iflag & IXOFF);
    DeviceControlBlock back;
    ASSERT_EQ(device->getState(back), 0);
    EXPECT_EQ(back.StopBits, platform::ONE5STOPBITS);
    EXPECT_EQ(back.flags & (dcbflags::OutxCtsFlow | dcbflags::OutX | dcbflags::InX),
              dcbflags::OutxCtsFlow | dcbflags::OutX | dcbflags::InX);

    dcb.StopBits = platform::ONESTOPBIT;
    dcb.flags &= ~(dcbflags::OutxCtsFlow | dcbflags::OutX | dcbflags::InX);
    ASSERT_EQ(device->setState(dcb), 0);
    tio = nearEndSettings();
    EXPECT_FALSE(tio.c_cflag & (CSTOPB | CRTSCTS));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
}

TEST_F(PtyDevice, ModemLinesAreRefusedButPurgeKeepsDrainedOutput) {
    for (auto f : {platform::Escape::CLRDTR, platform::Escape::SETRTS, platform::Escape::CLRRTS, platform::Escape::SETDTR})
        EXPECT_EQ(device->escape(f), ENOTTY);
    // A NAK that has been drained is on its way to the far end: a purge
    // must not take it back.
    const uint8_t nak = 0x15;
    uint32_t written = 0;
    ASSERT_EQ(device->write(&nak, 1, written), 0);
    ASSERT_EQ(device->drain(), 0);
    ASSERT_EQ(device->purge(), 0);
    EXPECT_EQ(pty.receive(1), "\x15");
}

TEST_F(PtyDevice, ByteGapsShorterThanTheIntervalKeepTheReadGoing) {
    setTimeouts({300, 0, 1500, 0, 0});
    pty.send("123");
    std::thread later([this] {
        std::this_thread::sleep_for(20ms);
        pty.send("4567");
    });
    uint8_t buffer[11];
    uint32_t got = 0;
    EXPECT_EQ(device->read(buffer, 11, got), 0);
    later.join();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "1234567");
}

TEST_F(PtyDevice, MaximalIntervalWithoutTotalsReturnsWhatIsThereAtOnce) {
    setTimeouts({platform::kTimeoutMax, 0, 0, 0, 0});
    auto got = std::make_shared<uint32_t>(99);
    auto err = std::make_shared<int>(-1);
    auto dev = device;
    ASSERT_TRUE(testsupport::finishesWithin(5s, [dev, got, err] {
        uint8_t buffer[11];
        *err = dev->read(buffer, 11, *got);
    }));
    EXPECT_EQ(*err, 0);
    EXPECT_EQ(*got, 0u);
}

TEST_F(PtyDevice, FarEndClosingDuringAnEndlessReadEndsItWithEio) {
    setTimeouts({0, 0, 0, 0, 0});  // wait for the full count, however long
    auto got = std::make_shared<uint32_t>(99);
    auto err = std::make_shared<int>(-1);
    auto dev = device;
    std::thread killer([this] {
        std::this_thread::sleep_for(50ms);
        pty.closeFarEnd();
    });
    const bool finished = testsupport::finishesWithin(5s, [dev, got, err] {
        uint8_t buffer[11];
        *err = dev->read(buffer, 11, *got);
    });
    killer.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(*err, EIO);
}

TEST_F(PtyDevice, FarEndClosingDuringABlockedWriteEndsItWithEio) {
    setTimeouts({0, 0, 0, 0, 0});  // no write time-out: only the hang-up can end it
    auto err = std::make_shared<int>(-1);
    auto dev = device;
    std::thread killer([this] {
        std::this_thread::sleep_for(50ms);
        pty.closeFarEnd();
    });
    const bool finished = testsupport::finishesWithin(5s, [dev, err] {
        // Far more than the pseudo-terminal buffers, with nobody reading.
        std::vector<uint8_t> data(1 << 20, 'x');
        uint32_t written = 0;
        *err = dev->write(data.data(), static_cast<uint32_t>(data.size()), written);
    });
    killer.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(*err, EIO);
}

TEST_F(PtyDevice, WriteTimeoutEndsAStalledWriteWithAShortCount) {
    setTimeouts({0, 0, 0, 0, 60});
    std::vector<uint8_t> data(1 << 20, 'x');
    uint32_t written = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->write(data.data(), static_cast<uint32_t>(data.size()), written), 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(written, data.size());
    EXPECT_GE(elapsed, 55ms);
    EXPECT_LT(elapsed, 2s);
}

// A far end that stops reading (a simulator stopped with Ctrl+Z) lets the
// line's buffer fill; a write without a time-out of its own then ends as the
// device being gone instead of freezing the program.
TEST_F(PtyDevice, WriteWithoutATimeoutToALineThatTakesNothingEndsAsTheDeviceGone) {
    setTimeouts({0, 0, 0, 0, 50});  // filled until the line took nothing for 50 ms
    std::vector<uint8_t> fill(1 << 20, 'x');
    for (uint32_t written = 1; written > 0;) ASSERT_EQ(device->write(fill.data(), 1 << 20, written), 0);
    setTimeouts({0, 0, 0, 0, 0});
    auto err = std::make_shared<int>(-1);
    auto dev = device;
    ASSERT_TRUE(testsupport::finishesWithin(10s, [dev, err] {
        uint32_t n = 0;
        *err = dev->write(reinterpret_cast<const uint8_t*>("\xB2\x05"), 2, n);
    }));
    EXPECT_EQ(*err, EIO);
}

// A reply that came after the last read of the previous opener must not be
// the first thing the next one reads.
TEST_F(PtyDevice, OpenDropsWhatTheFarEndSentBeforeIt) {
    ASSERT_EQ(device->close(), 0);
    device.reset();
    pty.send("late reply");
    ASSERT_NO_FATAL_FAILURE(openDevice());
    EXPECT_EQ(pty.pendingAtNearEnd(), 0u);
    pty.send("fresh");
    setTimeouts({0, 0, 500, 0, 0});
    uint8_t buffer[8] = {};
    uint32_t got = 0;
    EXPECT_EQ(device->read(buffer, 5, got), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "fresh");
}

TEST_F(PtyDevice, CloseReleasesThePortAndLaterCallsFailCleanly) {
    ASSERT_EQ(device->close(), 0);
    EXPECT_EQ(device->close(), 0);  // already closed: nothing to do
    DeviceControlBlock dcb;
    uint8_t b = 0;
    uint32_t n = 0;
    EXPECT_EQ(device->getState(dcb), EBADF);
    EXPECT_EQ(device->read(&b, 1, n), EBADF);
    EXPECT_EQ(device->write(&b, 1, n), EBADF);
    EXPECT_EQ(device->purge(), EBADF);
    // The lock went with the close, and so it does with a device that is
    // simply destroyed.
    ASSERT_NO_FATAL_FAILURE(openDevice());
    device.reset();
    ASSERT_NO_FATAL_FAILURE(openDevice());
}

TEST(PosixSerialDeviceOpen, RefusesWhatIsNotATerminalAndReportsMissingDevices) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("COM1"), "not a port");
    int err = 0;
    EXPECT_EQ(platform::openSerialDevice("COM1", err), nullptr);
    EXPECT_EQ(err, ENOTTY);

    ASSERT_EQ(symlink("/nonexistent/ttyUSB7", "COM2"), 0);
    EXPECT_EQ(platform::openSerialDevice("COM2", err), nullptr);
    EXPECT_EQ(err, ENOENT);

    EXPECT_EQ(platform::openSerialDevice("LPT1", err), nullptr);
    EXPECT_EQ(err, ENOENT);
}

}  // namespace
