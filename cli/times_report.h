#pragma once
// The figures of kv275 times per sensor, and the table and JSON they are
// shown in.

#include "sensorlink/reading.h"
#include "sensorlink/reading_statistics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kvcli {

struct SensorTally {
    int address = 0;
    uint64_t reads = 0;     // queries made
    uint64_t failures = 0;  // queries without a valid answer after their retries
    uint64_t badReplies = 0;  // as readinglog::Reading::badReplies, summed
    uint64_t answered = 0;
    readingstats::Counts answerMs;           // of the answered queries
    readingstats::RunningMeanSpread angles;  // of the answered queries

    void Add(const readinglog::Reading& reading);
};

// One row per sensor under a header; "-" where a sensor never answered:
//  addr  reads  failed  bad_replies  min_ms  median     p95     p99     max    angle  spread
//   178    120       0            0       2       2       3       3       4    12.50    0.00
std::string TimesText(const std::vector<SensorTally>& tallies);

// {"port":"COM1","seconds":5.0,"sensors":[{"address":178,"reads":120,
//  "failures":0,"bad_replies":0,"answer_ms":{"min":2,"median":2,"p95":3,"p99":3,
//  "max":4},"angle":{"mean":12.50,"spread":0.00}}]}; null for a sensor
// that never answered.
std::string TimesJson(const std::vector<SensorTally>& tallies, const std::string& port, double seconds);

}  // namespace kvcli
