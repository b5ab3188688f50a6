// The block <-> termios mapping, without a port.

#include "platform/serial_line_settings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <tuple>

namespace {

using platform::DeviceControlBlock;
namespace dcbflags = platform::dcbflags;

termios cookedTerminal() {
    termios tio{};
    tio.c_iflag = ICRNL | IXON | IXOFF | INPCK | BRKINT;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_cflag = CS7 | PARENB | CSTOPB | CREAD | HUPCL | CRTSCTS;
    tio.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 5;
    cfsetispeed(&tio, B2400);
    cfsetospeed(&tio, B2400);
    return tio;
}

TEST(BaudRates, StandardRatesMapBothWaysOthersAreRefused) {
    speed_t s{};
    for (uint32_t rate : {50u, 300u, 1200u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u, 921600u}) {
        ASSERT_TRUE(platform::speedForBaudRate(rate, s)) << rate;
        EXPECT_EQ(platform::baudRateForSpeed(s), rate);
    }
    ASSERT_TRUE(platform::speedForBaudRate(9600, s));
    EXPECT_EQ(s, static_cast<speed_t>(B9600));
    EXPECT_FALSE(platform::speedForBaudRate(12345, s));
    EXPECT_FALSE(platform::speedForBaudRate(0, s));  // B0 would hang the line up
    EXPECT_FALSE(platform::speedForBaudRate(9601, s));
}

TEST(MakeRaw, DropsTerminalProcessingAndFlowControlButKeepsFormatAndRate) {
    termios tio = cookedTerminal();
    platform::makeRaw(tio);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | IXOFF | INPCK), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS7 | PARENB | CSTOPB));
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B2400));
}

TEST(ApplyBlock, InvalidValuesAreRefusedAndLeaveTheSettingsAlone) {
    DeviceControlBlock good;
    std::vector<DeviceControlBlock> bad(7, good);
    bad[0].BaudRate = 12345;
    bad[1].ByteSize = 4;
    bad[2].ByteSize = 9;
    bad[3].Parity = 5;
    bad[4].Parity = 255;
    bad[5].StopBits = 3;
    bad[6].BaudRate = 0;
    for (size_t i = 0; i < bad.size(); ++i) {
        termios tio = cookedTerminal();
        const termios before = tio;
        EXPECT_EQ(platform::applyBlock(bad[i], tio), EINVAL) << "case " << i;
        EXPECT_EQ(std::memcmp(&tio, &before, sizeof tio), 0) << "case " << i;
    }
}

TEST(ApplyBlock, ParityCodesBecomeTheirFlags) {
    const struct {
        uint8_t code;
        tcflag_t flags;
    } cases[] = {
        {platform::NOPARITY, 0},
        {platform::ODDPARITY, PARENB | PARODD},
        {platform::EVENPARITY, PARENB},
        {platform::MARKPARITY, PARENB | PARODD | CMSPAR},
        {platform::SPACEPARITY, PARENB | CMSPAR},
    };
    for (const auto& c : cases) {
        DeviceControlBlock dcb;
        dcb.Parity = c.code;
        termios tio = cookedTerminal();
        ASSERT_EQ(platform::applyBlock(dcb, tio), 0);
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.flags) << int(c.code);
    }
}

TEST(ApplyBlock, FlagsAskForFlowControlAndParityChecking) {
    DeviceControlBlock dcb;
    termios tio = cookedTerminal();
    ASSERT_EQ(platform::applyBlock(dcb, tio), 0);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | INPCK), 0u);

    dcb.flags |= dcbflags::OutxCtsFlow | dcbflags::OutX | dcbflags::InX | dcbflags::Parity;
    dcb.XonChar = 0x01;
    dcb.XoffChar = 0x02;
    ASSERT_EQ(platform::applyBlock(dcb, tio), 0);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | INPCK), static_cast<tcflag_t>(IXON | IXOFF | INPCK));
    EXPECT_EQ(tio.c_cc[VSTART], 0x01);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x02);
}

class BlockRoundTrip : public ::testing::TestWithParam<std::tuple<uint32_t, uint8_t, uint8_t, uint8_t>> {};

