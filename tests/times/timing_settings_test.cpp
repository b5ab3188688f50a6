// The timing program's settings file "KV275Times.ini" and the C-style number
// conversions it reads with.

#include "platform/c_numbers.h"
#include "platform/files.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"
#include "times/timing_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
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
    "rows 0\r\ncolumns 0\r\nrowdiff 2\r\ncolumndiff 2\r\nISPort 2\r\nISAddressNumber 0\r\nAddressFormat 0\r\n";
const std::string kReadError = "File Error|Error on reading the initialization-file.";
const std::string kWriteError = "File Error|Error on writing to the initialization-file.";

// Entries 0..count-1 with the values given (index + 1 beyond them), as saved.
std::string entries(int count, std::vector<int> values = {}) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int v = i < static_cast<int>(values.size()) ? values[i] : i + 1;
        text += "ISAddress[" + std::to_string(i) + "] " + std::to_string(v) + ((i + 1) % 10 ? "\t" : "\r\n");
    }
    return text;
}

std::string header(const std::string& count, const std::string& rows = "0") {
    return "rows " + rows + "\r\ncolumns 0\r\nrowdiff 2\r\ncolumndiff 2\r\nISPort 2\r\nISAddressNumber " + count +
           "\r\nAddressFormat 0\r\n";
}

void expectSameRecord(const TimingSettings& actual, const TimingSettings& expected, const char* name) {
    EXPECT_EQ(actual.rows, expected.rows) << name;
    EXPECT_EQ(actual.columns, expected.columns) << name;
    EXPECT_EQ(actual.rowdiff, expected.rowdiff) << name;
    EXPECT_EQ(actual.columndiff, expected.columndiff) << name;
    EXPECT_EQ(actual.ISPort, expected.ISPort) << name;
    EXPECT_EQ(actual.ISAddress, expected.ISAddress) << name;
    EXPECT_EQ(actual.comParameters, expected.comParameters) << name;
    EXPECT_EQ(actual.addressCount, expected.addressCount) << name;
    EXPECT_EQ(actual.addressFormat, expected.addressFormat) << name;
    EXPECT_EQ(actual.addresses, expected.addresses) << name;
    EXPECT_EQ(actual.startDirectory, expected.startDirectory) << name;  // an overrun of the list would land here
}

class TimingSettingsFile : public ::testing::Test {
protected:
    std::string iniPath() const { return dir.file("KV275Times.ini"); }
    TimingSettings load() {
        TimingSettings settings;
        LoadTimingSettings(settings);
        return settings;
    }
    size_t filesInDir() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++n;
        return n;
    }

    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
};

TEST_F(TimingSettingsFile, FirstStartCreatesAnEmptyFileSilentlyAndKeepsThisProgramsDefaults) {
    const TimingSettings settings = load();
    EXPECT_TRUE(boxes.calls.empty());
    ASSERT_TRUE(std::filesystem::is_regular_file(iniPath()));
    EXPECT_EQ(readFile(iniPath()), "");
    EXPECT_EQ(settings.startDirectory, platform::currentDirectory());
    EXPECT_EQ(settings.ISPort, 2);
    EXPECT_EQ(settings.ISAddress, 0);
    EXPECT_EQ(settings.comParameters, (ComParameters{9600, 8, 0, 0, 200, 7, 124, 0, 0}));
    EXPECT_EQ(settings.timerId, 0);
    TimingSettings expected;
    expected.startDirectory = platform::currentDirectory();
    EXPECT_EQ(std::count(expected.addresses.begin(), expected.addresses.end(), -1), 78);
    expectSameRecord(settings, expected, "first start");

    SaveTimingSettings(settings);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(readFile(iniPath()), kDefaultFile);
}

TEST(TimingSettingsFormat, EntriesStandTenToALineAndNeverPastTheList) {
    const struct {
        int32_t count;
        std::string tail;  // what follows the seven fixed lines
    } cases[] = {
        {12, "ISAddress[0] 1\tISAddress[1] 2\tISAddress[2] 3\tISAddress[3] 4\tISAddress[4] 5\tISAddress[5] 6\t"
             "ISAddress[6] 7\tISAddress[7] 8\tISAddress[8] 9\tISAddress[9] 10\r\nISAddress[10] 11\tISAddress[11] 12\t"},
        {10, entries(10)},  // ends in CR LF
        {0, ""},
        {-4, ""},
        {78, entries(78)},
        {1000, entries(78)},  // a count past the list writes the list
    };
    for (const auto& c : cases) {
        TimingSettings settings;
        settings.addressCount = c.count;
        for (int i = 0; i < TimingSettings::kMaxAddresses; ++i) settings.addresses[i] = i + 1;
        const std::string text = FormatTimingSettings(settings);
        EXPECT_EQ(text, header(std::to_string(c.count)) + c.tail) << c.count;
    }
    EXPECT_TRUE(entries(10).ends_with("ISAddress[9] 10\r\n"));
}

