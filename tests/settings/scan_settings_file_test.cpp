// The scanner's settings file "KV275Scan.ini", read and written in a scratch directory.

#include "platform/files.h"
#include "scan/scan_settings.h"
#include "sensorlink/settings_codec.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using testsupport::readFile;
using testsupport::writeFile;

const std::string kDefaultFile =
    "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=1\r\nISAddress=1\r\nBaudRate=9600\r\nByteSize=8\r\nParity=0\r\n"
    "StopBits=0\r\nReadIntervalTimeout=200\r\nReadTotalTimeoutMultiplier=7\r\nReadTotalTimeoutConstant=124\r\n"
    "WriteTotalTimeoutMultiplier=0\r\nWriteTotalTimeoutConstant=0";

const std::string kSectionMissing =
    "Initialization Error|Der Eintrag [INCLINATION SENSOR COMPARAMETERS] im File fehlt!";
const std::string kReadError = "File Error|Fehler beim Lesen des Initialisierungsfiles.";
const std::string kWriteError = "File Error|Fehler beim Schreiben des Initialisierungsfiles.";

std::string entryMissing(const std::string& key) {
    return "Initialization Error|Der Eintrag " + key + "= unter [INCLINATION SENSOR COMPARAMETERS] im File fehlt!";
}

class ScanSettingsFile : public ::testing::Test {
protected:
    void SetUp() override { setCodecLanguage(CodecLanguage::German); }
    void TearDown() override { SettingsText::setGrowthLimit(0); }

    std::string iniPath() const { return dir.file("KV275Scan.ini"); }
    ScanSettings load() {
        ScanSettings settings;
        EXPECT_TRUE(LoadScanSettings(settings));
        return settings;
    }
    static void expectDefaults(const ScanSettings& s) {
        EXPECT_EQ(s.ISPort, 1);
        EXPECT_EQ(s.ISAddress, 1);
        EXPECT_EQ(s.comParameters, ComParameters{});
    }
    static std::vector<std::string> repeated(const std::string& box, size_t n) {
        return std::vector<std::string>(n, box);
    }

    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
};