TEST_P(BlockRoundTrip, WhatIsAppliedReadsBackUnchanged) {
    DeviceControlBlock dcb;
    std::tie(dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits) = GetParam();
    dcb.flags = dcbflags::Binary | dcbflags::RtsControlEnable | dcbflags::OutX;
    dcb.XonLim = 2048;
    dcb.EvtChar = 0x7E;
    termios tio = cookedTerminal();
    ASSERT_EQ(platform::applyBlock(dcb, tio), 0);
    EXPECT_EQ(platform::blockFromTermios(tio, dcb), dcb);
}

std::string formatName(const ::testing::TestParamInfo<BlockRoundTrip::ParamType>& info) {
    const auto& [rate, size, parity, stop] = info.param;
    return std::to_string(rate) + "_" + std::to_string(size) + "NOEMS"[parity] + "_stop" + std::to_string(stop);
}

INSTANTIATE_TEST_SUITE_P(Formats, BlockRoundTrip,
                         ::testing::Values(std::make_tuple(9600u, uint8_t{8}, platform::NOPARITY, platform::ONESTOPBIT),
                                           std::make_tuple(19200u, uint8_t{7}, platform::EVENPARITY, platform::TWOSTOPBITS),
                                           std::make_tuple(1200u, uint8_t{5}, platform::ODDPARITY, platform::ONE5STOPBITS),
                                           std::make_tuple(115200u, uint8_t{6}, platform::MARKPARITY, platform::ONESTOPBIT),
                                           std::make_tuple(300u, uint8_t{8}, platform::SPACEPARITY, platform::TWOSTOPBITS)),
                         formatName);

TEST(BlockFromTermios, ReportsTheLineAndKeepsWhatTermiosCannotHold) {
    termios tio = cookedTerminal();
    platform::makeRaw(tio);
    DeviceControlBlock base;
    base.DCBlength = 0;
    base.BaudRate = 1;
    base.flags = dcbflags::DtrControlEnable | dcbflags::OutxCtsFlow | dcbflags::AbortOnError;
    base.StopBits = platform::TWOSTOPBITS;
    base.ErrorChar = '?';
    const DeviceControlBlock b = platform::blockFromTermios(tio, base);
    EXPECT_EQ(b.DCBlength, 28u);
    EXPECT_EQ(b.BaudRate, 2400u);
    EXPECT_EQ(b.ByteSize, 7);
    EXPECT_EQ(b.Parity, platform::EVENPARITY);
    EXPECT_EQ(b.StopBits, platform::TWOSTOPBITS);
    // Binary always; CTS flow off as the line is; line control and the rest kept.
    EXPECT_EQ(b.flags, dcbflags::Binary | dcbflags::DtrControlEnable | dcbflags::AbortOnError);
    EXPECT_EQ(b.ErrorChar, '?');
}

TEST(SameLine, ComparesRateFormatAndFlowControlWithThePseudoTerminalsExceptions) {
    termios wanted = cookedTerminal();
    EXPECT_TRUE(platform::sameLine(wanted, wanted, false));

    termios forced = wanted;  // what a pseudo-terminal makes of 7E2
    forced.c_cflag = (forced.c_cflag & ~(CSIZE | PARENB)) | CS8;
    EXPECT_FALSE(platform::sameLine(wanted, forced, false));
    EXPECT_TRUE(platform::sameLine(wanted, forced, true));

    termios otherRate = wanted;
    cfsetospeed(&otherRate, B9600);
    EXPECT_FALSE(platform::sameLine(wanted, otherRate, true));

    termios noStop = wanted;
    noStop.c_cflag &= ~CSTOPB;
    EXPECT_FALSE(platform::sameLine(wanted, noStop, true));

    termios noFlow = wanted;
    noFlow.c_cflag &= ~CRTSCTS;
    EXPECT_FALSE(platform::sameLine(wanted, noFlow, true));
    noFlow = wanted;
    noFlow.c_iflag &= ~IXOFF;
    EXPECT_FALSE(platform::sameLine(wanted, noFlow, true));
}

}  // namespace
