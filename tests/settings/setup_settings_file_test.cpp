// The setup program's settings file "KV275Setup.ini", read and written in a scratch directory.

#include "platform/files.h"
#include "sensorlink/settings_codec.h"
#include "setup/setup_settings.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using testsupport::readFile;
using testsupport::writeFile;

// The fourteen lines of a first save, 295 bytes.
const std::string kDefaultFile =
    "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=1\r\nBaudRate=9600\r\nByteSize=8\r\nParity=0\r\nStopBits=0\r\n"
    "ReadIntervalTimeout=400\r\nReadTotalTimeoutMultiplier=7\r\nReadTotalTimeoutConstant=124\r\n"
    "WriteTotalTimeoutMultiplier=0\r\nWriteTotalTimeoutConstant=5000\r\n\r\n"
    "[USER INTERFACE PARAMETERS]\r\nShowAddressQuestion=1";

const std::string kComMissing =
    "Initialization Error|The entry [INCLINATION SENSOR COMPARAMETERS] is missing in the file!";
const std::string kUiMissing = "Initialization Error|The entry [USER INTERFACE PARAMETERS] is missing in the file!";
const std::string kReadError = "File Error|Error while reading from the initialisationfile.";
const std::string kWriteError = "File Error|Error while writing to the initialisationfile.";

std::string entryMissing(const std::string& key, const std::string& section) {
    return "Initialization Error|The entry " + key + "= under " + section + " is missing in the file!";
}

// The default file with the line of `key` holding `value` instead.
std::string withEntry(const std::string& key, const std::string& value, std::string file = kDefaultFile) {
    const size_t at = file.find("\n" + key + "=") + 1;
    file.replace(at, file.find('\r', at) - at, key + "=" + value);
    return file;
}

std::vector<std::string> firstStartBoxes() {
    std::vector<std::string> boxes(10, kComMissing);
    boxes.push_back(kUiMissing);
    return boxes;
}

class SetupSettingsFile : public ::testing::Test {
protected:
    // The scanner's German is left set on purpose: the load must switch the codec itself.
    void SetUp() override { setCodecLanguage(CodecLanguage::German); }
    void TearDown() override { SettingsText::setGrowthLimit(0); }

    std::string iniPath() const { return dir.file("KV275Setup.ini"); }
    // Starts from a record that differs from the defaults everywhere, so a
    // default taken from the old record instead of the setup's shows.
    SetupSettings load() {
        SetupSettings settings;
        settings.ISPort = 4;
        settings.ISAddress = 5;
        settings.comParameters = ComParameters{1, 5, 2, 2, 1, 1, 1, 1, 1};
        settings.ShowAddressQuestion = 0;
        EXPECT_TRUE(LoadSetupSettings(settings));
        EXPECT_EQ(settings.ISAddress, 0);
        return settings;
    }
    size_t filesInDir() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++n;
        return n;
    }

    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
};

TEST_F(SetupSettingsFile, FirstStartCreatesTheFileAndSavesTheFourteenDefaultLines) {
    SetupSettings settings = load();
    EXPECT_EQ(boxes.summary(), firstStartBoxes());
    for (const auto& call : boxes.calls) {
        EXPECT_EQ(call.icon, platform::MsgIcon::Error);
        EXPECT_EQ(call.owner, nullptr);
    }
    ASSERT_TRUE(std::filesystem::exists(iniPath()));
    EXPECT_EQ(readFile(iniPath()), "");
    EXPECT_EQ(settings.ISPort, 1);
    EXPECT_EQ(settings.ShowAddressQuestion, 1);
    EXPECT_EQ(settings.comParameters, (ComParameters{9600, 8, 0, 0, 400, 7, 124, 0, 5000}));
    EXPECT_EQ(settings.startDirectory, platform::currentDirectory());

    boxes.calls.clear();
    EXPECT_TRUE(SaveSetupSettings(settings));
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(readFile(iniPath()), kDefaultFile);

    load();
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(SetupSettingsFile, SaveOfLoadReproducesTheFileInTheStartDirectory) {
    const std::string file =
        "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=3\r\nBaudRate=4294967295\r\nByteSize=65480\r\nParity=2\r\n"
        "StopBits=1\r\nReadIntervalTimeout=1\r\nReadTotalTimeoutMultiplier=2\r\nReadTotalTimeoutConstant=3\r\n"
        "WriteTotalTimeoutMultiplier=4\r\nWriteTotalTimeoutConstant=5\r\n\r\n"
        "[USER INTERFACE PARAMETERS]\r\nShowAddressQuestion=0";
    writeFile(iniPath(), file);
    SetupSettings settings = load();
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(settings.comParameters, (ComParameters{4294967295u, 200, 2, 1, 1, 2, 3, 4, 5}));

    testsupport::TempDir elsewhere;  // now current
    SaveSetupSettings(settings);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(readFile(iniPath()), file);
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("KV275Setup.ini")));
    EXPECT_EQ(platform::currentDirectory(), elsewhere.path());
}

