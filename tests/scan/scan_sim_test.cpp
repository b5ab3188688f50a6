// The scanner dialog on the simulated bus: real pseudo-terminals, real time.
#include "scan/grid_cell.h"
#include "scan/scan_dlg.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"
#include "sim/simulator.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"

#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Mode = CScanController::Mode;

class ScanOnSimulatorTest : public ::testing::Test {
protected:
    ScanOnSimulatorTest() {
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.sensors = {{179, kv275sim::AngleMotion::fixed(12.5)}, {181, kv275sim::AngleMotion::fixed(3.25)}};
        options.answerDelayMs = 1;
        sim = std::make_unique<kv275sim::Simulator>(options);
        sim->start();
        session.messageLanguage = 2;
        // Short read time-outs: a silent address then costs tens of
        // milliseconds instead of two fifths of a second.
        settings.comParameters.ReadIntervalTimeout = 20;
        settings.comParameters.ReadTotalTimeoutMultiplier = 0;
        settings.comParameters.ReadTotalTimeoutConstant = 40;
        dialog = std::make_unique<CScanDlg>(settings, session);
        dialog->show();
    }
    ~ScanOnSimulatorTest() override {
        dialog.reset();
        session.CloseSession();
        sim->stop();
    }

    void clickLabel(int cell) {
        QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {}, scanlayout::labelPixels(cell).center());
    }
    QString valueText(int cell) { return dialog->valueBox(cell)->text(); }

    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
    ScanSettings settings;
    CSensorSession session{settings};
    std::unique_ptr<kv275sim::Simulator> sim;
    std::unique_ptr<CScanDlg> dialog;
};

TEST_F(ScanOnSimulatorTest, ReadingFollowsTheSensorsAngles) {
    clickLabel(1);
    clickLabel(3);
    QTest::mouseClick(dialog->readButton(), Qt::LeftButton);
    ASSERT_EQ(dialog->controller().mode(), Mode::Reading) << ::testing::PrintToString(boxes.summary());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !valueText(3).isEmpty(); }, 5000));
    EXPECT_EQ(valueText(1), QString::fromUtf8(" 012.50°"));
    EXPECT_EQ(valueText(3), QString::fromUtf8(" 003.25°"));

    sim->setAngle(181, 100.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return valueText(3) == QString::fromUtf8(" 100.00°"); }, 5000));
    QTest::mouseClick(dialog->readButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->controller().mode(), Mode::Idle);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
}

TEST_F(ScanOnSimulatorTest, ScanMarksTheAnsweringAddressesAndAnUnpluggedPortEndsReading) {
    QTest::mouseClick(dialog->scanButton(), Qt::LeftButton);
    ASSERT_EQ(dialog->controller().mode(), Mode::Scanning);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->controller().scanPosition() >= 5; }, 5000));
    QTest::mouseClick(dialog->scanButton(), Qt::LeftButton);
    ASSERT_EQ(dialog->controller().mode(), Mode::Idle);
    EXPECT_EQ(dialog->scanButton()->text(), "Scan");
    for (int cell = 0; cell < 5; ++cell)
        EXPECT_EQ(dialog->controller().isSelected(cell), cell == 1 || cell == 3) << cell;
    EXPECT_EQ(valueText(1), QString::fromUtf8(" 012.50°"));
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());

    QTest::mouseClick(dialog->readButton(), Qt::LeftButton);
    ASSERT_EQ(dialog->controller().mode(), Mode::Reading);
    ASSERT_TRUE(sim->killPort("COM1"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->controller().mode() == Mode::Idle; }, 5000));
    ASSERT_FALSE(boxes.calls.empty());
    EXPECT_EQ(boxes.summary()[0], "COM Error|GetKV275degrees: no data received");
    EXPECT_EQ(boxes.calls.size(), 1u) << ::testing::PrintToString(boxes.summary());
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(dialog->tickTimerActive());

    // The port's link now leads nowhere, as when a USB adapter behind it is
    // gone: a second start reports the open failure and the dialog stays idle.
    ASSERT_EQ(symlink("/dev/kv275-unplugged-adapter", "COM1"), 0);
    boxes.calls.clear();
    QTest::mouseClick(dialog->readButton(), Qt::LeftButton);
    EXPECT_EQ(boxes.summary(), (std::vector<std::string>{"Error|CCom.Open:No such file or directory",
                                                         "COM Error|COM Schnittstelle konnte nicht geöffnet werden."}));
    EXPECT_EQ(dialog->controller().mode(), Mode::Idle);
    EXPECT_EQ(dialog->readButton()->text(), "Start reading");
    EXPECT_FALSE(settings.portInUse[0]);
}

}  // namespace