TEST_F(TimingSettingsFile, SaveOfALoadedFileReproducesItByteForByte) {
    const std::string files[] = {
        "rows 3\r\ncolumns 4\r\nrowdiff -1\r\ncolumndiff 7\r\nISPort 4\r\nISAddressNumber 12\r\nAddressFormat 2\r\n" +
            entries(12, {5, 79, -1, -177, 0}),
        "rows 200\r\ncolumns 0\r\nrowdiff 2000000000\r\ncolumndiff 2\r\nISPort -56\r\nISAddressNumber 10\r\n"
        "AddressFormat 7\r\n" + entries(10),
        header("78") + entries(78),
    };
    for (const auto& file : files) {
        writeFile(iniPath(), file);
        SaveTimingSettings(load());
        EXPECT_EQ(readFile(iniPath()), file);
    }
    EXPECT_TRUE(boxes.calls.empty());
}

TEST(TimingSettingsParse, HandEditedFilesReadAsDecided) {
    using Expect = void (*)(TimingSettings&);
    const std::string longValue = std::string(253, '0') + "17" + std::string(45, 'x');  // 300 characters
    const struct {
        const char* name;
        std::string text;
        Expect expect;  // turns the defaults into the expected record
    } cases[] = {
        {"empty file keeps defaults", "", [](TimingSettings&) {}},
        {"LF-only lines have no value end", "rows 5\ncolumns 3\nrowdiff 4\nISPort 1\nAddressFormat 1\n",
         [](TimingSettings&) {}},
        {"LF-only values end at the first TAB, atol stops at the LF",
         "rows 5\ncolumns 3\nISAddressNumber 10\n" + entries(10).substr(0, entries(10).size() - 2) + "\n",
         [](TimingSettings& s) {
             s.rows = 5, s.columns = 3, s.addressCount = 10;
             for (int i = 0; i < 9; ++i) s.addresses[i] = i + 1;  // the tenth ends in LF alone
         }},
        {"value at the end without CR or TAB keeps the default", "rows 3\r\ncolumndiff 9",
         [](TimingSettings& s) { s.rows = 3; }},
        {"300-character value is cut to 254", "rows " + longValue + "\r\ncolumns 4\r\n",
         [](TimingSettings& s) { s.rows = 1, s.columns = 4; }},
        {"negative count reads none", header("-1") + entries(3), [](TimingSettings&) {}},
        {"count 79 stops at the list's end", header("79") + entries(79),
         [](TimingSettings& s) {
             s.addressCount = 78;
             for (int i = 0; i < 78; ++i) s.addresses[i] = i + 1;
         }},
        {"count 1000000 stops at the list's end", header("1000000") + entries(2),
         [](TimingSettings& s) { s.addressCount = 78, s.addresses[0] = 1, s.addresses[1] = 2; }},
        {"fewer entries than the count leave the rest at -1", header("5") + entries(3),
         [](TimingSettings& s) { s.addressCount = 5, s.addresses[0] = 1, s.addresses[1] = 2, s.addresses[2] = 3; }},
        {"odd entries are kept as read", header("3") + entries(3, {79, -1, -177}),
         [](TimingSettings& s) { s.addressCount = 3, s.addresses[0] = 79, s.addresses[1] = -1, s.addresses[2] = -177; }},
        {"entry key with colon, entry 1 does not match inside entry 10", "ISAddressNumber 2\r\nISAddress[10] 9\t"
         "ISAddress[1]: 4\t",
         [](TimingSettings& s) { s.addressCount = 2, s.addresses[1] = 4; }},
        {"address format, rows and columns are not limited",
         "rows 200\r\ncolumns 0\r\nrowdiff 2000000000\r\nAddressFormat 7\r\n",
         [](TimingSettings& s) { s.rows = 200, s.rowdiff = 2000000000, s.addressFormat = 7; }},
        {"port keeps its low 8 bits", "ISPort 258\r\n", [](TimingSettings& s) { s.ISPort = 2; }},
        {"port of 200 reads as signed", "ISPort 200\r\n", [](TimingSettings& s) { s.ISPort = -56; }},
        {"text that is no number reads 0, not the default", "ISPort abc\r\nrowdiff x1\r\n",
         [](TimingSettings& s) { s.ISPort = 0, s.rowdiff = 0; }},
        {"first occurrence counts", "rows 4\r\nrows 9\r\n", [](TimingSettings& s) { s.rows = 4; }},
    };
    for (const auto& c : cases) {
        TimingSettings actual;
        ParseTimingSettings(c.text.c_str(), actual);
        TimingSettings expected;
        c.expect(expected);
        expectSameRecord(actual, expected, c.name);
    }
}

