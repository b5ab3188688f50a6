// The scanner reading ten sensors for as long as asked. A query that fails
// three times in a row ends reading with its box, as the scanner does; the
// run then presses "Start reading" again, as a user would. That start checks
// the device with one query, so a single fault there refuses it with a box
// of its own, and the run presses again.
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

bool soakScanner(const RunOptions& run) {
    std::vector<kv275sim::SensorConfig> sensors;
    for (int a = 178; a < 188; ++a) sensors.push_back({static_cast<uint8_t>(a), kv275sim::AngleMotion::fixed(a - 170.5)});
    Bus bus(sensors, run);
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

    Sampler sampler(bus, [&] { return static_cast<uint64_t>(session.queryCount); });
    sampler.take();
    int restarts = 0;
    bus.run([&] { dialog.controller().OnTimer(); },
            [&] {
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
    const std::string checkFailed =
        "Device/COM Error|Das Gerät funktioniert nicht wie erwartet.\nÜberprüfen Sie bitte das Gerät und die "
        "Verbindung.";
    const int failedChecks = boxes.count(checkFailed);
    Report report{"KV275Scan reading ten sensors", run, {}, {}};
    report.add("queries", std::to_string(session.queryCount));
    report.add("faults injected by the simulator", std::to_string(sim.faults));
    report.add("bad replies (NAKs) counted by the scanner", std::to_string(session.nakCount));
    report.add("NAKs the simulator received", std::to_string(sim.naks));
    report.add("failed queries (three faults in a row)", std::to_string(session.failedQueryCount - failedChecks));
    report.add("device checks refused (one fault)", std::to_string(failedChecks));
    report.add("presses of \"Start reading\" again", std::to_string(restarts));
    report.checkNakAccounting(static_cast<uint64_t>(session.nakCount), static_cast<uint64_t>(session.failedQueryCount),
                              static_cast<uint64_t>(failedChecks), sim);
    if (boxes.count(noData) != session.failedQueryCount)
        report.problems.push_back("not one box per failed query");
    if (failedChecks > restarts) report.problems.push_back("more refused device checks than starts");
    if (const std::string other = boxes.unexpected({noData, checkFailed}); !other.empty())
        report.problems.push_back("unexpected boxes: " + other);
    return report.print(sampler);
}

}  // namespace soak
