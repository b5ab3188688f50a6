// Tiltview on the simulated bus: real pseudo-terminals, the real timer.

#include "sim/simulator.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"
#include "tiltview/dial_widget.h"
#include "tiltview/tiltview_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>

namespace {

const std::string kLost = "Tiltview Error|Comport connection lost.";

class TiltOnSimulatorTest : public ::testing::Test {
protected:
    TiltOnSimulatorTest() {
        startSimulator();
        testsupport::writeFile(dir.file("Tiltview.ini"), "1");
        dialog = std::make_unique<CTiltviewDlg>(dir.path());
        dialog->show();
        dialog->addressBox()->setCurrentIndex(3);  // "180 (hB4) #03"
    }
    ~TiltOnSimulatorTest() override {
        dialog.reset();
        if (sim) sim->stop();
    }
    void startSimulator() {
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.sensors = {{180, kv275sim::AngleMotion::ramp(10.0, 90.0, 4.0)},
                           {181, kv275sim::AngleMotion::fixed(300.0)}};
        options.answerDelayMs = 1;
        sim = std::make_unique<kv275sim::Simulator>(options);
        sim->start();
    }
    // Polls until the text field has shown `count` different angles; each
    // must be a reply's six characters and match the angle the dial shows.
    bool seesChangingAngles(int count) {
        const QRegularExpression shape(QString::fromUtf8("^\\d\\d\\d\\.\\d\\d°$"));
        QSet<QString> seen;
        bool consistent = true;
        const bool enough = QTest::qWaitFor(
            [&] {
                const QString text = dialog->angleField()->text();
                if (text.isEmpty()) return false;
                consistent = consistent && shape.match(text).hasMatch() &&
                             text.left(6).toDouble() == dialog->dial()->angle();
                seen.insert(text);
                return int(seen.size()) >= count;
            },
            5000);
        EXPECT_TRUE(consistent) << dialog->angleField()->text().toStdString();
        return enough && consistent;
    }

    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
    std::unique_ptr<kv275sim::Simulator> sim;
    std::unique_ptr<CTiltviewDlg> dialog;
};

TEST_F(TiltOnSimulatorTest, MovingSensorIsFollowedAndAPortGoneEndsPollingWithOneBoxUntilItIsBack) {
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog->tickTimerActive()) << ::testing::PrintToString(boxes.summary());
    EXPECT_EQ(dialog->controller().addressIndex(), 3);
    EXPECT_TRUE(seesChangingAngles(3));

    sim->killPort("COM1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !boxes.calls.empty(); }, 5000));
    QTest::qWait(100);  // room for a second box, which must not come
    ASSERT_EQ(boxes.summary(), std::vector<std::string>{kLost});
    EXPECT_EQ(boxes.calls[0].owner, dialog.get());
    EXPECT_FALSE(dialog->tickTimerActive());
    EXPECT_FALSE(dialog->controller().port().IsOpen());
    EXPECT_TRUE(dialog->portBox()->isEnabled());
    EXPECT_TRUE(dialog->addressBox()->isEnabled());

    // The adapter's link now leads nowhere: the next Start says so, once.
    ASSERT_EQ(symlink("/dev/kv275-unplugged-adapter", "COM1"), 0);
    boxes.calls.clear();
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    EXPECT_EQ(boxes.summary(), std::vector<std::string>{"Tiltview Error|Comport could not be opened."});
    EXPECT_FALSE(dialog->tickTimerActive());

    // The simulator is back on the same directory: Start polls again.
    sim.reset();
    startSimulator();
    boxes.calls.clear();
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog->tickTimerActive()) << ::testing::PrintToString(boxes.summary());
    EXPECT_TRUE(seesChangingAngles(3));
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
}

}  // namespace
