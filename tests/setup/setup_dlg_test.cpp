// The setup dialog through its widgets under the offscreen platform, the
// application around it, and a few runs on the simulated bus.

#include "platform/dialog_units.h"
#include "sensorlink/sensor_session.h"
#include "setup/setup_app.h"
#include "setup/setup_dlg.h"
#include "setup/setup_settings.h"
#include "sim/simulator.h"
#include "tests/setup/fake_variable_sensor.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

class SetupDialogTest : public ::testing::Test {
protected:
    CSetupDlg& dlg() {
        if (!dialog) {
            dialog = std::make_unique<CSetupDlg>(settings, session);
            dialog->show();
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        }
        return *dialog;
    }
    void typeAndLeave(QComboBox* box, const char* text, QWidget* next) {
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
        next->setFocus();
    }

    testsupport::TempDir dir;
    testsupport::MessageBoxRecorder boxes;
    SetupSettings settings;
    CSensorSession session{settings, SessionForm::Setup};
    std::unique_ptr<CSetupDlg> dialog;
};

TEST_F(SetupDialogTest, TemplateControlsListsAndTheFirstFocusOnQuit) {
    CSetupDlg& d = dlg();
    EXPECT_EQ(d.windowTitle(), "KV275 Setup");
    EXPECT_EQ(d.size(), QSize(401, 327));
    EXPECT_TRUE(d.quitButton()->isDefault());
    EXPECT_EQ(QApplication::focusWidget(), d.quitButton()) << "the template's first control has the focus";
    EXPECT_EQ(d.readButton()->text(), "-> read variables");
    EXPECT_EQ(d.writeButton()->geometry(), platform::dluRect(5, 20, 178, 14));
    for (QComboBox* box : {d.cutoffBox(), d.newAddressBox(), d.delayBox(), d.currentAddressBox()}) {
        EXPECT_TRUE(box->isEditable());
        EXPECT_EQ(box->insertPolicy(), QComboBox::NoInsert) << "Enter must not add the typed text";
    }
    for (QComboBox* box : {d.portList(), d.filterList(), d.orderList()}) EXPECT_FALSE(box->isEditable());
    ASSERT_EQ(d.newAddressBox()->count(), 78);
    EXPECT_EQ(d.newAddressBox()->itemText(0), "178 (hB2) #01");
    EXPECT_EQ(d.newAddressBox()->itemText(77), "255 (hFF) #78");
    ASSERT_EQ(d.currentAddressBox()->count(), 79);
    EXPECT_EQ(d.currentAddressBox()->itemText(0), "177 (hB1) -all-");
    EXPECT_EQ(d.currentAddressBox()->currentText(), "177 (hB1) -all-");
    EXPECT_EQ(d.portList()->currentText(), "COM 1");
    EXPECT_EQ(d.cutoffBox()->currentText(), "50 (0.5 Hz)");
    EXPECT_EQ(d.cutoffBox()->height(), platform::dluToPixelsY(12));
}

// Leaving a field for another control turns what was typed into its display
// form (or puts the earlier value back); opening the field's own list does not.
TEST_F(SetupDialogTest, FieldIsCheckedWhenTheFocusMovesToAnotherControlOnly) {
    CSetupDlg& d = dlg();
    typeAndLeave(d.currentAddressBox(), "200", d.delayBox());
    EXPECT_EQ(d.currentAddressBox()->currentText(), "200 (hC8) #23");
    typeAndLeave(d.newAddressBox(), "300", d.cutoffBox());
    EXPECT_EQ(d.newAddressBox()->currentText(), "178 (hB2) #01");

    d.newAddressBox()->setFocus();
    d.newAddressBox()->lineEdit()->setText("190");
    d.newAddressBox()->showPopup();
    EXPECT_EQ(d.newAddressBox()->currentText(), "190") << "its own list is not another control";
    d.newAddressBox()->hidePopup();
    d.delayBox()->setFocus();
    EXPECT_EQ(d.newAddressBox()->currentText(), "190 (hBE) #13");
}

