// The setup tool reading and writing one sensor over and over, through its
// buttons, for as long as asked. Every write sets all five fields first, so
// that a read spoilt in a way no check can see (a rejected character inside
// a field, with the checksum fitting) never decides what is written.
#include "sensorlink/sensor_session.h"
#include "setup/setup_controller.h"
#include "setup/setup_dlg.h"
#include "setup/setup_settings.h"
#include "soak/soak_box_counter.h"
#include "soak/soak_run.h"
#include "soak/soak_tools.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace soak {
namespace {

void type(CSetupDlg& dialog, QComboBox* box, const std::string& text) {
    box->lineEdit()->setText(QString::fromStdString(text));
    dialog.controller().OnKillFocusValue();
}

}  // namespace

bool soakSetup(const RunOptions& run) {
    Bus bus({{178, kv275sim::AngleMotion::fixed(12.5)}}, run);
    BoxCounter boxes;
    SetupSettings settings;
    settings.ISPort = 1;
    settings.ShowAddressQuestion = 0;
    CSensorSession session(settings, SessionForm::Setup);
    CSetupDlg dialog(settings, session);
    dialog.show();

    uint64_t clicks = 0, reads = 0, readsFailed = 0, writes = 0, writesFailed = 0, wrongAfterWrite = 0;
    Sampler sampler(bus, [&] { return clicks; });
    sampler.take();
    // The setup tool has no timer: each round is a user's read and write
    // click, on the bus's clock however the bus is reached.
    const double start = bus.elapsedSeconds();
    for (int round = 0; bus.elapsedSeconds() - start < run.seconds; ++round) {
        type(dialog, dialog.currentAddressBox(), "178");
        dialog.readButton()->click();
        ++clicks;
        ++reads;
        if (dialog.readButton()->text().endsWith("(error)")) ++readsFailed;

        const int filter = round % 4, order = round % 3, cutoff = round % 2 ? 10 : 50, delay = 100 + round % 5;
        dialog.filterList()->setCurrentIndex(filter);
        dialog.orderList()->setCurrentIndex(order);
        type(dialog, dialog.cutoffBox(), std::to_string(cutoff));
        type(dialog, dialog.newAddressBox(), "178");
        type(dialog, dialog.delayBox(), std::to_string(delay));
        dialog.writeButton()->click();
        ++clicks;
        ++writes;
        if (dialog.writeButton()->text().endsWith("(error)")) {
            ++writesFailed;
        } else {
            const kv275sim::VariableTable v = bus.variables(178);
            const std::array<int32_t, 5> want{filter + 1, order, cutoff, 178, delay};
            const std::array<int32_t, 5> got{v[24], v[25], v[26], v[63], v[64]};
            if (want != got) ++wrongAfterWrite;
        }
        QApplication::processEvents();
        sampler.takeIfDue();
    }
    sampler.take();

    const kv275sim::BusCounters sim = bus.counters();
    const std::string noData = "COM Error|GetKV275degrees:no data received.";
    const std::string device =
        "Device/COM Error|The device does not work as expected.\nPlease check the device and the connection.";
    const std::string readFailed = "COM Error|ReadVariables:the variables could not be transmitted.";
    const std::string writeFailed = "COM Error|WriteVariable:the variable could not be transmitted.";
    Report report{"KV275Setup reading and writing one sensor", run, {}, {}};
    report.add("read clicks, failed", std::to_string(reads) + ", " + std::to_string(readsFailed));
    report.add("write clicks, failed", std::to_string(writes) + ", " + std::to_string(writesFailed));
    report.add("faults injected by the simulator", std::to_string(sim.faults));
    report.add("device checks refused", std::to_string(boxes.count(device)));
    report.add("variable reads refused", std::to_string(boxes.count(readFailed)));
    report.add("writes given up after three tries", std::to_string(boxes.count(writeFailed)));
    report.add("writes acknowledged by the simulator", std::to_string(sim.writesAccepted));
    const uint64_t failures = static_cast<uint64_t>(boxes.count(device) + boxes.count(readFailed)) +
                              3u * static_cast<uint64_t>(boxes.count(writeFailed));
    if (failures > sim.faults) report.problems.push_back("more failures than the faults explain");
    if (boxes.count(noData) != boxes.count(device)) report.problems.push_back("a refused check without its two boxes");
    if (readsFailed + writesFailed != static_cast<uint64_t>(boxes.count(device) + boxes.count(readFailed) +
                                                             boxes.count(writeFailed)))
        report.problems.push_back("an error caption without its box, or a box without one");
    if (wrongAfterWrite) report.problems.push_back(std::to_string(wrongAfterWrite) + " writes left other values");
    if (const std::string other = boxes.unexpected({noData, device, readFailed, writeFailed}); !other.empty())
        report.problems.push_back("unexpected boxes: " + other);
    return report.print(sampler);
}

}  // namespace soak
