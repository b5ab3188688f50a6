// The scanner reading ten sensors for as long as asked. A query that fails
// three times in a row ends reading with its box, as the scanner does; the
// run then presses "Start reading" again, as a user would.
#include "scan/grid_cell.h"
#include "scan/scan_controller.h"
#include "scan/scan_dlg.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"
#include "soak/soak_box_counter.h"
#include "soak/soak_run.h"
#include "soak/soak_tools.h"

#include <QPushButton>

namespace soak {

bool soakScanner(double seconds, bool judgeMemory) {
    std::vector<kv275sim::SensorConfig> sensors;
    for (int a = 178; a < 188; ++a) sensors.push_back({static_cast<uint8_t>(a), kv275sim::AngleMotion::fixed(a - 170.5)});
    Bus bus(sensors);
    BoxCounter boxes;
    ScanSettings settings;
    CSensorSession session(settings);
    session.messageLanguage = 2;
    CScanDlg dialog(settings, session);
    dialog.show();
    for (int cell = 0; cell < 10; ++cell) {
        const QRect r = dialog.addressLabel(cell)->geometry();
        dialog.controller().OnLButtonDown(r.center().x(), r.center().y());
    }
    dialog.readButton()->click();

    Sampler sampler([&] { return static_cast<uint64_t>(session.queryCount); });
    sampler.take();
    int restarts = 0;
    runEventLoop(seconds, 100, [&] {
        if (dialog.controller().mode() == CScanController::Idle) {
            ++restarts;
            dialog.readButton()->click();
        }
        sampler.takeIfDue();
    });
    sampler.take();
    if (dialog.controller().mode() == CScanController::Reading) dialog.readButton()->click();

    const kv275sim::BusCounters sim = bus.counters();
    const std::string noData = "COM Error|GetKV275degrees: no data received";
    Report report{"KV275Scan reading ten sensors", {}, {}};
    report.add("queries", std::to_string(session.queryCount));
    report.add("faults injected by the simulator", std::to_string(sim.faults));
    report.add("bad replies (NAKs) counted by the scanner", std::to_string(session.nakCount));
    report.add("NAKs the simulator received", std::to_string(sim.naks));
    report.add("failed queries (three faults in a row)", std::to_string(session.failedQueryCount));
    report.add("restarts after a failed query", std::to_string(restarts));
    report.checkNakAccounting(static_cast<uint64_t>(session.nakCount), static_cast<uint64_t>(session.failedQueryCount),
                              sim);
    if (boxes.count(noData) != session.failedQueryCount)
        report.problems.push_back("not one box per failed query");
    if (const std::string other = boxes.unexpected({noData}); !other.empty())
        report.problems.push_back("unexpected boxes: " + other);
    return report.print(sampler, judgeMemory);
}

}  // namespace soak
