#include "cli/timestamp.h"

#include <cstdio>
#include <ctime>

namespace kvcli {

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

}  // namespace kvcli
