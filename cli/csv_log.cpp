#include "cli/csv_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvcli {

const char* const kCsvHeader = "time,address,angle,answer_ms,naks\n";

std::string CsvRow(const Reading& r) {
    char angle[32] = "";
    if (r.angle) std::snprintf(angle, sizeof angle, "%.2f", *r.angle);
    char row[160];
    std::snprintf(row, sizeof row, "%s,%d,%s,%ld,%ld\n", IsoTimestamp(r.time).c_str(), r.address, angle,
                  static_cast<long>(r.answerMs), static_cast<long>(r.naks));
    return row;
}

CsvLog::~CsvLog() {
    if (fd_ >= 0) ::close(fd_);
}

bool CsvLog::Open(const std::string& path, std::string& error) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    // A pipe or a file that may be written but not read.
    if (fd_ < 0 && errno == EACCES) fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    // A pipe or a terminal starts a new stream: it gets the header.
    if (!S_ISREG(st.st_mode) || st.st_size == 0) return writeAll(kCsvHeader, error);
    // Unreadable: taken as ending its last line.
    char last = '\n';
    if (pread(fd_, &last, 1, st.st_size - 1) != 1) last = '\n';
    return last == '\n' || writeAll("\n", error);
}

bool CsvLog::Append(const std::vector<Reading>& readings, std::string& error) {
    std::string text;
    for (const Reading& r : readings) text += CsvRow(r);
    return writeAll(text, error);
}

bool CsvLog::writeAll(const std::string& text, std::string& error) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write " + path_ + ": " + std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace kvcli
