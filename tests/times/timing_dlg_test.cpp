// The timing dialog driven through its widgets under the offscreen platform,
// and the application around it: the details that decide what the settings
// file holds, and the ways the dialog ends.

#include "platform/dialog_units.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"
#include "tests/support/temp_dir.h"
#include "times/timing_app.h"
#include "times/timing_dlg.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

class TimingDialogTest : public ::testing::Test {
protected:
    TimingDialogTest() {
        line.install();
        bus.attach(line);
    }
    // Built on first use, so a test can change the settings first.
    CTimingDlg& dlg() {
        if (!dialog) {
            dialog = std::make_unique<CTimingDlg>(settings, session);
            dialog->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        }
        return *dialog;
    }
    // A grid laid out through the boxes and "<- Apply", with addresses typed in.
    void grid(const char* rows, const char* columns, const std::vector<const char*>& addresses = {}) {
        dlg().rowsBox()->setEditText(rows);
        dlg().columnsBox()->setEditText(columns);
        QTest::mouseClick(dlg().applyButton(), Qt::LeftButton);
        for (size_t cell = 0; cell < addresses.size(); ++cell) {
            QLineEdit* field = dlg().addressField(int(cell));
            field->clear();
            QTest::keyClicks(field, addresses[cell]);
        }
    }

    testsupport::TempDir dir;
    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    testsupport::SensorBusResponder bus;
    TimingSettings settings;
    CTimingSession session{settings};
    std::unique_ptr<CTimingDlg> dialog;
};

TEST_F(TimingDialogTest, TemplateControlsStandInPlaceAndClosedBoxesLeaveTheButtonsFree) {
    CTimingDlg& d = dlg();
    EXPECT_EQ(d.windowTitle(), "KV275 Timing");
    EXPECT_EQ(d.size(), QSize(581, 79));
    EXPECT_EQ(QFontInfo(d.font()).family(), "Liberation Sans");
    EXPECT_FALSE(d.windowIcon().isNull());
    EXPECT_TRUE(d.quitButton()->isDefault());
    EXPECT_EQ(d.scanButton()->geometry(), platform::dluRect(91, 25, 68, 14));
    EXPECT_EQ(d.startButton()->geometry(), platform::dluRect(187, 25, 40, 14));
    for (QComboBox* box : {d.portBox(), d.rowsBox(), d.columnsBox(), d.formatBox()}) {
        EXPECT_EQ(box->height(), platform::dluToPixelsY(12));
        EXPECT_LT(box->geometry().bottom(), d.scanButton()->y()) << "a box must not cover the buttons below";
    }
    EXPECT_TRUE(d.portBox()->isEditable());
    EXPECT_FALSE(d.formatBox()->isEditable());
    EXPECT_EQ(d.rowsBox()->count(), 10);
    EXPECT_EQ(d.columnsBox()->count(), 12);
    // This program's defaults on a first start.
    EXPECT_EQ(d.portBox()->currentText(), "Com2");
    EXPECT_EQ(d.formatBox()->currentText(), "0 - 78");
    EXPECT_EQ(d.rowsBox()->currentText(), "0") << "the edit text is set after the items came in";
    EXPECT_EQ(d.columnsBox()->currentText(), "0");
    for (QLabel* label : d.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width() + 1)
            << label->text().toStdString() << " is clipped";
}

TEST_F(TimingDialogTest, PortComesFromTheUsersChoiceAloneAndTypingCannotChangeIt) {
    settings.ISPort = 3;
    CTimingDlg& d = dlg();
    EXPECT_EQ(d.portBox()->currentText(), "Com3");
    d.portBox()->setCurrentIndex(0);  // the program's own selection
    EXPECT_EQ(settings.ISPort, 3);
    d.portBox()->setCurrentIndex(2);
    QTest::keyClicks(d.portBox()->lineEdit(), "x9");
    EXPECT_EQ(d.portBox()->currentText(), "Com3");
    EXPECT_EQ(settings.ISPort, 3);
    QTest::keyClick(d.portBox(), Qt::Key_Down);  // the user picks Com4
    EXPECT_EQ(settings.ISPort, 4);
    EXPECT_EQ(d.portBox()->count(), 4) << "nothing typed was added";
}

