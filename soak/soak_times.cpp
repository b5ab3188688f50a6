// The timing run over ten sensors for as long as asked: failed queries are
// counted silently, as the run does, and every fault must show up as a NAK.
#include "soak/soak_box_counter.h"
#include "soak/soak_run.h"
#include "soak/soak_tools.h"
#include "times/timing_controller.h"
#include "times/timing_dlg.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QLineEdit>
#include <QPushButton>

namespace soak {

bool soakTiming(const RunOptions& run) {
    std::vector<kv275sim::SensorConfig> sensors;
    for (int a = 178; a < 188; ++a)
        sensors.push_back({static_cast<uint8_t>(a), kv275sim::AngleMotion::sine(90.0, 20.0, 7.0 + a % 5)});
    Bus bus(sensors, run);
    BoxCounter boxes;
    TimingSettings settings;
    settings.ISPort = 1;
    settings.rows = 2;
    settings.columns = 5;
    settings.addressCount = 10;
    for (int i = 0; i < 10; ++i) settings.addresses[i] = i + 1;
    CTimingSession session(settings);
    CTimingDlg dialog(settings, session);
    dialog.show();
    dialog.startButton()->click();

    Sampler sampler(bus, [&] { return static_cast<uint64_t>(session.queryCount); });
    sampler.take();
    bool stopped = false;
    bus.run([&] { dialog.controller().OnTimer(); },
            [&] {
                stopped = stopped || !dialog.controller().running();
                sampler.takeIfDue();
            });
    sampler.take();
    const int32_t queries = session.queryCount;
    const int32_t naks = session.nakCount;
    const int32_t failed = session.failedQueryCount;
    const std::string statistics = dialog.statisticsField()->text().toStdString();
    if (dialog.controller().running()) dialog.startButton()->click();

    const kv275sim::BusCounters sim = bus.counters();
    Report report{"KV275Times running over ten sensors", run, {}, {}};
    report.add("queries", std::to_string(queries));
    report.add("faults injected by the simulator", std::to_string(sim.faults));
    report.add("bad replies (NAKs) counted by the run", std::to_string(naks));
    report.add("NAKs the simulator received", std::to_string(sim.naks));
    report.add("failed queries (three faults in a row)", std::to_string(failed));
    report.add("statistics line at the end", statistics);
    if (stopped) report.problems.push_back("the run stopped by itself");
    // The run opens its port without a device check.
    report.checkNakAccounting(static_cast<uint64_t>(naks), static_cast<uint64_t>(failed), 0, sim);
    if (const std::string other = boxes.unexpected({}); !other.empty())
        report.problems.push_back("unexpected boxes: " + other);
    return report.print(sampler);
}

}  // namespace soak
