#pragma once
// A scanner dialog on the fake serial line, with recorded message boxes.

#include "scan/grid_cell.h"
#include "scan/scan_dlg.h"
#include "scan/scan_layout.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"

#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <memory>

class ScanDialogFixture : public ::testing::Test {
protected:
    ScanDialogFixture() {
        line.install();
        bus.attach(line);
        session.messageLanguage = 2;
    }

    // Built on first use, so a test can change the settings first.
    CScanDlg& dlg() {
        if (!dialog) {
            dialog = std::make_unique<CScanDlg>(settings, session);
            dialog->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        }
        return *dialog;
    }
    CScanController& ctl() { return dlg().controller(); }

    // A click as the window system delivers it: to whatever widget is under
    // the point, so the cells' transparency is part of what is tested.
    void clickAt(const QPoint& at) { QTest::mouseClick(dlg().windowHandle(), Qt::LeftButton, {}, at); }
    void clickLabel(int cell) { clickAt(scanlayout::labelPixels(cell).center()); }
    void press(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Runs the scan's ticks directly until it ends (the window timer would
    // need 78 x 10 ms of real time).
    int finishScan() {
        int ticks = 0;
        while (ctl().mode() == CScanController::Scanning && ticks < 200) {
            ctl().OnTimer();
            ++ticks;
        }
        return ticks;
    }

    QColor labelColour(int cell) { return dlg().addressLabel(cell)->background(); }
    QString valueText(int cell) { return dlg().valueBox(cell)->text(); }

    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    testsupport::SensorBusResponder bus;
    ScanSettings settings;
    CSensorSession session{settings};
    std::unique_ptr<CScanDlg> dialog;
};