// Enter where the user types reaches "Quit"; any way out reads the grid back
// for saving and closes the port first, a run or not.
TEST_F(TimingDialogTest, EveryWayTheDialogEndsReadsTheGridBackAndReleasesThePort) {
    // Enter into a field the user has focused.
    auto enterIn = [](QWidget* field) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
    };
    struct Way {
        const char* name;
        std::function<void(CTimingDlg&)> end;
        bool accepted;
        bool duringRun;  // the fields are locked during a run: Enter there needs none
    };
    const std::vector<Way> ways{
        {"Quit", [](CTimingDlg& d) { QTest::mouseClick(d.quitButton(), Qt::LeftButton); }, true, true},
        {"Enter in an address field", [&](CTimingDlg& d) { enterIn(d.addressField(1)); }, true, false},
        {"Enter in the rows box", [&](CTimingDlg& d) { enterIn(d.rowsBox()->lineEdit()); }, true, false},
        {"Enter in the port box", [&](CTimingDlg& d) { enterIn(d.portBox()->lineEdit()); }, true, false},
        {"Escape", [](CTimingDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, false, true},
        {"the close box", [](CTimingDlg& d) { d.close(); }, false, true},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        settings = TimingSettings();
        bus.angles = {{180, 1.0}};
        grid("1", "3", {"3", "B9"});
        dlg().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg()));
        if (way.duringRun) {
            QTest::mouseClick(dlg().startButton(), Qt::LeftButton);
            ASSERT_TRUE(dlg().controller().running());
        }
        way.end(dlg());
        EXPECT_FALSE(dlg().isVisible());
        EXPECT_EQ(dlg().result(), way.accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(settings.addressCount, 2);
        EXPECT_EQ(settings.addresses[1], 8);
        EXPECT_FALSE(line.isOpen);
        EXPECT_FALSE(dlg().tickTimerActive());
        EXPECT_EQ(dlg().addressField(0), nullptr) << "the grid's controls are gone";
        dialog.reset();
    }
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(TimingDialogTest, FocusedButtonTakesEnterItself) {
    bus.angles = {{178, 1.0}};
    grid("1", "1", {"1"});
    dlg().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg()));
    dlg().startButton()->setFocus();
    QTest::keyClick(dlg().startButton(), Qt::Key_Return);
    EXPECT_TRUE(dlg().isVisible());
    EXPECT_TRUE(dlg().controller().running());
}

TEST_F(TimingDialogTest, RunHighlightsTheAskedAddressAndLocksWhatMustNotChange) {
    bus.angles = {{178, 1.0}, {179, 2.0}};
    grid("1", "2", {"1", "2"});
    // What the address field looks like while its sensor is being asked.
    QColor seen;
    bool seenEnabled = true;
    const auto answer = line.responder;
    line.responder = [&](const std::string& written) {
        if (written == "\x05") {
            QLineEdit* field = dlg().addressField(1);
            seen = field->palette().color(QPalette::Disabled, QPalette::Base);
            seenEnabled = field->isEnabled();
        }
        return answer(written);
    };
    QTest::mouseClick(dlg().startButton(), Qt::LeftButton);
    ASSERT_TRUE(dlg().controller().running());
    EXPECT_EQ(dlg().startButton()->text(), "Stop");
    for (QWidget* w : std::initializer_list<QWidget*>{dlg().portBox(), dlg().rowsBox(), dlg().columnsBox(),
                                                       dlg().addressField(0), dlg().addressField(1)})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(dlg().formatBox()->isEnabled());
    EXPECT_TRUE(dlg().applyButton()->isEnabled());
    dlg().controller().OnTimer();
    EXPECT_FALSE(seenEnabled);
    EXPECT_EQ(seen, CTimingDlg::highlightColour()) << "the disabled field must show the highlight";
    EXPECT_NE(dlg().addressField(1)->palette().color(QPalette::Disabled, QPalette::Base),
              CTimingDlg::highlightColour());
    EXPECT_EQ(dlg().valueField(1)->text(), "001/002°");
    EXPECT_EQ(dlg().statisticsField()->text(), "Err:0 Read:2 NAK:0");
    QTest::mouseClick(dlg().startButton(), Qt::LeftButton);
    for (QWidget* w : std::initializer_list<QWidget*>{dlg().portBox(), dlg().rowsBox(), dlg().columnsBox(),
                                                       dlg().addressField(0)})
        EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(dlg().valueField(1)->text(), "001/0");
}

TEST_F(TimingDialogTest, FirstStartShowsNoBoxAndWritesTheSevenDefaultLinesAtExit) {
    CTimingApp app(settings, session);
    EXPECT_EQ(testsupport::readFile(dir.file("KV275Times.ini")), "") << "created empty at start";
    dialog = app.createMainDialog();
    dialog->show();
    QTest::mouseClick(dialog->quitButton(), Qt::LeftButton);
    dialog.reset();
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(testsupport::readFile(dir.file("KV275Times.ini")),
              "rows 0\r\ncolumns 0\r\nrowdiff 2\r\ncolumndiff 2\r\nISPort 2\r\nISAddressNumber 0\r\nAddressFormat 0\r\n");
}

