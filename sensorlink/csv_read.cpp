#include "sensorlink/csv_read.h"

#include "sensorlink/csv_log.h"
#include "sensorlink/bus_address.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace readinglog {
namespace {

std::vector<std::string> fields(const std::string& row) {
    std::vector<std::string> out(1);
    for (char c : row) {
        if (c == ',') out.emplace_back();
        else out.back() += c;
    }
    return out;
}

template <typename T>
bool wholeNumber(const std::string& text, T& value) {
    if (text.empty()) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// "12.50" as the writer's "%.2f" gives it: digits, a point, two digits.
bool angleText(const std::string& text, double& value) {
    const size_t point = text.find('.');
    if (point == std::string::npos || point == 0 || text.size() - point != 3) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != point && (text[i] < '0' || text[i] > '9')) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && std::isfinite(value);
}

// Longer than any row or header kv275 writes: a file without line ends
// (a binary one, say) is refused there, not read whole into one line.
constexpr size_t kMaxLine = 200;

// One line without its end; false at the end of the input. A longer line is
// cut at kMaxLine + 1 characters, which no row can be.
bool readLine(std::istream& in, std::string& line) {
    line.clear();
    std::streambuf* buffer = in.rdbuf();
    bool any = false;
    for (int c = buffer->sbumpc(); c != std::char_traits<char>::eof(); c = buffer->sbumpc()) {
        any = true;
        if (c == '\n') return true;
        if (line.size() <= kMaxLine) line += static_cast<char>(c);
    }
    return any;
}

std::string quoted(const std::string& text) {
    // A binary file's line: enough to recognise it, nothing that upsets a box.
    std::string shown;
    for (char c : text.substr(0, 60)) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return "\"" + shown + (text.size() > 60 ? "...\"" : "\"");
}

}  // namespace

std::optional<Reading> ParseCsvRow(const std::string& row, std::string& why) {
    const std::vector<std::string> f = fields(row);
    if (f.size() != 5) {
        why = "not a reading of five fields: " + quoted(row);
        return std::nullopt;
    }
    Reading r;
    const std::optional<WallTime> time = ParseIsoTimestamp(f[0]);
    if (!time) {
        why = "the time " + quoted(f[0]) + " is not of the form 2024-05-01T12:34:56.789Z";
        return std::nullopt;
    }
    r.time = *time;
    if (!wholeNumber(f[1], r.address) || r.address < kBroadcastAddress || r.address > kLastAddress) {
        why = "the address " + quoted(f[1]) + " is not a bus address 177..255";
        return std::nullopt;
    }
    double angle = 0;
    if (!f[2].empty()) {
        if (!angleText(f[2], angle)) {
            why = "the angle " + quoted(f[2]) + " is not a number like 12.50";
            return std::nullopt;
        }
        r.angle = angle;
    }
    if (!wholeNumber(f[3], r.answerMs) || r.answerMs < 0 || !wholeNumber(f[4], r.badReplies) || r.badReplies < 0) {
        why = "the answer time and count " + quoted(f[3] + "," + f[4]) + " are not whole numbers";
        return std::nullopt;
    }
    return r;
}

bool ReadCsv(std::istream& in, const std::function<void(const Reading&)>& take, std::string& error) {
    std::string header = kCsvHeader;
    header.pop_back();  // its line end
    std::string earlier = kCsvEarlierHeader;
    earlier.pop_back();
    std::string line;
    long number = 0;
    while (readLine(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            if (line != header && line != earlier) {
                error = "line 1: " + quoted(line) + " is not the header " + header + " of kv275 read --csv";
                return false;
            }
            continue;
        }
        std::string why;
        const std::optional<Reading> r = ParseCsvRow(line, why);
        if (!r) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        take(*r);
    }
    if (number == 0) {
        error = "line 1: the file is empty, where kv275's header " + header + " belongs";
        return false;
    }
    return true;
}

}  // namespace readinglog