TEST_F(ScanSettingsFile, FirstStartInAnEmptyDirectory) {
    ScanSettings settings = load();
    EXPECT_EQ(boxes.summary(), repeated(kSectionMissing, 11));
    for (const auto& call : boxes.calls) {
        EXPECT_EQ(call.icon, platform::MsgIcon::Error);
        EXPECT_EQ(call.owner, nullptr);
        EXPECT_EQ(call.buttons, platform::MsgButtons::Ok);
    }
    expectDefaults(settings);
    EXPECT_EQ(settings.startDirectory, platform::currentDirectory());
    ASSERT_TRUE(std::filesystem::exists(iniPath()));  // created empty
    EXPECT_EQ(readFile(iniPath()), "");

    boxes.calls.clear();
    EXPECT_TRUE(SaveScanSettings(settings));
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(readFile(iniPath()), kDefaultFile);

    // The next start is silent.
    load();
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(ScanSettingsFile, EveryValueRoundTripsByteForByte) {
    const std::string file =
        "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=3\r\nISAddress=78\r\nBaudRate=19200\r\nByteSize=7\r\n"
        "Parity=2\r\nStopBits=2\r\nReadIntervalTimeout=4294967295\r\nReadTotalTimeoutMultiplier=11\r\n"
        "ReadTotalTimeoutConstant=500\r\nWriteTotalTimeoutMultiplier=3\r\nWriteTotalTimeoutConstant=1000";
    writeFile(iniPath(), file);
    ScanSettings settings = load();
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(settings.ISPort, 3);
    EXPECT_EQ(settings.ISAddress, 78);
    EXPECT_EQ(settings.comParameters.BaudRate, 19200u);
    EXPECT_EQ(settings.comParameters.ByteSize, 7);
    EXPECT_EQ(settings.comParameters.Parity, 2);
    EXPECT_EQ(settings.comParameters.StopBits, 2);
    EXPECT_EQ(settings.comParameters.ReadIntervalTimeout, 4294967295u);
    EXPECT_EQ(settings.comParameters.ReadTotalTimeoutMultiplier, 11u);
    EXPECT_EQ(settings.comParameters.ReadTotalTimeoutConstant, 500u);
    EXPECT_EQ(settings.comParameters.WriteTotalTimeoutMultiplier, 3u);
    EXPECT_EQ(settings.comParameters.WriteTotalTimeoutConstant, 1000u);
    SaveScanSettings(settings);
    EXPECT_EQ(readFile(iniPath()), file);
}

TEST_F(ScanSettingsFile, OrderExtraLinesAndOtherSectionsDoNotMatter) {
    writeFile(iniPath(),
              "[OTHER]\r\nISPort=4\r\n\r\n"
              "[INCLINATION SENSOR COMPARAMETERS]\r\n; a note\r\nWriteTotalTimeoutConstant=0\r\n"
              "WriteTotalTimeoutMultiplier=0\r\nReadTotalTimeoutConstant=124\r\nReadTotalTimeoutMultiplier=7\r\n"
              "\r\nReadIntervalTimeout=200\r\nStopBits=0\r\nParity=0\r\nByteSize=8\r\nBaudRate=19200\r\n"
              "ISAddress=12\r\nISPort=2\r\nunknown=1\r\n\r\n[LATER]\r\nISAddress=40\r\n");
    ScanSettings settings = load();
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(settings.ISPort, 2);
    EXPECT_EQ(settings.ISAddress, 12);
    ComParameters expected;
    expected.BaudRate = 19200;
    EXPECT_EQ(settings.comParameters, expected);
    SaveScanSettings(settings);
    std::string written = kDefaultFile;
    written.replace(written.find("ISPort=1"), 8, "ISPort=2");
    written.replace(written.find("ISAddress=1"), 11, "ISAddress=12");
    written.replace(written.find("9600"), 4, "19200");
    EXPECT_EQ(readFile(iniPath()), written);
}

TEST_F(ScanSettingsFile, MissingEntriesTakeTheirDefaultsOneBoxEach) {
    writeFile(iniPath(), "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=4\r\nBaudRate=4800\r\nStopBits=1");
    ScanSettings settings = load();
    EXPECT_EQ(boxes.summary(), (std::vector<std::string>{
                                   entryMissing("ISAddress"), entryMissing("ByteSize"), entryMissing("Parity"),
                                   entryMissing("ReadIntervalTimeout"), entryMissing("ReadTotalTimeoutMultiplier"),
                                   entryMissing("ReadTotalTimeoutConstant"),
                                   entryMissing("WriteTotalTimeoutMultiplier"),
                                   entryMissing("WriteTotalTimeoutConstant")}));
    EXPECT_EQ(settings.ISPort, 4);
    EXPECT_EQ(settings.ISAddress, 1);
    EXPECT_EQ(settings.comParameters.BaudRate, 4800u);
    EXPECT_EQ(settings.comParameters.StopBits, 1);
    EXPECT_EQ(settings.comParameters.ByteSize, 8);
    EXPECT_EQ(settings.comParameters.ReadTotalTimeoutConstant, 124u);
}

TEST_F(ScanSettingsFile, EmptyAndBinaryFiles) {
    writeFile(iniPath(), "");
    expectDefaults(load());
    EXPECT_EQ(boxes.summary(), repeated(kSectionMissing, 11));

    // High bytes and no section at all.
    boxes.calls.clear();
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise.push_back(static_cast<char>(128 + (i * 37) % 128));
    writeFile(iniPath(), noise);
    expectDefaults(load());
    EXPECT_EQ(boxes.summary(), repeated(kSectionMissing, 11));

    // Everything after a zero byte is not part of the text.
    boxes.calls.clear();
    std::string file = "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=3\r\n\xff\xfe";
    file.push_back('\0');
    file += "BaudRate=19200\r\nByteSize=7";
    writeFile(iniPath(), file);
    ScanSettings settings = load();
    EXPECT_EQ(settings.ISPort, 3);
    EXPECT_EQ(settings.comParameters.BaudRate, 9600u);
    EXPECT_EQ(settings.comParameters.ByteSize, 8);
    EXPECT_EQ(boxes.calls.size(), 10u);
    EXPECT_EQ(boxes.summary()[0], entryMissing("ISAddress"));
}

// A file that grew past the limit (a log appended by mistake, say) used to be
// dropped whole, and the defaults then overwrote the user's values at exit.
TEST_F(ScanSettingsFile, FileOverOneMegabyteKeepsTheValuesAtItsStart) {
    std::string file = "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=3\r\nBaudRate=19200\r\n;";
    file.resize(1024 * 1024 + 1, 'x');
    writeFile(iniPath(), file);
    ScanSettings settings = load();
    EXPECT_EQ(settings.ISPort, 3);
    EXPECT_EQ(settings.comParameters.BaudRate, 19200u);
    ASSERT_EQ(boxes.calls.size(), 10u);  // the read box, then the nine entries the file lacks
    EXPECT_EQ(boxes.summary()[0], kReadError);
    EXPECT_EQ(std::filesystem::file_size(iniPath()), file.size());  // untouched until saved
    boxes.calls.clear();
    SaveScanSettings(settings);
    EXPECT_NE(readFile(iniPath()).find("ISPort=3\r\n"), std::string::npos);

    // One megabyte exactly is read whole, without the read box.
    boxes.calls.clear();
    file = "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=3\r\n;";
    file.resize(1024 * 1024, 'x');
    writeFile(iniPath(), file);
    EXPECT_EQ(load().ISPort, 3);
    EXPECT_EQ(boxes.calls.size(), 10u);
    EXPECT_NE(boxes.summary()[0], kReadError);
}

TEST_F(ScanSettingsFile, UnreadableFileGivesTheReadBox) {
    // A directory in the file's place can be opened but not read.
    std::filesystem::create_directory(iniPath());
    ScanSettings settings = load();
    expectDefaults(settings);
    ASSERT_EQ(boxes.calls.size(), 12u);
    EXPECT_EQ(boxes.summary()[0], kReadError);
    EXPECT_EQ(boxes.summary()[1], kSectionMissing);

    // It cannot be replaced either.
    boxes.calls.clear();
    SaveScanSettings(settings);
    EXPECT_EQ(boxes.summary(), std::vector<std::string>{kWriteError});
    EXPECT_TRUE(std::filesystem::is_directory(iniPath()));
}

TEST_F(ScanSettingsFile, OverlongValueIsCutNotOverrun) {
    // The reader keeps 254 characters: the blanks alone, so the 7 behind them is lost.
    writeFile(iniPath(), "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=" + std::string(300, ' ') +
                             "7\r\nBaudRate=19200" + std::string(5000, 'x') + "\r\nISAddress=9");
    ScanSettings settings = load();
    EXPECT_EQ(settings.ISPort, 0);
    EXPECT_EQ(settings.comParameters.BaudRate, 19200u);
    EXPECT_EQ(settings.ISAddress, 9);
    EXPECT_EQ(boxes.calls.size(), 8u);
}

TEST_F(ScanSettingsFile, LineEndsOtherThanCrLf) {
    // A bare CR does not end a value; atoi stops at it anyway.
    writeFile(iniPath(), "[INCLINATION SENSOR COMPARAMETERS]\rISPort=3\rBaudRate=19200\r");
    ScanSettings settings = load();
    EXPECT_EQ(settings.ISPort, 3);
    EXPECT_EQ(settings.comParameters.BaudRate, 19200u);
    EXPECT_EQ(boxes.calls.size(), 9u);

    // A file saved by an editor with LF line ends still reads.
    boxes.calls.clear();
    std::string unix = kDefaultFile;
    for (size_t at = unix.find("\r\n"); at != std::string::npos; at = unix.find("\r\n", at)) unix.erase(at, 1);
    unix.replace(unix.find("ISAddress=1"), 11, "ISAddress=33");
    writeFile(iniPath(), unix);
    settings = load();
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(settings.ISAddress, 33);
    EXPECT_EQ(settings.comParameters, ComParameters{});
}

TEST_F(ScanSettingsFile, DuplicateKeysFirstWins) {
    writeFile(iniPath(), kDefaultFile + "\r\nBaudRate=115200\r\nISPort=4");
    ScanSettings settings = load();
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(settings.comParameters.BaudRate, 9600u);
    EXPECT_EQ(settings.ISPort, 1);
}

TEST_F(ScanSettingsFile, PortNumbersKeepTheirLowEightBits) {
    struct Case {
        const char* text;
        int8_t port;
        const char* written;
    } cases[] = {
        {"7", 7, "ISPort=7\r\n"},
        {"-1", -1, "ISPort=65535\r\n"},
        {"65535", -1, "ISPort=65535\r\n"},
        {"300", 44, "ISPort=44\r\n"},
        {"128", -128, "ISPort=65408\r\n"},
    };
    for (const auto& c : cases) {
        std::string file = kDefaultFile;
        file.replace(file.find("ISPort=1"), 8, std::string("ISPort=") + c.text);
        writeFile(iniPath(), file);
        ScanSettings settings = load();
        EXPECT_EQ(settings.ISPort, c.port) << c.text;
        EXPECT_EQ(settings.currentPortMark(), nullptr) << c.text;  // never indexes the in-use table
        SaveScanSettings(settings);
        const std::string written = readFile(iniPath());
        EXPECT_NE(written.find(std::string("\r\n") + c.written), std::string::npos) << written;
        EXPECT_EQ(load().ISPort, c.port) << c.text;
    }
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(ScanSettingsFile, SaveGoesToTheStartDirectoryAndLeavesTheCurrentOneAlone) {
    ScanSettings settings = load();
    testsupport::TempDir elsewhere;  // now current
    settings.comParameters.BaudRate = 38400;
    SaveScanSettings(settings);
    EXPECT_EQ(platform::currentDirectory(), elsewhere.path());
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("KV275Scan.ini")));
    EXPECT_NE(readFile(iniPath()).find("\r\nBaudRate=38400\r\n"), std::string::npos);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "KV275Scan.ini");
}

