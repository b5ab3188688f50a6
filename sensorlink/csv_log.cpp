#include "sensorlink/csv_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace readinglog {
namespace {

std::string notRegular(const std::string& path) {
    return path + " is not a regular file: a CSV log is a file of its own";
}

}  // namespace

const char* const kCsvHeader = "time,address,angle,answer_ms,bad_replies\n";
const char* const kCsvEarlierHeader = "time,address,angle,answer_ms,naks\n";

std::string CsvRow(const Reading& r) {
    char angle[32] = "";
    if (r.angle) std::snprintf(angle, sizeof angle, "%.2f", *r.angle);
    char row[160];
    std::snprintf(row, sizeof row, "%s,%d,%s,%ld,%ld\n", IsoTimestamp(r.time).c_str(), r.address, angle,
                  static_cast<long>(r.answerMs), static_cast<long>(r.badReplies));
    return row;
}

CsvLog::~CsvLog() {
    if (fd_ >= 0) ::close(fd_);
}

bool CsvLog::Open(const std::string& path, std::string& error) {
    path_ = path;
    struct stat st {};
    // Looked at before it is opened: opening a serial device alone moves
    // its modem lines.
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error = notRegular(path);
            return false;
        }
        fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } else if (errno == ENOENT) {
        fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        created_ = fd_ >= 0;
    }
    if (fd_ < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    // The name may have come to stand for something else since it was looked at.
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = notRegular(path);
        return false;
    }
    if (st.st_size == 0) return writeAll(kCsvHeader, error);
    if (!checkHeader(error)) return false;
    char last = '\n';
    if (pread(fd_, &last, 1, st.st_size - 1) != 1) last = '\n';
    return last == '\n' || writeAll("\n", error);
}

bool CsvLog::checkHeader(std::string& error) {
    char head[64] = "";
    const ssize_t n = pread(fd_, head, sizeof head - 1, 0);
    const std::string first(head, n > 0 ? static_cast<size_t>(n) : 0);
    const std::string line = first.substr(0, first.find('\n') + 1);
    const std::string header(kCsvHeader);
    for (const std::string& known : {header, std::string(kCsvEarlierHeader)}) {
        // A header cut off before its line end is still the header.
        if (line == known || (line == first && first + "\n" == known)) return true;
    }
    error = path_ + " does not begin with kv275's header line " + header.substr(0, header.size() - 1) +
            ": not appending to it";
    return false;
}

bool CsvLog::Append(const std::vector<Reading>& readings, std::string& error) {
    std::string text;
    for (const Reading& r : readings) text += CsvRow(r);
    rowsWritten_ = rowsWritten_ || !text.empty();
    return writeAll(text, error);
}

void CsvLog::Abandon() {
    if (!created_ || rowsWritten_) return;
    ::unlink(path_.c_str());
    created_ = false;
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

}  // namespace readinglog
