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

#include <memory>
#include <optional>

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
    // The answer time in three digits (how small it is is for bench_times to
    // judge: a busy machine may take longer), then the angle.
    const QRegularExpression running(QString::fromUtf8("^\\d{3}/(012|203)°$"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return session.queryCount >= 6; }, 5000));
    EXPECT_TRUE(running.match(value(0)).hasMatch()) << value(0).toStdString();
    EXPECT_TRUE(running.match(value(1)).hasMatch()) << value(1).toStdString();
    EXPECT_TRUE(value(1).endsWith(QString::fromUtf8("203°")));
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog->controller().running());
    EXPECT_TRUE(QRegularExpression("^\\d{3}/0$").match(value(0)).hasMatch()) << value(0).toStdString();
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
    // The scan blocks the dialog for its whole length: the adapter goes at
    // the scan's third question, before it is answered.
    const uint64_t asked = sim->bus().counters().angleQueries;
    sim->bus().setUnplugRule([asked](const kv275sim::Request&, const kv275sim::BusCounters& c) {
        return c.angleQueries >= asked + 3 ? std::optional<size_t>(0) : std::nullopt;
    });
    const int32_t queriesBefore = session.queryCount;
    QTest::mouseClick(dialog->scanButton(), Qt::LeftButton);
    EXPECT_LT(session.queryCount - queriesBefore, 10) << "the scan ran on after the adapter was gone";
    ASSERT_EQ(boxes.calls.size(), 1u) << ::testing::PrintToString(boxes.summary());
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_TRUE(boxes.calls[0].text.rfind("CCom.", 0) == 0) << boxes.calls[0].text;
    EXPECT_NE(boxes.calls[0].text.find("Input/output error"), std::string::npos) << boxes.calls[0].text;
    EXPECT_FALSE(dialog->controller().running());
    EXPECT_EQ(dialog->startButton()->text(), "Start");
    EXPECT_EQ(dialog->scanButton()->text(), "<-Scan");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(dialog->tickTimerActive());

    boxes.calls.clear();  // COM1 is left leading nowhere, as by a pulled adapter
    QTest::keyClicks(dialog->addressField(0), "2");  // the scan had emptied the grid
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    EXPECT_EQ(boxes.summary(), (std::vector<std::string>{"Error|CCom.Open:No such file or directory",
                                                         "COM Error|COM Schnittstelle konnte nicht geöffnet werden."}));
    EXPECT_FALSE(dialog->controller().running());
    EXPECT_FALSE(settings.portInUse[0]);
}

}  // namespace