TEST(TimingSettingsFindKeyValue, ValueIsCutAt254AndEndsInTwoZeroBytes) {
    const struct {
        std::string text;
        const char* key;
        std::string value;
    } cases[] = {
        {"a 1\r\nkey :: 12 3\tx", "key", "12 3"},
        {"xkeyy 5\r\n", "key", "y 5"},  // a plain substring, anywhere
        {"key 5", "key", ""},
        {"key 5\n", "key", ""},
        {"other 5\r\n", "key", ""},
        {"key \r\n", "key", ""},
        {"key " + std::string(300, '7') + "\r\n", "key", std::string(254, '7')},
        {"key " + std::string(254, '7') + "\t", "key", std::string(254, '7')},
    };
    for (const auto& c : cases) {
        char buffer[258];
        std::memset(buffer, '#', sizeof buffer);
        FindKeyValue(c.text.c_str(), c.key, buffer);
        EXPECT_EQ(std::string(buffer), c.value) << c.text.substr(0, 20);
        EXPECT_EQ(buffer[c.value.size() + 1], '\0') << c.text.substr(0, 20);
        EXPECT_EQ(std::string(buffer + 256, 2), "##") << c.text.substr(0, 20);  // nothing past 256 bytes
    }
}

TEST_F(TimingSettingsFile, DirectoryInTheFilesPlaceIsPassedOverInSilence) {
    // It cannot be opened as a file, so it counts as a file that cannot be
    // opened or created: defaults, no box, and it stays.
    std::filesystem::create_directory(iniPath());
    TimingSettings settings = load();
    TimingSettings expected;
    expected.startDirectory = platform::currentDirectory();
    expectSameRecord(settings, expected, "directory");
    settings.rows = 3;
    SaveTimingSettings(settings);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_TRUE(std::filesystem::is_directory(iniPath()));
}

