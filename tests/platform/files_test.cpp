#include "platform/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
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
    // A dangling link is a missing file too (no read error box); the save
    // creates its target.
    ASSERT_EQ(symlink("missing.ini", dir.file("KV275Setup.ini").c_str()), 0);
    const auto link = platform::readOrCreateFile(dir.file("KV275Setup.ini"), 4096);
    EXPECT_EQ(link.error, 0);
    EXPECT_TRUE(link.bytes.empty());
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

// What an ordinary user's save does to a protected or linked settings file.
// Each case sets the scene in a directory handed to that user, saves "new"
// through `name`, and states the error, what `target` then holds and its mode.
struct ProtectionCase {
    const char* fault;  // the fault the case would catch
    std::function<void(const TempDir&)> scene;
    const char* name;
    const char* target;
    int error;
    const char* contents;
    mode_t mode;
    platform::WriteStage stage;
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool isLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void ownedFile(const TempDir& dir, const std::string& name, const std::string& bytes, mode_t mode) {
    writeFile(dir.file(name), bytes);
    testsupport::giveToUnprivilegedUser(dir.file(name));
    chmod(dir.file(name).c_str(), mode);
}

TEST(WriteFileAtomically, RespectsProtectionAndLinksAsAnInPlaceWriteWould) {
    using platform::WriteStage;
    const std::vector<ProtectionCase> cases{
        {"read-only file silently replaced", [](const TempDir& d) { ownedFile(d, "s.ini", "old", 0444); },
         "s.ini", "s.ini", EACCES, "old", 0444, WriteStage::Create},
        {"mode reset to 0644", [](const TempDir& d) { ownedFile(d, "s.ini", "old", 0600); }, "s.ini", "s.ini", 0,
         "new", 0600, WriteStage::None},
        {"link turned into a regular file",
         [](const TempDir& d) {
             std::filesystem::create_directory(d.file("real"));
             testsupport::giveToUnprivilegedUser(d.file("real"));
             ownedFile(d, "real/s.ini", "old", 0640);
             symlink("real/s.ini", d.file("s.ini").c_str());
         },
         "s.ini", "real/s.ini", 0, "new", 0640, WriteStage::None},
        {"dangling link replaced instead of followed",
         [](const TempDir& d) { symlink("target.ini", d.file("s.ini").c_str()); }, "s.ini", "target.ini", 0, "new",
         0, WriteStage::None},
        {"link to a read-only file followed into a replacement",
         [](const TempDir& d) {
             ownedFile(d, "target.ini", "old", 0444);
             symlink("target.ini", d.file("s.ini").c_str());
         },
         "s.ini", "target.ini", EACCES, "old", 0444, WriteStage::Create},
        {"read-only directory: old file lost or temporary left",
         [](const TempDir& d) {
             std::filesystem::create_directory(d.file("ro"));
             ownedFile(d, "ro/s.ini", "old", 0644);
             testsupport::giveToUnprivilegedUser(d.file("ro"));
             chmod(d.file("ro").c_str(), 0555);
         },
         "ro/s.ini", "ro/s.ini", EACCES, "old", 0644, WriteStage::Create},
    };
    for (const ProtectionCase& c : cases) {
        SCOPED_TRACE(c.fault);
        TempDir dir;
        testsupport::giveToUnprivilegedUser(dir.path());
        c.scene(dir);
        const std::string path = dir.file(c.name);
        const bool asExpected = testsupport::asUnprivilegedUser([&] {
            platform::WriteStage stage = platform::WriteStage::None;
            const int err = platform::writeFileAtomically(path, "new", &stage);
            return err == c.error && stage == c.stage;
        });
        EXPECT_TRUE(asExpected) << "error or stage differ";
        EXPECT_EQ(readFile(dir.file(c.target)), c.contents);
        if (c.mode) {
            EXPECT_EQ(modeOf(dir.file(c.target)), c.mode);
        }
        if (std::string(c.name) != c.target) {
            EXPECT_TRUE(isLink(path)) << "the link must stay a link";
        }
        chmod(dir.file("ro").c_str(), 0755);
        const auto left = entries(std::filesystem::path(dir.file(c.target)).parent_path().string());
        for (const std::string& e : left) EXPECT_EQ(e.find(".tmp"), std::string::npos) << e;
    }
}

TEST(WriteFileAtomically, MissingDirectoryFailsWithoutCreatingIt) {
    TempDir dir;
    EXPECT_EQ(platform::writeFileAtomically(dir.file("gone/s.ini"), "x"), ENOENT);
    EXPECT_FALSE(fs::exists(dir.file("gone")));
}

// A reader for files a program only looks at: nothing appears where nothing was.
TEST(ReadExistingFile, ReadsRegularFilesAndNeverCreatesOrWaits) {
    TempDir dir;
    writeFile(dir.file("a.ini"), "ISPort=1\r\n");
    ASSERT_EQ(mkfifo(dir.file("pipe.ini").c_str(), 0600), 0);
    fs::create_directory(dir.file("dir.ini"));
    struct Case {
        const char* name;
        uint64_t limit;
        int error;
        uint64_t size;
        std::string bytes;
    };
    const std::vector<Case> cases{
        {"a.ini", 4096, 0, 10, "ISPort=1\r\n"},
        {"a.ini", 4, 0, 10, "ISPo"},
        {"missing.ini", 4096, ENOENT, 0, ""},
        {"dir.ini", 4096, EISDIR, 0, ""},
        {"pipe.ini", 4096, EINVAL, 0, ""},  // an open that waited for a writer would hang here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " up to " + std::to_string(c.limit));
        const auto r = platform::readExistingFile(dir.file(c.name), c.limit);
        EXPECT_EQ(r.error, c.error);
        EXPECT_FALSE(r.created);
        EXPECT_EQ(r.size, c.size);
        EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.bytes);
    }
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"a.ini", "dir.ini", "pipe.ini"}));
}

}  // namespace
