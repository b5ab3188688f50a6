// The monitor's window driven as its user drives it, on the scripted line.
#include "monitor/monitor_dlg.h"

#include "monitor/monitor_plot.h"
#include "sensorlink/sensor_session.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"
#include "tests/support/temp_dir.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class MonitorDialogTest : public ::testing::Test {
protected:
    MonitorDialogTest() {
        line.install();
        bus.attach(line);
        bus.angles = {{178, 12.5}, {213, 174.75}};
        dialog.show();
    }

    testsupport::TempDir dir;
    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    testsupport::SensorBusResponder bus;
    monitor::MonitorSettings settings;
    SessionSettings sessionSettings;
    CSensorSession session{sessionSettings};
    CMonitorDlg dialog{settings, session};
};

TEST_F(MonitorDialogTest, TypedSensorsArePolledShownInTheTableAndExported) {
    QTest::keyClicks(dialog.addressEdit(), QStringLiteral("178 hD5"));
    QTest::keyClick(dialog.addressEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog.addressEdit()->text().isEmpty());
    EXPECT_EQ(settings.sensors, (std::vector<int>{178, 213}));

    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.tickTimerActive());
    EXPECT_EQ(dialog.startButton()->text(), QStringLiteral("Stop"));
    EXPECT_FALSE(dialog.addressEdit()->isEnabled());
    for (int i = 0; i < 4; ++i) dialog.controller().OnTimer();
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.tickTimerActive());
    dialog.redraw();

    QTableWidget* table = dialog.table();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("178 (hB2)"));
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("174.75"));
    EXPECT_EQ(dialog.plot()->graph(1)->data()->size(), 2);

    for (const char* name : {"plot.png", "plot.svg"}) {
        const QString path = QString::fromStdString(dir.file(name));
        dialog.chooseSaveFile = [&](const QString&, const QString&) { return path; };
        QTest::mouseClick(dialog.exportButton(), Qt::LeftButton);
        EXPECT_GT(QFileInfo(path).size(), 1000) << name;
    }
    EXPECT_TRUE(testsupport::readFile(dir.file("plot.svg")).find("<svg") != std::string::npos);
    EXPECT_TRUE(boxes.calls.empty());
}

}  // namespace
