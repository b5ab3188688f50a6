#pragma once
// The CSV file of readings that kv275 read --csv and KV275Monitor's
// recording write, by this one code: a header line, then one row per reading,
//   time,address,angle,answer_ms,bad_replies
//   2024-05-01T12:34:56.789Z,178,12.50,2,0
// with an empty angle when the sensor gave no valid answer. An existing file
// is appended to and keeps its one header.

#include "sensorlink/reading.h"

#include <string>
#include <vector>

namespace readinglog {

extern const char* const kCsvHeader;  // with its line end
// The header of logs written before the last column was named for what it
// counts; its rows mean the same, so such a log is appended to as it is.
extern const char* const kCsvEarlierHeader;

std::string CsvRow(const Reading& reading);

class CsvLog {
public:
    CsvLog() = default;
    ~CsvLog();
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;

    // Opens a regular file for appending, or creates it. Anything else (a
    // device, a terminal, a pipe, a serial port's link) is refused without
    // being opened, and so is a file whose first line is not the header:
    // rows must not land on a bus or in someone else's data. A new or empty
    // file gets the header, and a file whose last line was cut off gets its
    // line end first, so no row is glued to it. False with `error` set.
    bool Open(const std::string& path, std::string& error);
    // Appends the rows in one write, so a reader never sees half a sweep.
    bool Append(const std::vector<Reading>& readings, std::string& error);
    // Removes the file again when Open created it and no row went in: a run
    // that could not start leaves nothing behind.
    void Abandon();

private:
    bool checkHeader(std::string& error);
    bool writeAll(const std::string& text, std::string& error);

    int fd_ = -1;
    std::string path_;
    bool created_ = false;
    bool rowsWritten_ = false;
};

}  // namespace readinglog
