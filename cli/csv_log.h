#pragma once
// The CSV file of kv275 read: a header line, then one row per reading,
//   time,address,angle,answer_ms,naks
//   2024-05-01T12:34:56.789Z,178,12.50,2,0
// with an empty angle when the sensor gave no valid answer. An existing file
// is appended to and keeps its one header.

#include "cli/reading.h"

#include <string>
#include <vector>

namespace kvcli {

extern const char* const kCsvHeader;  // with its line end

std::string CsvRow(const Reading& reading);

class CsvLog {
public:
    CsvLog() = default;
    ~CsvLog();
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;

    // Opens (or creates) the file for appending; a new or empty file gets
    // the header, and a file whose last line was cut off gets its line end
    // first, so no row is glued to it. False with `error` set when the file
    // cannot be opened or written.
    bool Open(const std::string& path, std::string& error);
    // Appends the rows in one write, so a reader never sees half a sweep.
    bool Append(const std::vector<Reading>& readings, std::string& error);

private:
    bool writeAll(const std::string& text, std::string& error);

    int fd_ = -1;
    std::string path_;
};

}  // namespace kvcli
