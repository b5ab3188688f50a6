// The figures and the text kv275 writes: percentiles, mean and spread, CSV
// rows and files, the times table and its JSON, exactly.

#include "cli/reading_queue.h"
#include "sensorlink/csv_log.h"
#include "sensorlink/csv_read.h"
#include "sensorlink/reading_statistics.h"
#include "cli/times_report.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <sstream>

namespace {

using readinglog::Reading;
using readinglog::WallTime;

// 2024-05-01T12:34:56.789Z
const WallTime kTime{std::chrono::milliseconds(1714566896789)};

std::vector<double> oneTo(int n) {
    std::vector<double> v(static_cast<size_t>(n));
    std::iota(v.begin(), v.end(), 1.0);
    return v;
}

TEST(CliStatistics, PercentilesAreNearestRanksEvenForOneAndTwoSamples) {
    struct Case {
        std::vector<double> samples;
        double min, median, p95, p99, max;
    };
    const std::vector<Case> cases = {
        {{7}, 7, 7, 7, 7, 7},
        {{20, 10}, 10, 10, 20, 20, 20},  // unsorted in, and no value between the two made up
        {{5, 1, 3}, 1, 3, 5, 5, 5},
        {oneTo(20), 1, 10, 19, 20, 20},  // 95 % of 20 is rank 19 exactly, not one above
        {oneTo(100), 1, 50, 95, 99, 100},
        {oneTo(1000), 1, 500, 950, 990, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.samples.size());
        const std::optional<readingstats::Distribution> d = readingstats::Describe(c.samples);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->min, c.min);
        EXPECT_EQ(d->median, c.median);
        EXPECT_EQ(d->p95, c.p95);
        EXPECT_EQ(d->p99, c.p99);
        EXPECT_EQ(d->max, c.max);
    }
    EXPECT_FALSE(readingstats::Describe({}));
    EXPECT_FALSE(readingstats::MeanAndSpread({}));
}

TEST(CliStatistics, SpreadIsTheStandardDeviationAndZeroForOneSample) {
    const std::vector<std::pair<std::vector<double>, std::pair<double, double>>> cases = {
        {{12.5}, {12.5, 0.0}},
        {{10, 20}, {15.0, 5.0}},
        {{2, 4, 4, 4, 5, 5, 7, 9}, {5.0, 2.0}},
    };
    for (const auto& [samples, expected] : cases) {
        const std::optional<readingstats::MeanSpread> m = readingstats::MeanAndSpread(samples);
        ASSERT_TRUE(m);
        EXPECT_DOUBLE_EQ(m->mean, expected.first);
        EXPECT_DOUBLE_EQ(m->spread, expected.second);
    }
}

TEST(CliOutput, CsvRowsAreExactWithAnEmptyAngleForNoAnswer) {
    const std::vector<std::pair<Reading, std::string>> cases = {
        {{kTime, 178, 12.5, 2, 0}, "2024-05-01T12:34:56.789Z,178,12.50,2,0\n"},
        {{kTime, 255, 0.0, 16, 1}, "2024-05-01T12:34:56.789Z,255,0.00,16,1\n"},
        {{kTime, 200, std::nullopt, 603, 3}, "2024-05-01T12:34:56.789Z,200,,603,3\n"},
        // Before 1970 the milliseconds still belong to their own second.
        {{WallTime{std::chrono::milliseconds(-1)}, 177, 999.99, 0, 0}, "1969-12-31T23:59:59.999Z,177,999.99,0,0\n"},
    };
    for (const auto& [reading, row] : cases) EXPECT_EQ(readinglog::CsvRow(reading), row);
}

TEST(CliOutput, CsvFileHasOneHeaderAndNoRowGluedToACutLine) {
    testsupport::TempDir dir;
    const std::vector<Reading> rows = {{kTime, 178, 1.0, 2, 0}};
    const std::string row = "2024-05-01T12:34:56.789Z,178,1.00,2,0\n";
    std::string error;
    for (int run = 0; run < 2; ++run) {  // the second run appends
        readinglog::CsvLog csv;
        ASSERT_TRUE(csv.Open(dir.file("new.csv"), error)) << error;
        ASSERT_TRUE(csv.Append(rows, error)) << error;
    }
    EXPECT_EQ(testsupport::readFile(dir.file("new.csv")), std::string(readinglog::kCsvHeader) + row + row);

    // A cut line, and a log from before the last column's new name, both keep on.
    for (const char* header : {readinglog::kCsvHeader, readinglog::kCsvEarlierHeader}) {
        testsupport::writeFile(dir.file("cut.csv"), std::string(header) + "2024-05-01T12:34");
        readinglog::CsvLog csv;
        ASSERT_TRUE(csv.Open(dir.file("cut.csv"), error)) << error;
        ASSERT_TRUE(csv.Append(rows, error)) << error;
        EXPECT_EQ(testsupport::readFile(dir.file("cut.csv")), std::string(header) + "2024-05-01T12:34\n" + row);
        std::istringstream replayed(header + row);
        int taken = 0;
        EXPECT_TRUE(readinglog::ReadCsv(replayed, [&](const Reading&) { ++taken; }, error)) << error;
        EXPECT_EQ(taken, 1);
    }
}

std::vector<kvcli::SensorTally> sampleTallies() {
    std::vector<kvcli::SensorTally> tallies(2);
    tallies[0].address = 178;
    tallies[1].address = 200;
    for (const Reading& r : std::vector<Reading>{{kTime, 178, 12.5, 2, 0},
                                                 {kTime, 178, std::nullopt, 603, 3},
                                                 {kTime, 178, 12.5, 3, 0},
                                                 {kTime, 178, 12.6, 4, 0}})
        tallies[0].Add(r);
    for (int i = 0; i < 4; ++i) tallies[1].Add({kTime, 200, std::nullopt, 603, 3});
    return tallies;
}

TEST(CliOutput, TimesTableCountsFailuresButTimesOnlyAnswers) {
    EXPECT_EQ(kvcli::TimesText(sampleTallies()),
              " addr  reads  failed  bad_replies  min_ms  median     p95     p99     max    angle  spread\n"
              "  178      4       1            3       2       3       4       4       4    12.53    0.05\n"
              "  200      4       4           12       -       -       -       -       -        -       -\n");
}

TEST(CliOutput, TimesJsonIsExactWithNullForASilentSensor) {
    EXPECT_EQ(kvcli::TimesJson(sampleTallies(), "COM1", 2.0),
              "{\"port\":\"COM1\",\"seconds\":2.000,\"sensors\":["
              "{\"address\":178,\"reads\":4,\"failures\":1,\"bad_replies\":3,"
              "\"answer_ms\":{\"min\":2,\"median\":3,\"p95\":4,\"p99\":4,\"max\":4},"
              "\"angle\":{\"mean\":12.53,\"spread\":0.05}},"
              "{\"address\":200,\"reads\":4,\"failures\":4,\"bad_replies\":12,\"answer_ms\":null,\"angle\":null}]}\n");
}

TEST(CliOutput, FullQueueDropsTheOldestAndCountsItAndReadingsPutBackKeepTheirPlace) {
    kvcli::ReadingQueue queue(3);
    for (int address = 178; address < 183; ++address) queue.Push({kTime, address, 1.0, 2, 0});
    std::deque<Reading> taken = queue.Take(2);
    queue.PutBack(taken);
    std::string order;
    for (const Reading& r : queue.Take(10)) order += std::to_string(r.address) + " ";
    EXPECT_EQ(order, "180 181 182 ");
    EXPECT_EQ(queue.dropped(), 2u);
}

}  // namespace
