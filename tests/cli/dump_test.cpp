// The dump of a sensor's variables: written for people, read back whole or
// refused with its line, compared by vars diff.

#include "cli/dump_file.h"
#include "tests/cli/cli_run.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

VariableTable sampleTable() {
    VariableTable t{};
    for (size_t k = 0; k < t.size(); ++k) t[k] = static_cast<int32_t>(k * 37 % 1000) - 300;
    t[0] = 275;
    t[24] = 3;
    t[26] = 100;
    t[63] = 178;
    t[100] = std::numeric_limits<int32_t>::min();
    t[101] = std::numeric_limits<int32_t>::max();
    return t;
}

const kvcli::DumpOrigin kOrigin{178, "COM1", "2024-05-01T12:34:56.789Z"};

TEST(CliDump, RoundTripKeepsEveryVariableAndTheWritableOnesAreExplained) {
    const std::string text = kvcli::FormatDump(sampleTable(), kOrigin);
    EXPECT_EQ(text.rfind("# kv275 vars dump of sensor 178 (hB2) on COM1 at 2024-05-01T12:34:56.789Z\n", 0), 0u);
    EXPECT_NE(text.find("\nV000=275\n"), std::string::npos);
    EXPECT_NE(text.find("\nV024=3        # filter type: 1 Bessel,"), std::string::npos);
    EXPECT_NE(text.find("\nV100=-2147483648\n"), std::string::npos);
    VariableTable back{};
    std::string error;
    ASSERT_TRUE(kvcli::ParseDump(text, back, error)) << error;
    EXPECT_EQ(back, sampleTable());

    // CR LF line ends, as an editor elsewhere may leave them, read the same.
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(kvcli::ParseDump(crlf, back, error)) << error;
    EXPECT_EQ(back, sampleTable());

    const std::string json = kvcli::FormatDumpJson(sampleTable(), kOrigin);
    EXPECT_EQ(json.rfind("{\"address\":178,\"port\":\"COM1\",\"time\":\"2024-05-01T12:34:56.789Z\","
                         "\"variables\":[275,",
                         0),
              0u);
    EXPECT_EQ(std::count(json.begin(), json.end(), ','), 3 + 255);
}

TEST(CliDump, BrokenDumpsAreRefusedWithTheirLine) {
    const std::string good = kvcli::FormatDump(sampleTable(), kOrigin);
    auto without = [&](const std::string& line) {
        std::string t = good;
        t.erase(t.find(line), line.size());
        return t;
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {good + "V024=4\n", "line 261: V024 again (first on line 29)"},
        {without("V200=100\n"), "V200 is missing: a dump holds all 256"},
        {without("V000=275\n") + "V001\n", "line 260: 'V001' is not an assignment"},
        {good + "V007=2147483648\n", "line 261: 'V007=2147483648': the value does not fit 32 bits"},
        {"{\"address\":178}\n", "line 1: this is the --json form"},
        {"# nothing but a comment\n\n", "no variables in it"},
    };
    for (const auto& [text, message] : cases) {
        VariableTable table = sampleTable();
        table[5] = 12345;
        const VariableTable before = table;
        std::string error;
        EXPECT_FALSE(kvcli::ParseDump(text, table, error)) << message;
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(table, before);  // nothing half-read
    }
}

TEST(CliDump, DiffListsEachChangedValueAndExitsLikeDiff) {
    testsupport::TempDir dir;
    VariableTable changed = sampleTable();
    changed[0] = 276;
    changed[26] = 50;
    EXPECT_EQ(kvcli::DiffDumps(sampleTable(), changed),
              (std::vector<std::string>{"V000: 275 -> 276", "V026: 100 -> 50"}));

    testsupport::writeFile(dir.file("a.dump"), kvcli::FormatDump(sampleTable(), kOrigin));
    testsupport::writeFile(dir.file("b.dump"), kvcli::FormatDump(changed, {178, "COM2", "another time"}));
    testsupport::writeFile(dir.file("bad.dump"), "V001=1\n");

    clitest::Run run = clitest::runCli({"vars", "diff", "a.dump", "b.dump"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "V000: 275 -> 276\nV026: 100 -> 50\n");
    EXPECT_EQ(run.err, "");

    run = clitest::runCli({"vars", "diff", "a.dump", "a.dump"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    run = clitest::runCli({"vars", "diff", "a.dump", "bad.dump"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "kv275 vars diff: bad.dump: V000 is missing (and 254 more): a dump holds all 256 variables\n");
}

}  // namespace
