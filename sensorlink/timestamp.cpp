#include "sensorlink/timestamp.h"

#include <cstdio>
#include <ctime>

namespace readinglog {

std::string IsoTimestamp(WallTime time) {
    using namespace std::chrono;
    // Whole milliseconds, rounded down also before 1970, so that the second
    // and its fraction always belong together.
    const auto ms = floor<milliseconds>(time.time_since_epoch()).count();
    const long long fraction = ((ms % 1000) + 1000) % 1000;
    const std::time_t seconds = static_cast<std::time_t>((ms - fraction) / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03lldZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, fraction);
    return text;
}

std::optional<WallTime> ParseIsoTimestamp(const std::string& text) {
    int y, mo, d, h, mi, s, ms;
    char z = 0;
    if (text.size() != 24 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c", &y, &mo, &d, &h, &mi, &s, &ms, &z) != 8 || z != 'Z')
        return std::nullopt;
    std::tm utc{};
    utc.tm_year = y - 1900;
    utc.tm_mon = mo - 1;
    utc.tm_mday = d;
    utc.tm_hour = h;
    utc.tm_min = mi;
    utc.tm_sec = s;
    const std::time_t seconds = timegm(&utc);
    const WallTime time = std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(ms);
    // Written back, it must be the same text: no 31 February, no 25 o'clock.
    if (IsoTimestamp(time) != text) return std::nullopt;
    return time;
}

}  // namespace readinglog
