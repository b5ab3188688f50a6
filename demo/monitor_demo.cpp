// KV275MonitorDemo SCREENSHOT.png [RECORDING.csv]
//
// Runs in a directory that holds KV275Monitor.ini and a COMn link to a sensor
// bus (the simulator). Builds the monitor as the program does, adds the
// sensors typed as a user would, shows them relative to their first
// readings, records to the CSV while it polls for a few
// seconds, prints each sensor's statistics, saves a screenshot of the window
// with its lines, legend and table, and ends through "Quit" so that
// KV275Monitor.ini is written as after a real session.
#include "demo/demo_common.h"
#include "monitor/monitor_app.h"
#include "monitor/monitor_dlg.h"
#include "monitor/statistics_table.h"
#include "platform/standard_descriptors.h"
#include "sensorlink/sensor_session.h"
#include "sensorlink/session_settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kSeconds = 8;

}  // namespace

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    QApplication framework(argc, argv);
    if (!demo::prepare(argc < 3 ? argc : 2, "KV275MonitorDemo", "KV275Monitor.ini")) return 2;

    SessionSettings sessionSettings;
    CSensorSession session(sessionSettings);
    CMonitorApp app(session);
    std::unique_ptr<CMonitorDlg> dialog = app.createMainDialog();
    dialog->resize(1280, 820);
    dialog->show();

    const std::string csv = argc > 2 ? argv[2] : "";
    dialog->chooseSaveFile = [&](const QString&, const QString&) { return QString::fromLocal8Bit(csv.c_str()); };
    if (app.settings().sensors.empty()) {
        QTest::keyClicks(dialog->addressEdit(), QStringLiteral("178 180 0xC8 hD5"));
        QTest::keyClick(dialog->addressEdit(), Qt::Key_Return);
    }
    std::printf("port COM%d, sensors:", app.settings().port);
    for (int a : app.settings().sensors) std::printf(" %d", a);
    std::printf("\n");
    // Each line from its first reading: sensors at 12 and 170 degrees share
    // one axis on which their movements show.
    QTest::mouseClick(dialog->relativeBox(), Qt::LeftButton, {}, QPoint(5, dialog->relativeBox()->height() / 2));
    if (!csv.empty()) dialog->recordButton()->click();
    dialog->startButton()->click();
    if (!dialog->tickTimerActive()) {
        std::fprintf(stderr, "polling did not start\n");
        dialog->quitButton()->click();
        return 1;
    }
    demo::runFor(kSeconds * 1000);
    dialog->redraw();
    CMonitorController& controller = dialog->controller();
    std::printf("after %d s: %llu readings\n", kSeconds,
                static_cast<unsigned long long>(controller.store().readingCount()));
    const std::vector<std::string> headers = monitor::StatisticsHeaders();
    for (int a : controller.sensors()) {
        const std::vector<std::string> row = monitor::StatisticsRow(a, controller.store().statistics(a));
        std::printf("  %s: last %s, mean %s, std dev %s, peak-peak %s, answer median %s ms\n", row[0].c_str(),
                    row[1].c_str(), row[2].c_str(), row[3].c_str(), row[6].c_str(), row[7].c_str());
    }
    const bool saved = dialog->grab().save(QString::fromLocal8Bit(argv[1]));
    if (saved) std::printf("screenshot: %s\n", argv[1]);
    else std::fprintf(stderr, "could not save the screenshot to %s\n", argv[1]);
    dialog->startButton()->click();
    if (!csv.empty()) {
        dialog->recordButton()->click();
        std::printf("recorded: %s\n", csv.c_str());
    }
    const bool polled = controller.store().readingCount() > 0;
    dialog->quitButton()->click();
    dialog.reset();
    app.ExitInstance();
    return saved && polled ? 0 : 1;
}
