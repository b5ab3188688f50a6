// The adapter pulled out during a timing run and during a scan, over the
// simulator's real pseudo-terminals: one box, the dialog idle, a clean open
// failure next, and work again once it is back, without a restart.

#include "tests/support/message_box_recorder.h"
#include "tests/support/simulated_bus.h"
#include "tests/support/temp_dir.h"
#include "times/timing_dlg.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

TEST(TimingUnplugged, RunAndScanEndCleanlyAndWorkAgainOnceTheAdapterIsBack) {
    for (const bool scan : {false, true}) {
        SCOPED_TRACE(scan ? "scan" : "run");
        testsupport::TempDir dir;
        testsupport::MessageBoxRecorder boxes;
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.sensors = {{179, kv275sim::AngleMotion::fixed(12.5)}, {181, kv275sim::AngleMotion::fixed(3.25)}};
        options.answerDelayMs = 1;
        testsupport::SimulatedBus bus(options);
        TimingSettings settings;
        settings.ISPort = 1;
        settings.rows = 1;
        settings.columns = 3;
        settings.addressCount = 2;
        settings.addresses[0] = 2;
        settings.addresses[1] = 4;
        CTimingSession session(settings);
        CTimingDlg dialog(settings, session);
        dialog.show();

        if (scan) {
            // The scan blocks the dialog: pull the plug once it is under way.
            testsupport::UnplugWhen unplug(bus, [&] { return bus.sim().bus().counters().angleQueries >= 3; });
            QTest::mouseClick(dialog.scanButton(), Qt::LeftButton);
            unplug.join();
            EXPECT_EQ(dialog.scanButton()->text(), "<-Scan");
        } else {
            QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
            ASSERT_TRUE(dialog.controller().running());
            ASSERT_TRUE(QTest::qWaitFor([&] { return session.queryCount >= 4; }, 5000));
            bus.unplug();
            EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.controller().running(); }, 5000));
        }
        ASSERT_EQ(boxes.calls.size(), 1u) << ::testing::PrintToString(boxes.summary());
        EXPECT_TRUE(testsupport::matchesBox(boxes.summary()[0], "Error|CCom.*:Input/output error"))
            << boxes.summary()[0];
        EXPECT_FALSE(dialog.controller().running());
        EXPECT_EQ(dialog.startButton()->text(), "Start");
        EXPECT_FALSE(session.IsOpen());
        EXPECT_FALSE(dialog.tickTimerActive());

        // The grid as a user would type it again (a scan empties it).
        dialog.addressField(0)->setText("2");
        dialog.controller().OnKey();
        boxes.calls.clear();
        QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
        EXPECT_EQ(boxes.summary(), (Texts{"Error|CCom.Open:No such file or directory",
                                          "COM Error|COM Schnittstelle konnte nicht geöffnet werden."}));
        EXPECT_FALSE(dialog.controller().running());

        boxes.calls.clear();
        bus.plugIn();
        QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
        ASSERT_TRUE(dialog.controller().running()) << ::testing::PrintToString(boxes.summary());
        const int32_t before = session.queryCount;
        EXPECT_TRUE(QTest::qWaitFor([&] { return session.queryCount >= before + 2; }, 5000));
        EXPECT_TRUE(dialog.valueField(0)->text().endsWith(QString::fromUtf8("/012°")))
            << dialog.valueField(0)->text().toStdString();
        QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
        EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
    }
}

}  // namespace
