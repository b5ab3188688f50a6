// Tiltview's dialog through its widgets under the offscreen platform, on the
// scripted line: the template, the boxes' behaviour, and the settings file
// written by every way the dialog ends.

#include "platform/about_dlg.h"
#include "platform/dialog_units.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"
#include "tests/support/temp_dir.h"
#include "tiltview/dial_widget.h"
#include "tiltview/tiltview_app.h"
#include "tiltview/tiltview_dlg.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using testsupport::readFile;
using testsupport::writeFile;

class TiltDialogTest : public ::testing::Test {
protected:
    TiltDialogTest() {
        line.install();
        line.responder = [](const std::string& w) { return w == "\x05" ? testsupport::SensorBusResponder::frame(123.45) + "abcde" : ""; };
    }
    // Built on first use, so a test can lay a settings file down first.
    CTiltviewDlg& dlg() {
        if (!dialog) {
            dialog = app.createMainDialog();
            dialog->show();
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        }
        return *dialog;
    }
    std::string iniFile() const { return dir.file("Tiltview.ini"); }

    testsupport::TempDir dir;
    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    CTiltviewApp app;  // made in the test's directory: that is where the file lives
    std::unique_ptr<CTiltviewDlg> dialog;
};

TEST_F(TiltDialogTest, TemplateOrderGivesQuitTheFirstFocusAndTheControlsStandInPlace) {
    CTiltviewDlg& d = dlg();
    EXPECT_EQ(QApplication::focusWidget(), d.quitButton());
    EXPECT_TRUE(d.quitButton()->isDefault());
    std::vector<QWidget*> chain;
    for (QWidget* w = d.quitButton(); chain.size() < 6; w = w->nextInFocusChain())
        if (w->parentWidget() == &d && (w->focusPolicy() & Qt::TabFocus)) chain.push_back(w);
    EXPECT_EQ(chain, (std::vector<QWidget*>{d.quitButton(), d.portBox(), d.stopButton(), d.startButton(),
                                            d.addressBox(), d.dial()}));
    EXPECT_EQ(d.size(), QSize(platform::dluToPixelsX(175), platform::dluToPixelsY(111)));
    EXPECT_EQ(d.addressBox()->geometry(), platform::dluRect(60, 73, 68, 12)) << "closed: one line high";
    EXPECT_EQ(d.dial()->geometry(), platform::dluRect(136, 58, 33, 28));
    EXPECT_EQ(d.angleField()->geometry(), platform::dluRect(5, 8, 165, 42));
    EXPECT_EQ(QFontInfo(d.angleField()->font()).family(), "Liberation Sans");
    EXPECT_EQ(d.angleField()->font().pointSize(), 38);
    EXPECT_EQ(d.portBox()->currentText(), "Com2") << "first start: port 2";
    ASSERT_EQ(d.addressBox()->count(), 79);
    EXPECT_EQ(d.addressBox()->itemText(23), "200 (hC8) #23");
    EXPECT_EQ(d.addressBox()->itemText(78), "255 (hFF) #78");
    EXPECT_EQ(d.addressBox()->currentText(), "177 (hB1) #00");
    for (QLabel* label : d.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << "clipped";
}

TEST_F(TiltDialogTest, F1ShowsTheAboutBoxWithLinesThatFit) {
    EXPECT_EQ(dlg().aboutAction()->text(), "&About Tiltview...");
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<platform::CAboutDlg*>(QApplication::activeModalWidget());
        if (!about) return;
        seen << about->windowTitle();
        for (QLabel* label : about->lineLabels())
            if (label->fontMetrics().horizontalAdvance(label->text()) <= label->width()) seen << label->text();
        about->accept();
    });
    QTest::keyClick(&dlg(), Qt::Key_F1);
    ASSERT_EQ(seen.size(), 4) << "title and three lines that fit: " << seen.join(" / ").toStdString();
    EXPECT_EQ(seen[0], "About KV275 Tiltview");
    EXPECT_EQ(seen[1], "Tiltview Version 1.0");
}

TEST_F(TiltDialogTest, TypingInThePortBoxIsUndoneWithTheCursorKeptAndOnlyAChoiceCounts) {
    writeFile(iniFile(), "3");
    QLineEdit* edit = dlg().portBox()->lineEdit();
    edit->setFocus();
    edit->setCursorPosition(1);
    QTest::keyClicks(edit, "x");
    EXPECT_EQ(edit->text(), "Com3");
    EXPECT_EQ(edit->cursorPosition(), 2) << "the cursor stays after the typed character";
    dlg().portBox()->setCurrentIndex(0);  // the program's own selection
    EXPECT_EQ(dlg().controller().portNumber(), 3);
    QTest::keyClick(dlg().portBox(), Qt::Key_Down);  // the user picks Com2
    EXPECT_EQ(dlg().controller().portNumber(), 2);
}

