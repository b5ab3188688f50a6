// "Tiltview.ini": what a file on disk gives as the port, and the save.

#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"
#include "tiltview/tiltview_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace {

using namespace std::string_literals;
using testsupport::readFile;
using testsupport::writeFile;

size_t filesIn(const std::string& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

TEST(TiltSettingsFile, PortIsTheLowByteOfTheLeadingNumberWithinOneToEightElseTwo) {
    // {what a wrong reader would do, file content, port}
    const std::vector<std::tuple<const char*, std::string, int>> cases{
        {"a written file misread", "3", 3},
        {"leading blank not skipped", " 4", 4},
        {"line end taken for part of the number", "4\r\n", 4},
        {"port 7 refused", "7", 7},
        {"only the low 8 bits not taken", "259", 3},
        {"0 taken", "0", 2},
        {"9 taken", "9", 2},
        {"-1 taken", "-1", 2},
        {"letters taken", "abc", 2},
        {"empty file taken", "", 2},
        {"text read past a zero byte", "\0" "5"s, 2},
        {"20 digits overflowing", "99999999999999999999", 2},
        {"a number beyond 32 bits wrapped instead of held", "4294967299", 2},
        {"a file of 255 bytes not read whole", "6" + std::string(254, ' '), 6},
        {"a file larger than 255 bytes taken", "6" + std::string(255, ' '), 2},
        {"1 MB of binary taken", "5" + std::string(1024 * 1024, '\x80'), 2},
    };
    testsupport::TempDir dir;
    for (const auto& [fault, content, port] : cases) {
        writeFile(dir.file("Tiltview.ini"), content);
        EXPECT_EQ(tiltsettings::LoadPort(dir.path()), port) << fault;
    }
}

TEST(TiltSettingsFile, MissingFileOrADirectoryGivesTwoAndNothingIsCreated) {
    testsupport::TempDir dir;
    EXPECT_EQ(tiltsettings::LoadPort(dir.path()), 2);
    EXPECT_EQ(filesIn(dir.path()), 0u);
    std::filesystem::create_directory(dir.file("Tiltview.ini"));
    EXPECT_EQ(tiltsettings::LoadPort(dir.path()), 2);
}

TEST(TiltSettingsFile, ReadOnlyDirectoryAtExitKeepsTheOldFileWithoutABox) {
    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
    const std::string file = dir.file("Tiltview.ini");
    writeFile(file, "3");
    // The user owns the file and may write it, but not the directory the
    // new file would be made in.
    testsupport::giveToUnprivilegedUser(dir.path());
    testsupport::giveToUnprivilegedUser(file);
    ASSERT_EQ(chmod(dir.path().c_str(), 0500), 0);
    EXPECT_TRUE(testsupport::asUnprivilegedUser([&] {
        return tiltsettings::SavePort(dir.path(), 5) != 0 && boxes.calls.empty();
    }));
    chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(readFile(file), "3");
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

}  // namespace
