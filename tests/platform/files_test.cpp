#include "platform/files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReadOrCreateFile, CreatesAMissingFileEmpty) {
    TempDir dir;
    const auto r = platform::readOrCreateFile(dir.file("KV275Scan.ini"), 4096);
    EXPECT_EQ(r.error, 0);
    EXPECT_TRUE(r.created);
    EXPECT_EQ(r.size, 0u);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_TRUE(fs::is_regular_file(dir.file("KV275Scan.ini")));
}

TEST(ReadOrCreateFile, ReadsAnExistingFileWholeOrUpToTheLimit) {
    TempDir dir;
    writeFile(dir.file("a.ini"), "ISPort=1\r\nBaudRate=9600\r\n");
    auto r = platform::readOrCreateFile(dir.file("a.ini"), 4096);
    EXPECT_EQ(r.error, 0);
    EXPECT_FALSE(r.created);
    EXPECT_EQ(r.size, 25u);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), "ISPort=1\r\nBaudRate=9600\r\n");
    r = platform::readOrCreateFile(dir.file("a.ini"), 8);
    EXPECT_EQ(r.size, 25u);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), "ISPort=1");
}

TEST(ReadOrCreateFile, MissingDirectoryIsAnErrorAndCreatesNothing) {
    TempDir dir;
    const auto r = platform::readOrCreateFile(dir.file("no/such.ini"), 4096);
    EXPECT_EQ(r.error, ENOENT);
    EXPECT_FALSE(r.created);
}

TEST(WriteFileAtomically, ReplacesTheFileAndLeavesNoTemporaryBehind) {
    TempDir dir;
    writeFile(dir.file("s.ini"), "old contents that are longer\r\n");
    ASSERT_EQ(platform::writeFileAtomically(dir.file("s.ini"), "new\r\n"), 0);
    EXPECT_EQ(readFile(dir.file("s.ini")), "new\r\n");
    ASSERT_EQ(platform::writeFileAtomically(dir.file("fresh.ini"), std::string("a\0b", 3)), 0);
    EXPECT_EQ(readFile(dir.file("fresh.ini")), std::string("a\0b", 3));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"fresh.ini", "s.ini"}));
}

TEST(WriteFileAtomically, TargetThatIsADirectoryFailsAndStays) {
    TempDir dir;
    fs::create_directory(dir.file("s.ini"));
    writeFile(dir.file("s.ini/inside"), "x");
    EXPECT_NE(platform::writeFileAtomically(dir.file("s.ini"), "new\r\n"), 0);
    EXPECT_TRUE(fs::is_directory(dir.file("s.ini")));
    EXPECT_EQ(readFile(dir.file("s.ini/inside")), "x");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"s.ini"});
}

// Tries the write as a user who may not write into `dir`: root ignores
// directory permissions, so as root the write runs in a child that gives
// them up first. Returns the error of the write.
int writeWithoutDirectoryRights(const std::string& dir, const std::string& path, const std::string& bytes) {
    if (geteuid() != 0) {
        chmod(dir.c_str(), 0555);
        const int err = platform::writeFileAtomically(path, bytes);
        chmod(dir.c_str(), 0755);
        return err;
    }
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(255);
        _exit(platform::writeFileAtomically(path, bytes));
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(WriteFileAtomically, UnwritableDirectoryKeepsTheOldFile) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);  // others may look in, not write
    fs::create_directory(dir.file("ro"));
    ASSERT_EQ(chmod(dir.file("ro").c_str(), 0755), 0);
    writeFile(dir.file("ro/s.ini"), "old\r\n");
    EXPECT_EQ(writeWithoutDirectoryRights(dir.file("ro"), dir.file("ro/s.ini"), "new\r\n"), EACCES);
    EXPECT_EQ(readFile(dir.file("ro/s.ini")), "old\r\n");
    EXPECT_EQ(entries(dir.file("ro")), std::vector<std::string>{"s.ini"});
}

TEST(WriteFileAtomically, MissingDirectoryFailsWithoutCreatingIt) {
    TempDir dir;
    EXPECT_EQ(platform::writeFileAtomically(dir.file("gone/s.ini"), "x"), ENOENT);
    EXPECT_FALSE(fs::exists(dir.file("gone")));
}

}  // namespace