TEST_F(SetupDialogTest, OnlyQuitOrEnterSaveTheSettings) {
    struct Way {
        const char* name;
        std::function<void(CSetupDlg&)> end;
        bool saved;
    };
    const std::vector<Way> ways{
        {"Quit", [](CSetupDlg& d) { QTest::mouseClick(d.quitButton(), Qt::LeftButton); }, true},
        {"Enter in a field", [](CSetupDlg& d) {
             d.delayBox()->setFocus();
             QTest::keyClick(d.delayBox()->lineEdit(), Qt::Key_Return);
         },
         true},
        {"Escape", [](CSetupDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, false},
        {"the close box", [](CSetupDlg& d) { d.close(); }, false},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        testsupport::writeFile(dir.file("KV275Setup.ini"), "");
        CSetupApp app(settings, session);
        LoadSetupSettings(settings);
        dialog = app.createMainDialog();
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        dialog->portList()->setCurrentIndex(2);
        way.end(*dialog);
        EXPECT_FALSE(dialog->isVisible());
        app.finishDialog(dialog->result() == QDialog::Accepted);
        const std::string file = testsupport::readFile(dir.file("KV275Setup.ini"));
        EXPECT_EQ(file.find("ISPort=3\r\n") != std::string::npos, way.saved) << file;
        EXPECT_EQ(file.empty(), !way.saved);
        dialog.reset();
    }
}

// The simulated sensor read, changed, written and read back through the
// dialog's own buttons; then moved to a new address.
TEST_F(SetupDialogTest, ReadChangeWriteReadBackAndMoveOnTheSimulatedBus) {
    kv275sim::SimulatorOptions options;
    options.directory = dir.path();
    options.baud = 115200;
    options.sensors = {{178, kv275sim::AngleMotion::fixed(12.5)}};
    options.answerDelayMs = 1;
    kv275sim::Simulator sim(options);
    sim.start();
    settings.comParameters.BaudRate = 115200;  // the 1541-byte reply in about 0.13 s
    settings.ShowAddressQuestion = 0;
    CSetupDlg& d = dlg();

    QTest::mouseClick(d.readButton(), Qt::LeftButton);
    ASSERT_EQ(d.readButton()->text(), "-> read variables") << ::testing::PrintToString(boxes.summary());
    EXPECT_EQ(d.filterList()->currentIndex(), sim.variables(178)[24] - 1);
    EXPECT_EQ(d.newAddressBox()->currentText(), "178 (hB2) #01");

    d.filterList()->setCurrentIndex(3);
    typeAndLeave(d.cutoffBox(), "10", d.delayBox());
    QTest::mouseClick(d.writeButton(), Qt::LeftButton);
    EXPECT_EQ(d.writeButton()->text(), "<- write variables") << ::testing::PrintToString(boxes.summary());
    EXPECT_EQ(sim.variables(178)[24], 4);
    EXPECT_EQ(sim.variables(178)[26], 10);

    d.filterList()->setCurrentIndex(0);  // shown values come from the sensor again
    QTest::mouseClick(d.readButton(), Qt::LeftButton);
    EXPECT_EQ(d.filterList()->currentIndex(), 3);
    EXPECT_EQ(d.cutoffBox()->currentText(), "10 (0.1 Hz)");

    typeAndLeave(d.newAddressBox(), "200", d.delayBox());
    QTest::mouseClick(d.writeButton(), Qt::LeftButton);
    EXPECT_TRUE(sim.bus().findSensor(200));
    typeAndLeave(d.currentAddressBox(), "200", d.delayBox());
    QTest::mouseClick(d.readButton(), Qt::LeftButton);
    EXPECT_EQ(d.readButton()->text(), "-> read variables");
    EXPECT_EQ(d.newAddressBox()->currentText(), "200 (hC8) #23");
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
    EXPECT_FALSE(session.IsOpen());
    sim.stop();
}

// What a user types reaches the sensor as typed: each case clicks into the
// current address and a field, types over them and leaves with Tab, then
// clicks write. The sensor at 178 records what it was sent; no box means no
// write to 177, every sensor (its question), nor to 200 (no answer).
TEST_F(SetupDialogTest, TypedNumbersAreWrittenAsTypedNeverCompletedToAListEntry) {
    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    line.install();
    FakeVariableSensor sensor;
    sensor.attach(line);
    const auto type = [](QComboBox* box, const char* text) {
        QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
        QTest::keyClick(box->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box->lineEdit(), text);
        QTest::keyClick(box->lineEdit(), Qt::Key_Tab);
        EXPECT_EQ(box->lineEdit()->cursorPosition(), 0) << "the start of what " << text << " gave shows";
    };
    // {field, typed, what the sensor receives}; completed, 10 was 100, 5 was
    // 50, 2 was 200 and 1 was 177.
    const std::vector<std::tuple<QComboBox* (CSetupDlg::*)() const, const char*, const char*>> cases{
        {&CSetupDlg::delayBox, "10", "V024=1 V025=2 V026=50 V064=10 V063=178"},
        {&CSetupDlg::cutoffBox, "5", "V024=1 V025=2 V026=5 V064=500 V063=178"},
        {&CSetupDlg::newAddressBox, "2", "V024=1 V025=2 V026=50 V064=500 V063=178"},
        {&CSetupDlg::currentAddressBox, "2", "V024=1 V025=2 V026=50 V064=500 V063=178"},
        {&CSetupDlg::currentAddressBox, "1", "V024=1 V025=2 V026=50 V064=500 V063=178"},
    };
    for (const auto& [field, typed, received] : cases) {
        dialog.reset();
        sensor.written.clear();
        type(dlg().currentAddressBox(), "178");
        type((dlg().*field)(), typed);
        QTest::mouseClick(dlg().writeButton(), Qt::LeftButton);
        std::string got;
        for (const std::string& write : sensor.written) got += (got.empty() ? "" : " ") + write;
        EXPECT_EQ(got, received) << typed;
        EXPECT_TRUE(boxes.calls.empty()) << typed << ::testing::PrintToString(boxes.summary());
        boxes.calls.clear();
    }
}

}  // namespace