TEST_F(ScanSettingsFile, SaveIntoAVanishedDirectoryShowsTheWriteBox) {
    ScanSettings settings;
    settings.startDirectory = dir.file("gone");
    SaveScanSettings(settings);
    EXPECT_EQ(boxes.summary(), std::vector<std::string>{kWriteError});
    EXPECT_EQ(boxes.calls[0].icon, platform::MsgIcon::Error);
}

TEST_F(ScanSettingsFile, FailedWriteKeepsTheOldFile) {
    const std::string old = "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=2";
    writeFile(iniPath(), old);
    ScanSettings settings = load();
    boxes.calls.clear();
    ASSERT_TRUE(testsupport::withFileSizeLimit(16, [&] { SaveScanSettings(settings); }));

    EXPECT_EQ(boxes.summary(), std::vector<std::string>{kWriteError});
    EXPECT_EQ(readFile(iniPath()), old);
    // No temporary file is left behind.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST_F(ScanSettingsFile, ReadOnlyDirectoryKeepsTheOldFile) {
    writeFile(iniPath(), kDefaultFile);
    ScanSettings settings = load();
    settings.ISPort = 3;
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    if (geteuid() == 0) {
        // Root writes into read-only directories: save as an unprivileged
        // user in a child, which reports whether it saw exactly the write box.
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            SaveScanSettings(settings);
            _exit(dropped && boxes.summary() == std::vector<std::string>{kWriteError} ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    } else {
        SaveScanSettings(settings);
        EXPECT_EQ(boxes.summary(), std::vector<std::string>{kWriteError});
    }
    chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readFile(iniPath()), kDefaultFile);
}