TEST_F(TiltDialogTest, TypedAddressIsNotCompletedAndSnapsToItsEntryOnTab) {
    QLineEdit* edit = dlg().addressBox()->lineEdit();
    dlg().addressBox()->setFocus();
    edit->clear();
    QTest::keyClicks(edit, "200");
    EXPECT_EQ(edit->text(), "200");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dlg().dial());
    EXPECT_EQ(dlg().addressBox()->currentText(), "200 (hC8) #23");
}

TEST_F(TiltDialogTest, PollShowsTextAndDialAndAFocusedButtonOrTheDialTakesEnter) {
    CTiltviewDlg& d = dlg();
    d.startButton()->setFocus();
    QTest::keyClick(d.startButton(), Qt::Key_Return);
    ASSERT_TRUE(d.tickTimerActive()) << ::testing::PrintToString(boxes.summary());
    EXPECT_FALSE(d.portBox()->isEnabled() || d.addressBox()->isEnabled());
    d.controller().OnTimer();
    EXPECT_EQ(d.angleField()->text(), QString::fromUtf8("123.45°"));
    EXPECT_EQ(d.dial()->angle(), 123.45);
    d.dial()->setFocus();
    QTest::keyClick(d.dial(), Qt::Key_Return);
    QTest::mouseClick(d.dial(), Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(boxes.calls.empty());
}

// Enter where the user types reaches "Quit"; every way out writes the port,
// also one the box has no entry for.
TEST_F(TiltDialogTest, EveryWayTheDialogEndsWritesThePort) {
    auto enterIn = [](QWidget* field) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
    };
    const std::vector<std::pair<const char*, std::function<void(CTiltviewDlg&)>>> ways{
        {"Quit", [](CTiltviewDlg& d) { QTest::mouseClick(d.quitButton(), Qt::LeftButton); }},
        {"Enter in the port box", [&](CTiltviewDlg& d) { enterIn(d.portBox()->lineEdit()); }},
        {"Enter in the address box", [&](CTiltviewDlg& d) { enterIn(d.addressBox()->lineEdit()); }},
        {"Escape", [](CTiltviewDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"the close box", [](CTiltviewDlg& d) { d.close(); }},
    };
    for (const auto& [name, end] : ways) {
        SCOPED_TRACE(name);
        writeFile(iniFile(), "7");
        EXPECT_EQ(dlg().portBox()->currentIndex(), -1) << "no entry for port 7";
        end(dlg());
        EXPECT_FALSE(dlg().isVisible());
        EXPECT_EQ(readFile(iniFile()), "7");
        dialog.reset();
    }
    // A first start in an empty directory: no box, and the one byte "2" at the end.
    std::remove(iniFile().c_str());
    QTest::mouseClick(dlg().startButton(), Qt::LeftButton);
    QTest::mouseClick(dlg().quitButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg().tickTimerActive());
    EXPECT_EQ(readFile(iniFile()), "2");
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
}

// What a user types in the boxes, left by a click on the dial (which takes
// the focus, as a button does), then "Start" and one tick: the request sent.
TEST_F(TiltDialogTest, TypedTextIsTakenAsTypedAndSnapsWhenTheDialIsClicked) {
    // {box, typed, its text once the dial is clicked, request}; completed,
    // 20 was 200; unfocused, the dial left 200 unsnapped.
    const std::vector<std::tuple<QComboBox* (CTiltviewDlg::*)() const, const char*, const char*, const char*>> cases{
        {&CTiltviewDlg::addressBox, "20", "177 (hB1) #00", "B1 05"},
        {&CTiltviewDlg::addressBox, "200", "200 (hC8) #23", "C8 05"},
        {&CTiltviewDlg::addressBox, "300", "255 (hFF) #78", "FF 05"},
        {&CTiltviewDlg::portBox, "4", "Com2", "B1 05"},
    };
    for (const auto& [box, typed, shown, request] : cases) {
        dialog.reset();
        line.written.clear();
        QLineEdit* edit = (dlg().*box)()->lineEdit();
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, typed);
        QTest::mouseClick(dlg().dial(), Qt::LeftButton);
        EXPECT_EQ(edit->text().toStdString(), shown) << typed;
        QTest::mouseClick(dlg().startButton(), Qt::LeftButton);
        dlg().controller().OnTimer();
        EXPECT_EQ(line.openedName, "COM2") << typed;
        EXPECT_EQ(testsupport::hexBytes(line.written), request) << typed;
    }
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
}

}  // namespace
