// The monitor's readings: statistics on known samples, decimation that keeps
// the extremes, gaps where a sensor was silent, and the settings file.
#include "monitor/monitor_settings.h"
#include "monitor/plot_envelope.h"
#include "monitor/reading_store.h"
#include "monitor/sensor_history.h"
#include "monitor/window_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace monitor;

namespace {

constexpr float kSilent = std::numeric_limits<float>::quiet_NaN();

Sample at(double t, float angle, uint16_t ms = 2, uint8_t bad = 0) { return {t, angle, ms, bad, false}; }

bool hasValue(const Envelope& e, double v) {
    return std::any_of(e.angles.begin(), e.angles.end(), [v](double a) { return std::abs(a - v) < 1e-4; });
}

}  // namespace

TEST(MonitorStatistics, KnownSamplesGiveTheirFiguresAndFailuresCountApart) {
    SensorHistory h;
    // Angles 10, 12, 14, 16 (mean 13, population spread sqrt(5)); answer
    // times 1, 2, 3, 40 ms (nearest rank: median 2, p95 40); one silent query
    // with three bad replies, one answered after a bad one.
    h.add(at(100.0, 10.0f, 1));
    h.add(at(101.0, 12.0f, 2, 1));
    h.add(at(102.0, kSilent, 600, 3));
    h.add(at(103.0, 14.0f, 3));
    h.add(at(104.0, 16.0f, 40));
    for (const WindowStatistics& w : {StatisticsBetween(h, 99.0, 104.0), StatisticsOfAll(h.totals())}) {
        EXPECT_EQ(w.answered, 4u);
        EXPECT_EQ(w.failedQueries, 1u);
        EXPECT_EQ(w.badReplies, 4u);
        EXPECT_DOUBLE_EQ(*w.last, 16.0);
        EXPECT_DOUBLE_EQ(*w.mean, 13.0);
        EXPECT_NEAR(*w.spread, std::sqrt(5.0), 1e-9);
        EXPECT_DOUBLE_EQ(*w.min, 10.0);
        EXPECT_DOUBLE_EQ(*w.max, 16.0);
        EXPECT_DOUBLE_EQ(*w.peakToPeak(), 6.0);
        EXPECT_DOUBLE_EQ(*w.answerMedianMs, 2.0);
        EXPECT_DOUBLE_EQ(*w.answerP95Ms, 40.0);
    }
    // A window over the silent query alone: no angle is made up for it.
    const WindowStatistics silent = StatisticsBetween(h, 101.5, 102.5);
    EXPECT_EQ(silent.failedQueries, 1u);
    EXPECT_FALSE(silent.mean || silent.last || silent.answerMedianMs);
}

TEST(MonitorStatistics, PausedViewKeepsItsWindowWhileReadingsGoOn) {
    ReadingStore store;
    store.setWindow(10);
    for (int i = 0; i <= 20; ++i) store.add(178, at(1000.0 + i, float(i)));
    store.setPaused(true);
    for (int i = 21; i <= 40; ++i) store.add(178, at(1000.0 + i, 99.0f));
    EXPECT_DOUBLE_EQ(store.span()->to, 1020.0);
    EXPECT_DOUBLE_EQ(*store.statistics(178).max, 20.0);
    store.setWindow(0);
    EXPECT_DOUBLE_EQ(*store.statistics(178).max, 20.0);  // "everything" up to the pause
    store.setPaused(false);
    EXPECT_DOUBLE_EQ(*store.statistics(178).max, 99.0);
}

TEST(MonitorDecimation, OldSpikesSurviveFoldingAndMergingWhileMemoryStaysBounded) {
    SensorHistory h;
    // Two readings a second for ten hours, flat at 50, with one spike up and
    // one down early on: long folded into buckets, and those merged again.
    const double start = 1.7e9;
    const int n = 2 * 36000;
    for (int i = 0; i < n; ++i) {
        float angle = 50.0f;
        if (i == 1001) angle = 97.5f;
        if (i == 1003) angle = 3.25f;
        h.add(at(start + i * 0.5, angle));
    }
    EXPECT_LE(h.buckets().size(), SensorHistory::kMaxBuckets);
    EXPECT_GT(h.bucketSeconds(), SensorHistory::kFirstBucketSeconds);
    EXPECT_LE(h.raw().size(), size_t(2 * SensorHistory::kRawSpanSeconds) + 1);
    // Seen whole at 1600 columns, and zoomed in on the spike's minute.
    for (auto [from, to] : {std::pair{start, start + n * 0.5}, std::pair{start + 480.0, start + 540.0}}) {
        const Envelope e = EnvelopeOf(h, from, to, 1600);
        EXPECT_TRUE(hasValue(e, 97.5)) << from;
        EXPECT_TRUE(hasValue(e, 3.25)) << from;
        EXPECT_TRUE(std::is_sorted(e.times.begin(), e.times.end()));
    }
    EXPECT_EQ(h.totals().answered, uint64_t(n));
}

TEST(MonitorGaps, SilentReadingsAndNewRunsBreakTheLineAndNeverGetAValue) {
    SensorHistory h;
    h.add(at(10.0, 5.0f));
    h.add(at(11.0, 6.0f));
    h.add(at(12.0, kSilent));
    h.add(at(13.0, kSilent));
    h.add(at(14.0, 7.0f));
    Sample restart = at(30.0, 8.0f);
    restart.startsSegment = true;
    h.add(restart);
    const Envelope e = EnvelopeOf(h, 10.0, 30.0, 200);
    std::vector<double> shown;
    int breaks = 0;
    for (size_t i = 0; i < e.angles.size(); ++i) {
        if (std::isnan(e.angles[i])) ++breaks;
        else shown.push_back(e.angles[i]);
    }
    EXPECT_EQ(shown, (std::vector<double>{5.0, 6.0, 7.0, 8.0}));
    EXPECT_EQ(breaks, 2);
    // The break stands between 6 and 7, and again before 8.
    EXPECT_TRUE(std::isnan(e.angles[2]));
    EXPECT_TRUE(std::isnan(e.angles[4]));
}

TEST(MonitorSettingsFile, RoundTripAndNonsenseKeepsDefaults) {
    MonitorSettings s;
    s.port = 3;
    s.sensors = {200, 178};
    s.windowSeconds = 600;
    s.relative = true;
    EXPECT_EQ(FormatMonitorSettings(s),
              "[KV275 MONITOR]\r\nPort=3\r\nSensors=200,178\r\nWindow=600\r\nRelative=1\r\n");
    const MonitorSettings back = ParseMonitorSettings(FormatMonitorSettings(s));
    EXPECT_EQ(back.port, 3);
    EXPECT_EQ(back.sensors, s.sensors);
    EXPECT_EQ(back.windowSeconds, 600);
    EXPECT_TRUE(back.relative);

    const MonitorSettings odd =
        ParseMonitorSettings("Port=9\nSensors=177, 0xB4,hb4,300,abc,255\nWindow=61\nRelative=yes\n");
    EXPECT_EQ(odd.port, 1);
    EXPECT_EQ(odd.sensors, (std::vector<int>{180, 255}));
    EXPECT_EQ(odd.windowSeconds, 60);
    EXPECT_FALSE(odd.relative);
}
