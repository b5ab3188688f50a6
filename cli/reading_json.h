#pragma once
// One reading as the JSON message kv275 read publishes:
//   {"time":"2026-12-09T10:00:00.123Z","address":178,"angle":12.50,"answer_ms":2,"bad":0}
// with "angle":null when the sensor gave no valid answer. The angle has the
// two decimals the sensor sends, so that every value reads as a decimal
// number and a collector never takes the field for a whole number.

#include "sensorlink/reading.h"

#include <string>

namespace kvcli {

std::string ReadingJson(const readinglog::Reading& reading);

}  // namespace kvcli