// The save replaced a read-only file by renaming over it.
TEST_F(ScanSettingsFile, ReadOnlyFileGetsTheWriteBoxAndStays) {
    writeFile(iniPath(), kDefaultFile);
    testsupport::giveToUnprivilegedUser(dir.path());
    testsupport::giveToUnprivilegedUser(iniPath());
    ASSERT_EQ(chmod(iniPath().c_str(), 0444), 0);
    ScanSettings settings = load();
    settings.ISPort = 3;
    boxes.calls.clear();
    EXPECT_TRUE(testsupport::asUnprivilegedUser([&] {
        SaveScanSettings(settings);
        return boxes.summary() == std::vector<std::string>{kWriteError};
    }));
    EXPECT_EQ(readFile(iniPath()), kDefaultFile);
}

TEST_F(ScanSettingsFile, MemoryBoxesSkipTheReadingOrTheWriting) {
    writeFile(iniPath(), kDefaultFile + "\r\n;" + std::string(2000, 'x'));
    SettingsText::setGrowthLimit(1000);
    ScanSettings settings;
    settings.ISPort = 4;
    LoadScanSettings(settings);
    EXPECT_EQ(boxes.summary(),
              std::vector<std::string>{"Memory Error|Nicht genügend Heap Speicher für das Initialisierungsfile."});
    expectDefaults(settings);

    boxes.calls.clear();
    SaveScanSettings(settings);
    EXPECT_EQ(boxes.summary(),
              std::vector<std::string>{"Error|Nicht genügend Heap Speicher für das Initialisierungsfile."});
    EXPECT_EQ(readFile(iniPath()).size(), kDefaultFile.size() + 2003);  // not replaced
}

}  // namespace
