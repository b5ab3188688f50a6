// The angle display polling one moving sensor through its own timer for as
// long as asked. Its poll makes one attempt without a checksum test: faults
// only keep the last angle, and nothing may stop the polling or show a box.
#include "soak/soak_box_counter.h"
#include "soak/soak_run.h"
#include "soak/soak_tools.h"
#include "tiltview/tiltview_controller.h"
#include "tiltview/tiltview_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <string>

namespace soak {

bool soakTiltview(const RunOptions& run) {
    Bus bus({{180, kv275sim::AngleMotion::ramp(0.0, 359.0, 60.0)}}, run);
    BoxCounter boxes;
    CTiltviewDlg dialog(".");  // the bus's scratch directory, which is current
    dialog.show();
    dialog.portBox()->setCurrentIndex(0);  // COM1, where the simulator is
    dialog.addressBox()->setEditText("180");
    dialog.startButton()->click();

    Sampler sampler(bus, [&] { return bus.counters().angleQueries; });
    sampler.take();
    bool stopped = false;
    // Only changes are counted: a set of every text shown would itself grow
    // for as long as the run lasts and be taken for a leak.
    std::string lastShown;
    uint64_t changes = 0;
    bus.run([&] { dialog.controller().OnTimer(); },
            [&] {
                stopped = stopped || dialog.controller().timerId() == 0;
                std::string text = dialog.angleField()->text().toStdString();
                if (text != lastShown) {
                    ++changes;
                    lastShown = std::move(text);
                }
                sampler.takeIfDue();
            });
    sampler.take();
    dialog.stopButton()->click();

    const kv275sim::BusCounters sim = bus.counters();
    Report report{"Tiltview polling one moving sensor", run, {}, {}};
    report.add("polls", std::to_string(sim.angleQueries));
    report.add("faults injected by the simulator", std::to_string(sim.faults));
    report.add("changes of the angle shown", std::to_string(changes));
    report.add("NAKs the simulator received", std::to_string(sim.naks));
    if (stopped) report.problems.push_back("polling stopped by itself");
    if (sim.naks != 0) report.problems.push_back("the display sent NAKs");
    if (changes < 3) report.problems.push_back("the angle shown did not follow the sensor");
    if (const std::string other = boxes.unexpected({}); !other.empty())
        report.problems.push_back("unexpected boxes: " + other);
    return report.print(sampler);
}

}  // namespace soak
