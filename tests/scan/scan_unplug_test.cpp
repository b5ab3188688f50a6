// The adapter pulled out while the scanner scans or reads, over the
// simulator's real pseudo-terminals: one box in the scanner's words, the
// dialog idle, a clean open failure next, and work again once it is back.

#include "scan/grid_cell.h"
#include "scan/scan_dlg.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/simulated_bus.h"
#include "tests/support/temp_dir.h"

#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using Mode = CScanController::Mode;
using Texts = std::vector<std::string>;

kv275sim::SimulatorOptions busAt(const std::string& dir) {
    kv275sim::SimulatorOptions options;
    options.directory = dir;
    options.sensors = {{179, kv275sim::AngleMotion::fixed(12.5)}, {181, kv275sim::AngleMotion::fixed(3.25)}};
    options.answerDelayMs = 1;
    return options;
}

TEST(ScanUnplugged, EveryOperationEndsCleanlyAndWorksAgainOnceTheAdapterIsBack) {
    struct Case {
        const char* operation;
        const char* said;  // for a scan: the operation that failed first, writing or reading
    };
    for (const Case& c : {Case{"scan", "Error|CCom.*:Input/output error"},
                          Case{"reading", "COM Error|GetKV275degrees: no data received"}}) {
        SCOPED_TRACE(c.operation);
        testsupport::TempDir dir;
        testsupport::MessageBoxRecorder boxes;
        testsupport::SimulatedBus bus(busAt(dir.path()));
        ScanSettings settings;
        // Short read time-outs: a silent address costs tens of milliseconds.
        settings.comParameters.ReadIntervalTimeout = 20;
        settings.comParameters.ReadTotalTimeoutMultiplier = 0;
        settings.comParameters.ReadTotalTimeoutConstant = 40;
        CSensorSession session(settings);
        session.messageLanguage = 2;
        CScanDlg dialog(settings, session);
        dialog.show();
        CScanController& ctl = dialog.controller();
        const bool scanning = std::string(c.operation) == "scan";
        auto start = [&] {
            if (scanning) {
                QTest::mouseClick(dialog.scanButton(), Qt::LeftButton);
            } else {
                if (!ctl.isSelected(1)) {
                    const QRect r = dialog.addressLabel(1)->geometry();
                    ctl.OnLButtonDown(r.center().x(), r.center().y());
                }
                QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
            }
        };

        start();
        ASSERT_NE(ctl.mode(), Mode::Idle);
        ASSERT_TRUE(QTest::qWaitFor([&] { return session.queryCount >= 3; }, 5000));
        bus.unplug();
        EXPECT_TRUE(QTest::qWaitFor([&] { return ctl.mode() == Mode::Idle; }, 5000)) << "hangs after the unplug";
        ASSERT_EQ(boxes.calls.size(), 1u) << ::testing::PrintToString(boxes.summary());
        EXPECT_TRUE(testsupport::matchesBox(boxes.summary()[0], c.said)) << boxes.summary()[0];
        EXPECT_FALSE(session.IsOpen());
        EXPECT_FALSE(dialog.tickTimerActive());
        EXPECT_EQ(dialog.scanButton()->text(), "Scan");
        EXPECT_EQ(dialog.readButton()->text(), "Start reading");

        boxes.calls.clear();
        start();
        EXPECT_EQ(boxes.summary(), (Texts{"Error|CCom.Open:No such file or directory",
                                          "COM Error|COM Schnittstelle konnte nicht geöffnet werden."}));
        EXPECT_EQ(ctl.mode(), Mode::Idle);

        boxes.calls.clear();
        bus.plugIn();
        start();
        EXPECT_NE(ctl.mode(), Mode::Idle) << ::testing::PrintToString(boxes.summary());
        const int32_t before = session.queryCount;
        EXPECT_TRUE(QTest::qWaitFor([&] { return session.queryCount >= before + 3; }, 5000));
        EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
        if (scanning) QTest::mouseClick(dialog.scanButton(), Qt::LeftButton);
        else QTest::mouseClick(dialog.readButton(), Qt::LeftButton);
        EXPECT_EQ(ctl.mode(), Mode::Idle);
    }
}

}  // namespace