TEST_F(TimingSettingsFile, FileOverOneMebibyteKeepsTheValuesAtItsFrontAndShowsTheReadBox) {
    std::string file = "rows 3\r\ncolumns 4\r\n;";
    file.resize(1024 * 1024 - 4, 'x');
    file += "\r\nrowdiff 9\r\n";  // straddles the limit: not read
    writeFile(iniPath(), file);
    TimingSettings settings = load();
    EXPECT_EQ(boxes.summary(), std::vector<std::string>{kReadError});
    EXPECT_EQ(settings.rows, 3);
    EXPECT_EQ(settings.columns, 4);
    EXPECT_EQ(settings.rowdiff, 2);
    EXPECT_EQ(readFile(iniPath()), file);  // untouched until saved

    boxes.calls.clear();
    file.resize(1024 * 1024);  // exactly the limit is read whole
    writeFile(iniPath(), file);
    EXPECT_EQ(load().rows, 3);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(TimingSettingsFile, SaveWhereTheFileMayNotBeWrittenIsSilentAndKeepsTheOldFile) {
    const struct {
        const char* name;
        mode_t dirMode;
        mode_t fileMode;
    } cases[] = {
        {"read-only directory", 0555, 0666},
        {"read-only file", 0777, 0444},
    };
    for (const auto& c : cases) {
        writeFile(iniPath(), kDefaultFile);
        TimingSettings settings = load();
        settings.rows = 5;
        ASSERT_EQ(chmod(iniPath().c_str(), c.fileMode), 0);
        ASSERT_EQ(chmod(dir.path().c_str(), c.dirMode), 0);
        testsupport::giveToUnprivilegedUser(dir.path());
        testsupport::giveToUnprivilegedUser(iniPath());
        EXPECT_TRUE(testsupport::asUnprivilegedUser([&] {
            SaveTimingSettings(settings);
            return boxes.calls.empty();
        })) << c.name << ": a box came";
        chmod(dir.path().c_str(), 0700);
        chmod(iniPath().c_str(), 0644);
        EXPECT_EQ(readFile(iniPath()), kDefaultFile) << c.name;
        EXPECT_EQ(filesInDir(), 1u) << c.name;  // no temporary left behind
    }
}

TEST_F(TimingSettingsFile, FailedWriteShowsTheWriteBoxAndKeepsTheOldFile) {
    writeFile(iniPath(), kDefaultFile);
    TimingSettings settings = load();
    settings.rows = 5;
    ASSERT_TRUE(testsupport::withFileSizeLimit(16, [&] { SaveTimingSettings(settings); }));

    EXPECT_EQ(boxes.summary(), std::vector<std::string>{kWriteError});
    EXPECT_EQ(boxes.calls.at(0).icon, platform::MsgIcon::Error);
    EXPECT_EQ(boxes.calls.at(0).owner, nullptr);
    EXPECT_EQ(readFile(iniPath()), kDefaultFile);
    EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(TimingSettingsFile, SymlinkedFileStaysALinkAndItsTargetGetsTheText) {
    std::filesystem::create_directory(dir.file("real"));
    writeFile(dir.file("real/target.ini"), kDefaultFile);
    std::filesystem::create_symlink("real/target.ini", iniPath());
    TimingSettings settings = load();
    settings.rows = 6;
    SaveTimingSettings(settings);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_TRUE(std::filesystem::is_symlink(iniPath()));
    EXPECT_EQ(readFile(dir.file("real/target.ini")), header("0", "6"));
}

TEST_F(TimingSettingsFile, LoadAndSaveUseTheStartDirectoryNotTheCurrentOne) {
    writeFile(iniPath(), "rows 4\r\n");
    TimingSettings settings = load();
    testsupport::TempDir elsewhere;  // now current
    settings.rows = 7;
    SaveTimingSettings(settings);
    EXPECT_EQ(platform::currentDirectory(), elsewhere.path());
    EXPECT_EQ(readFile(iniPath()), header("0", "7"));

    TimingSettings again;
    again.startDirectory = dir.path();
    LoadTimingSettings(again);
    EXPECT_EQ(again.rows, 7);
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("KV275Times.ini")));
    EXPECT_TRUE(boxes.calls.empty());
}

TEST(Int32Conversions, ReadAsTheCLibraryDoesButSaturate) {
    const struct {
        const char* text;
        int32_t decimal;
        int32_t hex;
    } cases[] = {
        {"", 0, 0},
        {"  12", 12, 0x12},
        {"\t\n\v\f\r 5", 5, 5},
        {"-3", -3, -3},
        {"+7", 7, 7},
        {"- 5", 0, 0},
        {"12abc", 12, 0x12abc},
        {"1 2", 1, 1},
        {"abc", 0, 0xabc},
        {"12345678901234567890", INT32_MAX, INT32_MAX},
        {"-99999999999999999999", INT32_MIN, INT32_MIN},
        {"2147483647", INT32_MAX, INT32_MAX},
        {"2147483648", INT32_MAX, INT32_MAX},
        {"-2147483648", INT32_MIN, INT32_MIN},
        {"-2147483649", INT32_MIN, INT32_MIN},
        {"0x1F", 0, 31},
        {"0X7fffffff", 0, INT32_MAX},
        {"-0x80000000", 0, INT32_MIN},
        {"0x80000000", 0, INT32_MAX},
        {"1F", 1, 31},
        {"b1", 0, 177},
        {"0x", 0, 0},
        {"0xg", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::atolInt32(c.text), c.decimal) << '"' << c.text << '"';
        EXPECT_EQ(platform::strtolHexInt32(c.text), c.hex) << '"' << c.text << '"';
        // The table itself agrees with the C library, clamped to 32 bits.
        EXPECT_EQ(std::clamp<long>(std::strtol(c.text, nullptr, 10), INT32_MIN, INT32_MAX), c.decimal) << c.text;
        EXPECT_EQ(std::clamp<long>(std::strtol(c.text, nullptr, 16), INT32_MIN, INT32_MAX), c.hex) << c.text;
    }
}

}  // namespace