// Each file is loaded, then saved: the saved file names every stored value,
// since each value has exactly one written form.
TEST_F(SetupSettingsFile, OddFilesLoadAsTheyShould) {
    const std::string com = "[INCLINATION SENSOR COMPARAMETERS]";
    const std::string ui = "[USER INTERFACE PARAMETERS]";
    std::string overLimit = withEntry("ISPort", "3") + "\r\n;";
    overLimit.resize(1024 * 1024 + 1, 'x');
    const std::vector<std::string> tenComMissing(10, kComMissing);
    std::string wrongSections = kDefaultFile;
    wrongSections.replace(wrongSections.find("BaudRate=9600"), 13, "ShowAddressQuestion=0");
    wrongSections.replace(wrongSections.find("ShowAddressQuestion=1"), 21, "BaudRate=19200");

    struct Case {
        const char* fault;
        std::string file;
        std::vector<std::string> boxes;
        std::string saved;
    } cases[] = {
        {"empty file not read as defaults", "", firstStartBoxes(), kDefaultFile},
        {"lone user-interface section loses its switch", ui + "\r\nShowAddressQuestion=0", tenComMissing,
         withEntry("ShowAddressQuestion", "0")},
        {"key found in the wrong section",
         wrongSections,
         {entryMissing("BaudRate", com), entryMissing("ShowAddressQuestion", ui)},
         kDefaultFile},
        {"duplicate key: a later line wins",
         kDefaultFile.substr(0, kDefaultFile.find("\r\n\r\n")) + "\r\nBaudRate=19200\r\nISPort=4" +
             kDefaultFile.substr(kDefaultFile.find("\r\n\r\n")),
         {},
         kDefaultFile},
        {"letters not read as 0",
         withEntry("BaudRate", "abc", withEntry("ISPort", "x")),
         {},
         withEntry("BaudRate", "0", withEntry("ISPort", "0"))},
        {"fraction not dropped", withEntry("BaudRate", "9600.9"), {}, kDefaultFile},
        {"exponent not read", withEntry("ReadIntervalTimeout", "1e3"), {}, withEntry("ReadIntervalTimeout", "1000")},
        {"byte above 255 not cut to its low bits", withEntry("ByteSize", "258"), {}, withEntry("ByteSize", "2")},
        {"widened byte not read back", withEntry("Parity", "65480"), {}, withEntry("Parity", "65480")},
        {"port 0 refused", withEntry("ISPort", "0"), {}, withEntry("ISPort", "0")},
        {"port 7 refused", withEntry("ISPort", "7"), {}, withEntry("ISPort", "7")},
        {"odd baud rate refused", withEntry("BaudRate", "12345"), {}, withEntry("BaudRate", "12345")},
        {"file over 1 MiB dropped instead of read from its start", overLimit, {kReadError}, withEntry("ISPort", "3")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        writeFile(iniPath(), c.file);
        boxes.calls.clear();
        SetupSettings settings = load();
        EXPECT_EQ(boxes.summary(), c.boxes);
        SaveSetupSettings(settings);
        EXPECT_EQ(readFile(iniPath()), c.saved);
    }
}

TEST_F(SetupSettingsFile, UnreadableFileLoadsLikeAnEmptyOneAfterTheReadBox) {
    std::filesystem::create_directory(iniPath());  // opens, but does not read
    SetupSettings settings = load();
    std::vector<std::string> expected = firstStartBoxes();
    expected.insert(expected.begin(), kReadError);
    EXPECT_EQ(boxes.summary(), expected);
    EXPECT_EQ(settings.comParameters.WriteTotalTimeoutConstant, 5000u);

    boxes.calls.clear();
    SaveSetupSettings(settings);
    EXPECT_EQ(boxes.summary(), std::vector<std::string>{kWriteError});
    EXPECT_TRUE(std::filesystem::is_directory(iniPath()));
}

// Every failed save shows the write box and leaves the old file, and no
// temporary file, behind.
TEST_F(SetupSettingsFile, FailedSaveKeepsTheOldFile) {
    struct Case {
        const char* fault;
        std::function<void()> before;
        uint64_t sizeLimit;  // 0: none
    } cases[] = {
        {"read-only file replaced", [&] { chmod(iniPath().c_str(), 0444); }, 0},
        {"file in a read-only directory replaced", [&] { chmod(dir.path().c_str(), 0555); }, 0},
        {"write that stopped part-way kept", [] {}, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        writeFile(iniPath(), kDefaultFile);
        testsupport::giveToUnprivilegedUser(dir.path());
        testsupport::giveToUnprivilegedUser(iniPath());
        SetupSettings settings = load();
        settings.ISPort = 3;
        boxes.calls.clear();
        c.before();
        const auto save = [&] {
            SaveSetupSettings(settings);
            return boxes.summary() == std::vector<std::string>{kWriteError};
        };
        bool sawWriteBox = false;
        if (c.sizeLimit)
            ASSERT_TRUE(testsupport::withFileSizeLimit(c.sizeLimit,
                                                       [&] { sawWriteBox = testsupport::asUnprivilegedUser(save); }));
        else
            sawWriteBox = testsupport::asUnprivilegedUser(save);
        chmod(dir.path().c_str(), 0755);
        chmod(iniPath().c_str(), 0644);
        EXPECT_TRUE(sawWriteBox);
        EXPECT_EQ(readFile(iniPath()), kDefaultFile);
        EXPECT_EQ(filesInDir(), 1u);
    }
}

TEST_F(SetupSettingsFile, MemoryBoxesKeepTheDefaultsAndTheOldFile) {
    const std::string old = withEntry("ISPort", "3") + "\r\n;" + std::string(2000, 'x');
    writeFile(iniPath(), old);
    SettingsText::setGrowthLimit(1000);
    SetupSettings settings = load();
    EXPECT_EQ(boxes.summary(),
              std::vector<std::string>{"Memory Error|Not enough heap memory for the initialisationfile."});
    EXPECT_EQ(settings.ISPort, 1);
    EXPECT_EQ(settings.ShowAddressQuestion, 1);
    EXPECT_EQ(settings.comParameters.ReadIntervalTimeout, 400u);

    boxes.calls.clear();
    SaveSetupSettings(settings);
    EXPECT_EQ(boxes.summary(),
              std::vector<std::string>{"DORVE Error|Not enough heap memory for the initialisationfile."});
    EXPECT_EQ(readFile(iniPath()), old);
}

}  // namespace
