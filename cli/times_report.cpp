#include "cli/times_report.h"

#include "cli/json_writer.h"

#include <cstdio>

namespace kvcli {

void SensorTally::Add(const readinglog::Reading& r) {
    ++reads;
    badReplies += static_cast<uint64_t>(r.badReplies);
    if (!r.angle) {
        ++failures;
        return;
    }
    ++answered;
    ++answerMs[r.answerMs];
    angles.Add(*r.angle);
}

std::string TimesText(const std::vector<SensorTally>& tallies) {
    std::string text = " addr  reads  failed  bad_replies  min_ms  median     p95     p99     max    angle  spread\n";
    for (const SensorTally& t : tallies) {
        char row[200];
        int n = std::snprintf(row, sizeof row, "%5d %6llu %7llu %12llu", t.address,
                              static_cast<unsigned long long>(t.reads), static_cast<unsigned long long>(t.failures),
                              static_cast<unsigned long long>(t.badReplies));
        const std::optional<readingstats::Distribution> d = readingstats::DescribeCounts(t.answerMs);
        const std::optional<readingstats::MeanSpread> a = t.angles.Result();
        if (d && a)
            std::snprintf(row + n, sizeof row - static_cast<size_t>(n), " %7.0f %7.0f %7.0f %7.0f %7.0f %8.2f %7.2f",
                          d->min, d->median, d->p95, d->p99, d->max, a->mean, a->spread);
        else
            std::snprintf(row + n, sizeof row - static_cast<size_t>(n), " %7s %7s %7s %7s %7s %8s %7s", "-", "-", "-",
                          "-", "-", "-", "-");
        text += row;
        text += "\n";
    }
    return text;
}

std::string TimesJson(const std::vector<SensorTally>& tallies, const std::string& port, double seconds) {
    JsonWriter json;
    json.beginObject();
    json.key("port").value(port);
    json.key("seconds").value(seconds, 3);
    json.key("sensors").beginArray();
    for (const SensorTally& t : tallies) {
        json.beginObject();
        json.key("address").value(int64_t{t.address});
        json.key("reads").value(static_cast<int64_t>(t.reads));
        json.key("failures").value(static_cast<int64_t>(t.failures));
        json.key("bad_replies").value(static_cast<int64_t>(t.badReplies));
        json.key("answer_ms");
        if (const std::optional<readingstats::Distribution> d = readingstats::DescribeCounts(t.answerMs)) {
            json.beginObject();
            json.key("min").value(d->min, 0);
            json.key("median").value(d->median, 0);
            json.key("p95").value(d->p95, 0);
            json.key("p99").value(d->p99, 0);
            json.key("max").value(d->max, 0);
            json.endObject();
        } else {
            json.null();
        }
        json.key("angle");
        if (const std::optional<readingstats::MeanSpread> a = t.angles.Result()) {
            json.beginObject();
            json.key("mean").value(a->mean, 2);
            json.key("spread").value(a->spread, 2);
            json.endObject();
        } else {
            json.null();
        }
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.str() + "\n";
}

}  // namespace kvcli
