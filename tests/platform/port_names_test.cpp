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

TEST(PortNotFound, NamesWhatWasTriedAndTheCommandThatLinksAnAdapter) {
    testsupport::TempDir dir;
    ASSERT_EQ(symlink("/dev/kv275-unplugged-adapter", "COM1"), 0);
    EXPECT_EQ(platform::portPathsTried("COM2"), (std::vector<std::string>{dir.file("COM2"), "/dev/ttyS1"}));
    EXPECT_EQ(platform::portPathsTried("COM1"),
              std::vector<std::string>{dir.file("COM1") + " -> /dev/kv275-unplugged-adapter"});
    EXPECT_EQ(platform::portPathsTried("LPT1"), std::vector<std::string>{});

    // Every tool's open passes here: the line goes to standard error once, after the program's name.
    const std::string note = "COM1 is not there: tried " + dir.file("COM1") +
                             " -> /dev/kv275-unplugged-adapter; \"kv275 ports\" lists the serial ports, "
                             "\"kv275 ports link 1 DEVICE\" links one as COM1";
    EXPECT_EQ(platform::portNotFoundNote("COM1"), note);
    int err = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(platform::openSerialDevice("COM1", err), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              std::string(program_invocation_short_name) + ": " + note + "\n");
    EXPECT_EQ(err, ENOENT);
    platform::setPortNotFoundNotes(false);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(platform::openSerialDevice("COM1", err), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    platform::setPortNotFoundNotes(true);
}

TEST(SystemErrorText, DescribesCodesInTheSystemsWords) {
    EXPECT_EQ(platform::systemErrorText(EBUSY), std::strerror(EBUSY));
    EXPECT_FALSE(platform::systemErrorText(EBUSY).empty());
    EXPECT_FALSE(platform::systemErrorText(ENOTTY).empty());
    EXPECT_FALSE(platform::systemErrorText(123456).empty());  // unknown codes still say something
}

}  // namespace
