#include "platform/serial_device.h"
#include "platform/system_error.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

TEST(ResolvePortPath, ALinkInTheCurrentDirectoryWinsElseTheSerialDevice) {
    testsupport::TempDir dir;
    EXPECT_EQ(platform::resolvePortPath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(platform::resolvePortPath("COM4"), "/dev/ttyS3");
    EXPECT_EQ(platform::resolvePortPath("COM8"), "/dev/ttyS7");
    ASSERT_EQ(symlink("/dev/ttyUSB0", "COM1"), 0);  // dangling is fine: it names what the user meant
    EXPECT_EQ(platform::resolvePortPath("COM1"), "COM1");
    testsupport::writeFile(dir.file("COM3"), "");
    EXPECT_EQ(platform::resolvePortPath("COM3"), "COM3");
    EXPECT_EQ(platform::resolvePortPath("COM2"), "/dev/ttyS1");
}

TEST(ResolvePortPath, NamesNotOfTheFormComNGiveNothing) {
    testsupport::TempDir dir;
    for (const char* junk : {"", "COM", "COM0", "COM257", "COMx", "COM1x", "COM-1", "COM 1", "com1", "LPT1",
                             "COM99999999999999999999999", "/dev/ttyS0", "../COM1"})
        EXPECT_EQ(platform::resolvePortPath(junk), "") << '"' << junk << '"';
    int err = 0;
    EXPECT_EQ(platform::openSerialDevice("COMx", err), nullptr);
    EXPECT_EQ(err, ENOENT);
}

TEST(SystemErrorText, DescribesCodesInTheSystemsWords) {
    EXPECT_EQ(platform::systemErrorText(EBUSY), std::strerror(EBUSY));
    EXPECT_FALSE(platform::systemErrorText(EBUSY).empty());
    EXPECT_FALSE(platform::systemErrorText(ENOTTY).empty());
    EXPECT_FALSE(platform::systemErrorText(123456).empty());  // unknown codes still say something
}

}  // namespace
