// The timing dialog on the simulated bus: real pseudo-terminals, real time.

#include "sim/simulator.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"
#include "times/timing_dlg.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

class TimingOnSimulatorTest : public ::testing::Test {
protected:
    TimingOnSimulatorTest() {
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.sensors = {{179, kv275sim::AngleMotion::fixed(12.5)}, {181, kv275sim::AngleMotion::fixed(203.25)}};
        options.answerDelayMs = 1;
        sim = std::make_unique<kv275sim::Simulator>(options);
        sim->start();
        settings.ISPort = 1;
        settings.rows = 1;
        settings.columns = 3;
        settings.addressCount = 2;
        settings.addresses[0] = 2;
        settings.addresses[1] = 4;
        dialog = std::make_unique<CTimingDlg>(settings, session);
        dialog->show();
    }
    ~TimingOnSimulatorTest() override {
        dialog.reset();
        session.CloseSession();
        sim->stop();
    }
    QString value(int cell) { return dialog->valueField(cell)->text(); }

    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
    TimingSettings settings;
    CTimingSession session{settings};
    std::unique_ptr<kv275sim::Simulator> sim;
    std::unique_ptr<CTimingDlg> dialog;
};

TEST_F(TimingOnSimulatorTest, RunShowsAnswerTimesAndAnglesThenMeansAtTheStop) {
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog->controller().running()) << ::testing::PrintToString(boxes.summary());
    // An 11-byte reply at 9600 baud takes about 11 ms; most of it passes in
    // the 15 ms wait before the read, so the time shown is small.
    const QRegularExpression running(QString::fromUtf8("^0\\d\\d/(012|203)°$"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return session.queryCount >= 6; }, 5000));
    EXPECT_TRUE(running.match(value(0)).hasMatch()) << value(0).toStdString();
    EXPECT_TRUE(running.match(value(1)).hasMatch()) << value(1).toStdString();
    EXPECT_TRUE(value(1).endsWith(QString::fromUtf8("203°")));
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->controller().running());
    EXPECT_TRUE(QRegularExpression("^0\\d\\d/0$").match(value(0)).hasMatch()) << value(0).toStdString();
    EXPECT_TRUE(dialog->statisticsField()->text().startsWith("Err:0 Read:"));
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
}

// Unplugged in the middle of a run or a scan: one box naming the failed
// operation, the dialog idle, the port free; the next start, with the
// adapter's link leading nowhere, reports the open failure cleanly.
TEST_F(TimingOnSimulatorTest, AdapterGoneDuringARunOrAScanEndsItWithOneBox) {
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog->controller().running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.queryCount >= 2; }, 5000));
    // The scan blocks the dialog for its whole length: pull the plug from
    // another thread once it is under way.
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sim->killPort("COM1");
    });
    const auto begin = std::chrono::steady_clock::now();
    QTest::mouseClick(dialog->scanButton(), Qt::LeftButton);
    const auto took = std::chrono::steady_clock::now() - begin;
    unplug.join();
    EXPECT_LT(took, std::chrono::seconds(10)) << "the scan ran on after the adapter was gone";
    ASSERT_EQ(boxes.calls.size(), 1u) << ::testing::PrintToString(boxes.summary());
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_TRUE(boxes.calls[0].text.rfind("CCom.", 0) == 0) << boxes.calls[0].text;
    EXPECT_NE(boxes.calls[0].text.find("Input/output error"), std::string::npos) << boxes.calls[0].text;
    EXPECT_FALSE(dialog->controller().running());
    EXPECT_EQ(dialog->startButton()->text(), "Start");
    EXPECT_EQ(dialog->scanButton()->text(), "<-Scan");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(dialog->tickTimerActive());

    ASSERT_EQ(symlink("/dev/kv275-unplugged-adapter", "COM1"), 0);
    boxes.calls.clear();
    QTest::keyClicks(dialog->addressField(0), "2");  // the scan had emptied the grid
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    EXPECT_EQ(boxes.summary(), (std::vector<std::string>{"Error|CCom.Open:No such file or directory",
                                                         "COM Error|COM Schnittstelle konnte nicht geöffnet werden."}));
    EXPECT_FALSE(dialog->controller().running());
    EXPECT_FALSE(settings.portInUse[0]);
}

}  // namespace
