// The application: settings read at construction, written at exit.
#include "scan/scan_app.h"

#include "sensorlink/settings_codec.h"
#include "tests/scan/scan_dialog_fixture.h"
#include "tests/support/temp_dir.h"

#include <QComboBox>

namespace {

const std::string kDefaultFile =
    "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=1\r\nISAddress=1\r\nBaudRate=9600\r\nByteSize=8\r\n"
    "Parity=0\r\nStopBits=0\r\nReadIntervalTimeout=200\r\nReadTotalTimeoutMultiplier=7\r\n"
    "ReadTotalTimeoutConstant=124\r\nWriteTotalTimeoutMultiplier=0\r\nWriteTotalTimeoutConstant=0";

std::string withEntry(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class ScanAppTest : public ScanDialogFixture {
protected:
    testsupport::TempDir dir;
};

TEST_F(ScanAppTest, ExitWritesTheChosenPortAndTheFirstMarkedSensor) {
    testsupport::writeFile(dir.file("KV275Scan.ini"), withEntry(kDefaultFile, "BaudRate=9600", "BaudRate=19200"));
    setCodecLanguage(CodecLanguage::English);
    session.messageLanguage = 1;
    CScanApp app(settings, session);
    EXPECT_EQ(codecLanguage(), CodecLanguage::German);
    EXPECT_EQ(session.messageLanguage, 2);
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
    EXPECT_EQ(settings.comParameters.BaudRate, 19200u);

    dialog = app.createMainDialog();
    dialog->show();
    bus.angles = {{182, 3.0}, {190, 4.0}};
    clickLabel(12);
    clickLabel(4);
    dlg().portList()->setCurrentIndex(1);
    press(dlg().readButton());
    ASSERT_EQ(ctl().mode(), CScanController::Reading);
    dlg().close();
    dialog.reset();
    EXPECT_EQ(app.ExitInstance(), 0);

    std::string expected = withEntry(kDefaultFile, "BaudRate=9600", "BaudRate=19200");
    expected = withEntry(expected, "ISPort=1", "ISPort=2");
    expected = withEntry(expected, "ISAddress=1", "ISAddress=5");
    EXPECT_EQ(testsupport::readFile(dir.file("KV275Scan.ini")), expected);
}

TEST_F(ScanAppTest, FirstStartReportsEveryEntryAndWritesTheWholeFileAtExit) {
    CScanApp app(settings, session);
    EXPECT_EQ(boxes.calls.size(), 11u);
    for (const auto& call : boxes.calls) EXPECT_EQ(call.title, "Initialization Error");
    dialog = app.createMainDialog();
    EXPECT_EQ(dialog->portList()->currentText(), "COM 1");
    dialog.reset();
    app.ExitInstance();
    EXPECT_EQ(testsupport::readFile(dir.file("KV275Scan.ini")), kDefaultFile);
}

TEST_F(ScanAppTest, PortFromTheFileIsPreselected) {
    testsupport::writeFile(dir.file("KV275Scan.ini"), withEntry(kDefaultFile, "ISPort=1", "ISPort=3"));
    CScanApp app(settings, session);
    dialog = app.createMainDialog();
    EXPECT_EQ(dialog->portList()->currentText(), "COM 3");
}

}  // namespace