TEST_F(TimingDialogTest, SettingsFromTheFileComeBackAtExitWithTheGridAsShown) {
    testsupport::writeFile(dir.file("KV275Times.ini"),
                           "rows 1\r\ncolumns 3\r\nrowdiff 2000000000\r\ncolumndiff 2\r\nISPort 1\r\n"
                           "ISAddressNumber 4\r\nAddressFormat 7\r\nISAddress[0] 5\tISAddress[1] -1\t"
                           "ISAddress[2] 79\tISAddress[3] 6\t");
    CTimingApp app(settings, session);
    dialog = app.createMainDialog();
    dialog->show();
    EXPECT_EQ(dialog->formatBox()->currentIndex(), -1) << "format 7 has no item";
    EXPECT_EQ(dialog->addressField(0)->text(), "5");
    EXPECT_EQ(dialog->addressField(1)->text(), "") << "-1 names no sensor";
    EXPECT_EQ(dialog->addressField(2)->text(), "") << "neither does 79";
    dialog->close();
    dialog.reset();
    app.ExitInstance();
    EXPECT_EQ(testsupport::readFile(dir.file("KV275Times.ini")),
              "rows 1\r\ncolumns 3\r\nrowdiff 2000000000\r\ncolumndiff 2\r\nISPort 1\r\nISAddressNumber 1\r\n"
              "AddressFormat 7\r\nISAddress[0] 5\t");
}

// Each field typed into as a user does (a click, Ctrl+A, keys; Tab moves
// on), buttons clicked; then what the dialog holds and what it asks.
TEST_F(TimingDialogTest, WhatIsTypedIntoEachFieldIsWhatTheDialogHoldsAndAsks) {
    struct Case {
        int port, format;
        std::vector<std::pair<QString, const char*>> steps;  // a caption or "cellN", and the keys typed there
        const char* held;
    };
    for (const Case& c : std::vector<Case>{
             {3, 2, {{"Rows:", "1\t2"}, {"<- Apply", ""}, {"Serial port:", "4"}, {"cell0", "b4\t255"}, {"Rows:", "3"},
                     {"Start", ""}, {"<- Apply", ""}},
              "port 3 grid 1x2 cells B4 FF asked 180 255 on COM3"},
             {7, 0, {{"Rows:", "2\t3"}, {"<- Apply", ""}, {"Serial port:", "x"}, {"cell0", "3\t7"}},
              "port 7 grid 2x3 cells 3 7 _ _ _ _ asked on "},
             {2, 1, {{"Columns:", "2"}, {"Rows:", "1"}, {"<- Apply", ""}, {"cell0", "180\t184"}, {"Start", ""}},
              "port 2 grid 1x2 cells 180 184 asked 180 184 on COM2"}}) {
        settings = TimingSettings();
        settings.ISPort = static_cast<int8_t>(c.port), settings.addressFormat = c.format;
        bus.angles = {{180, 2.0}, {184, 3.0}, {255, 4.0}}, bus.asked.clear(), line.openedName.clear();
        dlg().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg()));
        for (const auto& [name, keys] : c.steps) {
            QWidget* control = name.startsWith("cell") ? dlg().addressField(name.mid(4).toInt()) : nullptr;
            for (QLabel* label : dlg().findChildren<QLabel*>())
                if (label->text() == name) control = label->buddy();
            for (QPushButton* button : dlg().findChildren<QPushButton*>())
                if (button->text() == name) control = button;
            ASSERT_NE(control, nullptr) << name.toStdString();
            QTest::mouseClick(control, Qt::LeftButton);
            QWidget* const focused = nullptr;  // keys go where the focus is, as a keyboard's do
            if (*keys) QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier), QTest::keyClicks(focused, keys);
        }
        if (dlg().controller().running()) dlg().controller().OnTimer();
        QString held = QString("port %1 grid %2x%3 cells").arg(settings.ISPort).arg(dlg().rowsBox()->currentText(),
                                                                                    dlg().columnsBox()->currentText());
        for (int cell = 0; QLineEdit* field = dlg().addressField(cell); ++cell)
            held += " " + (field->text().isEmpty() ? "_" : field->text());
        held += " asked";
        for (int address : std::set<int>(bus.asked.begin(), bus.asked.end())) held += " " + QString::number(address);
        EXPECT_EQ(held.toStdString() + " on " + line.openedName, c.held);
        EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
        dlg().close();
        dialog.reset();
    }
}

}  // namespace
