// The scanner dialog driven through its widgets under the offscreen platform.
#include "tests/scan/scan_dialog_fixture.h"

#include "platform/about_dlg.h"
#include "platform/dialog_units.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <tuple>
#include <utility>
#include <vector>

namespace {

using Mode = CScanController::Mode;

const QColor kMarked(255, 255, 128);
const QColor kScanning(96, 255, 96);
const std::string kNoData = "COM Error|GetKV275degrees: no data received";
const std::string kOpenFailed = "COM Error|COM Schnittstelle konnte nicht geöffnet werden.";

QColor buttonFace() { return QApplication::palette().color(QPalette::Active, QPalette::Button); }

class ScanDialogTest : public ScanDialogFixture {};

TEST_F(ScanDialogTest, TemplateControlsAndGrownWindow) {
    settings.ISPort = 3;
    CScanDlg& d = dlg();
    EXPECT_EQ(d.windowTitle(), "KV275 Scanner");
    EXPECT_EQ(d.initialSize(), QSize(476, 42));
    EXPECT_EQ(d.size(), QSize(765, 468));
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "a fixed frame";
    EXPECT_FALSE(d.windowIcon().isNull());
    EXPECT_EQ(QFontInfo(d.font()).family(), "Liberation Sans");
    EXPECT_EQ(d.font().pointSize(), 8);

    // Quit keeps its size and height and moves right by the growth (289 px).
    const QRect quit = d.quitButton()->geometry();
    EXPECT_EQ(quit.x(), platform::dluToPixelsX(262) + 289);
    EXPECT_EQ(quit.y(), platform::dluToPixelsY(7));
    EXPECT_EQ(quit.size(), platform::dluRect(262, 7, 50, 15).size());
    EXPECT_LT(quit.right(), d.width());
    EXPECT_TRUE(d.quitButton()->isDefault());
    EXPECT_EQ(d.quitButton()->text(), "Quit");
    EXPECT_EQ(d.scanButton()->geometry(), platform::dluRect(100, 7, 50, 15));
    EXPECT_EQ(d.scanButton()->text(), "Scan");
    EXPECT_EQ(d.readButton()->geometry(), platform::dluRect(155, 7, 65, 15));
    EXPECT_EQ(d.readButton()->text(), "Start reading");

    QComboBox* ports = d.portList();
    EXPECT_FALSE(ports->isEditable());
    ASSERT_EQ(ports->count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ports->itemText(i), QStringLiteral("COM %1").arg(i + 1));
    EXPECT_EQ(ports->currentText(), "COM 3");

    bool captionFound = false;
    for (QLabel* label : d.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->text() == "serial port:") {
            captionFound = true;
            const QRect place = platform::dluRect(5, 10, 33, 8);
            EXPECT_EQ(label->pos(), place.topLeft());
            EXPECT_EQ(label->height(), place.height());
            EXPECT_GE(label->width(), place.width());
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << "not clipped";
            EXPECT_LT(label->geometry().right(), ports->x());
        }
    EXPECT_TRUE(captionFound);
    EXPECT_LE(d.readButton()->fontMetrics().horizontalAdvance("Stop reading"), d.readButton()->width());
}

TEST_F(ScanDialogTest, GridCellsAreFramedReadableAndLetClicksThrough) {
    CScanDlg& d = dlg();
    EXPECT_EQ(d.valueBox(78), nullptr);
    EXPECT_EQ(d.addressLabel(79), nullptr);
    EXPECT_EQ(d.valueBox(-1), nullptr);
    for (int cell = 0; cell < scanlayout::kCellCount; ++cell) {
        CGridCell* box = d.valueBox(cell);
        CGridCell* label = d.addressLabel(cell);
        ASSERT_NE(box, nullptr);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(box->geometry(), scanlayout::valueBoxPixels(cell));
        EXPECT_EQ(label->geometry(), scanlayout::labelPixels(cell));
        EXPECT_EQ(label->text().toStdString(), CScanController::labelText(cell));
        for (CGridCell* part : {box, label}) {
            EXPECT_TRUE(part->isEnabled()) << "a disabled widget greys its text";
            EXPECT_EQ(part->focusPolicy(), Qt::NoFocus);
            EXPECT_TRUE(part->testAttribute(Qt::WA_TransparentForMouseEvents));
            EXPECT_NE(part->frameShape(), QFrame::NoFrame);
            EXPECT_EQ(part->palette().color(QPalette::WindowText), QColor(Qt::black));
        }
        EXPECT_EQ(box->background(), QColor(Qt::white));
        EXPECT_EQ(label->background(), buttonFace());
        EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
        EXPECT_TRUE(box->alignment() & Qt::AlignLeft);
    }
    EXPECT_EQ(d.addressLabel(0)->text(), " 178 / hB2");
    const QFont valueFont = d.valueBox(0)->font();
    EXPECT_TRUE(valueFont.bold());
    EXPECT_EQ(valueFont.pointSize(), 10);
    EXPECT_TRUE(QFontInfo(valueFont).fixedPitch());
    EXPECT_EQ(d.addressLabel(0)->font().pointSize(), 8);
    // The widest value fits its box.
    EXPECT_LE(d.valueBox(0)->fontMetrics().horizontalAdvance(" 999.99°"), d.valueBox(0)->contentsRect().width());
    EXPECT_LE(d.addressLabel(0)->fontMetrics().horizontalAdvance(" 255 / hFF"),
              d.addressLabel(0)->contentsRect().width());
}

TEST_F(ScanDialogTest, ScanFindsSensorsAt180And200) {
    bus.angles = {{180, 12.5}, {200, 7.5}};
    press(dlg().scanButton());
    EXPECT_EQ(dlg().scanButton()->text(), "Stop");
    EXPECT_EQ(dlg().readButton()->text(), "Start reading");
    EXPECT_TRUE(dlg().tickTimerActive());

    // The first tick paints its cell green while it asks.
    QColor during;
    line.responder = [&](const std::string& written) {
        if (!during.isValid()) during = labelColour(0);
        return bus.respond(written);
    };
    EXPECT_EQ(finishScan(), 78);
    EXPECT_EQ(during, kScanning);

    for (int cell = 0; cell < scanlayout::kCellCount; ++cell) {
        const bool found = cell == 2 || cell == 22;
        EXPECT_EQ(labelColour(cell), found ? kMarked : buttonFace()) << cell;
        EXPECT_EQ(ctl().isSelected(cell), found) << cell;
        if (!found) {
            EXPECT_EQ(valueText(cell), "") << cell;
        }
    }
    EXPECT_EQ(valueText(2), QString::fromUtf8(" 012.50°"));
    EXPECT_EQ(valueText(22), QString::fromUtf8(" 007.50°"));
    EXPECT_EQ(dlg().scanButton()->text(), "Scan");
    EXPECT_FALSE(dlg().tickTimerActive());
    EXPECT_FALSE(session.IsOpen());
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(ScanDialogTest, TheWindowTimerDrivesTheScan) {
    press(dlg().scanButton());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ctl().scanPosition() >= 3; }, 5000));
    press(dlg().scanButton());
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    EXPECT_FALSE(dlg().tickTimerActive());
    const int stoppedAt = ctl().scanPosition();
    QTest::qWait(30);
    EXPECT_EQ(ctl().scanPosition(), stoppedAt);
}

TEST_F(ScanDialogTest, CaptionsInEachMode) {
    bus.angles = {{178, 1.0}};
    CScanDlg& d = dlg();
    press(d.scanButton());
    EXPECT_EQ(d.scanButton()->text(), "Stop");
    EXPECT_EQ(d.readButton()->text(), "Start reading");
    press(d.readButton());  // nothing while scanning
    EXPECT_EQ(d.readButton()->text(), "Start reading");
    EXPECT_EQ(ctl().mode(), Mode::Scanning);
    press(d.scanButton());
    EXPECT_EQ(d.scanButton()->text(), "Scan");

    clickLabel(0);
    press(d.readButton());
    ASSERT_EQ(ctl().mode(), Mode::Reading);
    EXPECT_EQ(d.readButton()->text(), "Stop reading");
    EXPECT_EQ(d.scanButton()->text(), "Scan");
    press(d.scanButton());  // nothing while reading
    EXPECT_EQ(ctl().mode(), Mode::Reading);
    EXPECT_EQ(d.scanButton()->text(), "Scan");
    press(d.readButton());
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    EXPECT_EQ(d.readButton()->text(), "Start reading");
}

TEST_F(ScanDialogTest, StartReadingWithNothingMarkedDoesNothing) {
    press(dlg().readButton());
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    EXPECT_EQ(line.openCount, 0);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(dlg().readButton()->text(), "Start reading");
    EXPECT_FALSE(dlg().tickTimerActive());
}

TEST_F(ScanDialogTest, ReadingShowsAnglesAndUnmarkingTheLastCellKeepsItRunning) {
    bus.angles = {{190, 7.5}};
    clickLabel(12);
    EXPECT_EQ(labelColour(12), kMarked);
    press(dlg().readButton());
    ASSERT_EQ(ctl().mode(), Mode::Reading);
    EXPECT_EQ(settings.ISAddress, 13);
    ctl().OnTimer();
    EXPECT_EQ(valueText(12), QString::fromUtf8(" 007.50°"));

    clickLabel(12);
    EXPECT_EQ(labelColour(12), buttonFace());
    EXPECT_EQ(valueText(12), "");
    line.clearLog();
    ctl().OnTimer();
    EXPECT_TRUE(line.traffic().empty());
    EXPECT_EQ(ctl().mode(), Mode::Reading);
    EXPECT_TRUE(dlg().tickTimerActive());
    EXPECT_EQ(dlg().readButton()->text(), "Stop reading");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(ScanDialogTest, ClicksOnValueBoxesGapsAndEmptyPlacesChangeNothing) {
    CScanDlg& d = dlg();
    const QRect label = scanlayout::labelPixels(0);
    const QPoint misses[] = {
        scanlayout::valueBoxPixels(0).center(),
        scanlayout::valueBoxPixels(77).center(),
        {label.center().x(), label.bottom() + 2},                                 // between rows
        {label.right() + 2, label.center().y()},                                  // between columns
        scanlayout::labelPixels(78).center(), scanlayout::labelPixels(79).center(),  // empty places
        scanlayout::valueBoxPixels(78).center(),
    };
    for (const QPoint& p : misses) clickAt(p);
    for (int cell = 0; cell < scanlayout::kCellCount; ++cell) {
        EXPECT_FALSE(ctl().isSelected(cell)) << cell;
        EXPECT_EQ(labelColour(cell), buttonFace()) << cell;
    }
    clickLabel(77);
    EXPECT_EQ(labelColour(77), kMarked) << "the cell before the empty places still works";
    clickLabel(77);
    EXPECT_EQ(labelColour(77), buttonFace());
    EXPECT_EQ(d.focusWidget() == d.valueBox(0), false);
}

TEST_F(ScanDialogTest, MarkedCellsRenderYellowWithBlackText) {
    bus.angles = {{178, 7.5}};
    clickLabel(0);
    press(dlg().readButton());
    ctl().OnTimer();
    const QImage shot = dlg().grab().toImage();
    const QRect label = scanlayout::labelPixels(0);
    EXPECT_EQ(QColor(shot.pixel(label.left() + 2, label.top() + 2)), kMarked);
    EXPECT_EQ(QColor(shot.pixel(scanlayout::labelPixels(1).topLeft() + QPoint(2, 2))), buttonFace());
    const QRect box = scanlayout::valueBoxPixels(0);
    EXPECT_EQ(QColor(shot.pixel(box.right() - 2, box.top() + 2)), QColor(Qt::white));
    int darkest = 255;
    for (int y = box.top() + 2; y < box.bottom() - 1; ++y)
        for (int x = box.left() + 2; x < box.right() - 1; ++x) darkest = std::min(darkest, qGray(shot.pixel(x, y)));
    EXPECT_LT(darkest, 40) << "the angle is drawn in full black, not greyed";
}

TEST_F(ScanDialogTest, DeviceVanishingWhileReading) {
    bus.angles = {{178, 1.0}, {179, 2.0}};
    clickLabel(0);
    clickLabel(1);
    press(dlg().readButton());
    ctl().OnTimer();
    ASSERT_EQ(valueText(1), QString::fromUtf8(" 002.00°"));

    // Gone as a real port reports it: every transfer fails, the descriptor
    // still closes, and the device cannot be opened again.
    line.vanished = true;
    boxes.whileShown = [&](const platform::MessageBoxCall&) {
        line.vanished = false;
        line.openError = EIO;
    };
    ctl().OnTimer();
    ctl().OnTimer();  // a late tick changes nothing
    EXPECT_EQ(boxes.summary(), std::vector<std::string>({kNoData}));
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(dlg().tickTimerActive());
    EXPECT_EQ(dlg().readButton()->text(), "Start reading");
    EXPECT_EQ(valueText(1), QString::fromUtf8(" 002.00°")) << "the values shown stay";

    // Still usable: cells can be marked, and another start reports the open failure.
    clickLabel(5);
    EXPECT_EQ(labelColour(5), kMarked);
    boxes.calls.clear();
    press(dlg().readButton());
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    EXPECT_FALSE(dlg().tickTimerActive());
    EXPECT_EQ(dlg().readButton()->text(), "Start reading");
    ASSERT_EQ(boxes.calls.size(), 2u) << ::testing::PrintToString(boxes.summary());
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_EQ(boxes.calls[0].text.rfind("CCom.Open:", 0), 0u) << boxes.calls[0].text;
    EXPECT_EQ(boxes.summary()[1], kOpenFailed);
}

TEST_F(ScanDialogTest, DeviceThatCannotEvenBeClosedStillEndsEachRunCleanly) {
    bus.angles = {{178, 1.0}};
    clickLabel(0);
    press(dlg().readButton());
    line.vanished = true;  // for good: the close fails as well
    for (int run = 0; run < 2; ++run) {
        boxes.calls.clear();
        if (run > 0) press(dlg().readButton());
        for (int tick = 0; tick < 3; ++tick) ctl().OnTimer();
        const std::vector<std::string> shown = boxes.summary();
        ASSERT_FALSE(shown.empty()) << run;
        EXPECT_EQ(shown[0], kNoData) << run;
        EXPECT_EQ(std::count(shown.begin(), shown.end(), kNoData), 1) << ::testing::PrintToString(shown);
        EXPECT_EQ(shown.back(), "COM Error|COM Schnittstelle konnte nicht geschlossen werden.") << run;
        EXPECT_EQ(ctl().mode(), Mode::Idle) << run;
        EXPECT_FALSE(dlg().tickTimerActive()) << run;
        EXPECT_EQ(settings.tickGuard, 0) << run;
        EXPECT_EQ(dlg().readButton()->text(), "Start reading") << run;
    }
}

TEST_F(ScanDialogTest, PortOutsideOneToFourSelectsNothingAndFailsToOpen) {
    settings.ISPort = 7;
    EXPECT_EQ(dlg().portList()->currentIndex(), -1);
    press(dlg().scanButton());
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].text.rfind("CCom.Open", 0), 0u);
    EXPECT_EQ(boxes.summary()[1], kOpenFailed);
    EXPECT_EQ(line.openCount, 0);

    boxes.calls.clear();
    clickLabel(0);
    press(dlg().readButton());
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.summary()[1], kOpenFailed);
    EXPECT_EQ(settings.ISPort, 7);
    for (bool mark : settings.portInUse) EXPECT_FALSE(mark);

    settings.ISPort = -128;
    boxes.calls.clear();
    press(dlg().scanButton());
    EXPECT_EQ(boxes.calls.size(), 2u);

    // Choosing a port from the list puts things right.
    bus.angles = {{178, 1.0}};
    dlg().portList()->setCurrentIndex(1);
    press(dlg().readButton());
    EXPECT_EQ(settings.ISPort, 2);
    EXPECT_EQ(ctl().mode(), Mode::Reading);
}

TEST_F(ScanDialogTest, GuardKeepsATickFromReenteringWhileItsBoxIsShown) {
    bus.angles = {{178, 1.0}};
    clickLabel(0);
    press(dlg().readButton());
    bus.angles.clear();
    int nestedTicks = 0;
    boxes.whileShown = [&](const platform::MessageBoxCall&) {
        const size_t before = line.log.size();
        // As a modal box would: events go on, the timer fires, the user clicks.
        QTest::qWait(30);
        ctl().OnTimer();
        ++nestedTicks;
        EXPECT_EQ(line.log.size(), before) << "nothing may be queried from inside the box";
        clickLabel(3);
    };
    ctl().OnTimer();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(ctl().mode(), Mode::Idle);
    EXPECT_EQ(settings.tickGuard, 0);
    EXPECT_EQ(labelColour(3), kMarked) << "clicks are handled inside the box";
}

TEST_F(ScanDialogTest, QuitEnterAndEscapeEndWithoutCleanUp) {
    bus.angles = {{178, 1.0}};
    clickLabel(0);
    press(dlg().readButton());
    dlg().portList()->setCurrentIndex(3);
    press(dlg().quitButton());
    EXPECT_FALSE(dlg().isVisible());
    EXPECT_EQ(dlg().result(), QDialog::Accepted);
    EXPECT_TRUE(session.IsOpen()) << "the session stays open until the process ends";
    EXPECT_EQ(ctl().mode(), Mode::Reading);
    EXPECT_EQ(settings.ISPort, 1) << "the list is not read";
    EXPECT_NE(dlg().valueBox(0), nullptr);
    dialog.reset();

    dlg().portList()->setFocus();
    QTest::keyClick(dlg().portList(), Qt::Key_Return);
    EXPECT_FALSE(dlg().isVisible());
    EXPECT_EQ(dlg().result(), QDialog::Accepted);
    dialog.reset();

    QTest::keyClick(&dlg(), Qt::Key_Escape);
    EXPECT_FALSE(dlg().isVisible());
    EXPECT_EQ(dlg().result(), QDialog::Rejected);
    EXPECT_NE(dlg().valueBox(0), nullptr);
}

TEST_F(ScanDialogTest, CloseBoxCleansUp) {
    bus.angles = {{178, 1.0}};
    clickLabel(0);
    press(dlg().readButton());
    dlg().portList()->setCurrentIndex(3);
    EXPECT_TRUE(dlg().close());
    EXPECT_FALSE(dlg().isVisible());
    EXPECT_EQ(settings.ISPort, 4);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(dlg().tickTimerActive());
    EXPECT_EQ(settings.timerId, 0);
    EXPECT_EQ(dlg().valueBox(0), nullptr);
    EXPECT_EQ(dlg().addressLabel(77), nullptr);
    ctl().OnTimer();  // a tick already queued changes nothing
}

TEST_F(ScanDialogTest, AboutOnF1AndInTheContextMenu) {
    CScanDlg& d = dlg();
    QApplication::setActiveWindow(&d);
    QString title;
    std::vector<std::pair<QString, QRect>> lines;
    QRect okGeometry;
    bool iconShown = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<platform::CAboutDlg*>(QApplication::activeModalWidget());
        if (!about) return;
        title = about->windowTitle();
        for (QLabel* l : about->lineLabels()) lines.emplace_back(l->text(), l->geometry());
        okGeometry = about->okButton()->geometry();
        iconShown = !about->iconLabel()->pixmap().isNull();
        EXPECT_EQ(about->size(), QSize(platform::dluToPixelsX(217), platform::dluToPixelsY(55)));
        QTest::mouseClick(about->okButton(), Qt::LeftButton);
    });
    QTest::keyClick(&d, Qt::Key_F1);
    EXPECT_EQ(title, "About KV275 Scanner");
    // Each line where the scanner's box has always had it; the first stops
    // short of the OK button.
    const std::vector<std::pair<QString, QRect>> expectedLines{
        {"KV275Scan Version 1.0", platform::dluRect(40, 10, 134, 8)},
        {"Bus scanner for KV275 inclination sensors", platform::dluRect(40, 25, 170, 8)},
        {"Made by the KV275 bus tools project", platform::dluRect(40, 40, 170, 8)}};
    EXPECT_EQ(lines, expectedLines);
    EXPECT_EQ(okGeometry, platform::dluRect(178, 7, 32, 14));
    EXPECT_TRUE(iconShown);

    QStringList entries;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions()) entries << a->text();
        menu->close();
    });
    const QPoint at(300, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, d.mapToGlobal(at));
    QApplication::sendEvent(&d, &event);
    EXPECT_EQ(entries, QStringList{"&About KV275Scan..."});
    EXPECT_EQ(d.aboutAction()->shortcut(), QKeySequence(Qt::Key_F1));
}

// Keys and clicks as a user gives them: the port chosen in its list from the
// keyboard, cells marked by clicks, "Start reading" by Space on the focused
// button, then one tick. The port opened and every address asked (the device
// check asks the first marked sensor) show what the tool took.
TEST_F(ScanDialogTest, KeysAndClicksReachTheBusAsGiven) {
    bus.angles = {{178, 1.0}, {179, 2.0}, {200, 4.0}};
    // {Down keys in the port list, labels clicked, port opened, addresses asked}
    const std::vector<std::tuple<int, std::vector<int>, const char*, std::vector<int>>> cases{
        {1, {0}, "COM2", {178, 178}}, {0, {22, 1}, "COM1", {179, 179, 200}}, {0, {1, 1, 22}, "COM1", {200, 200}}};
    for (const auto& [downs, clicks, opened, asked] : cases) {
        dialog.reset();
        settings = ScanSettings();
        bus.asked.clear();
        dlg().portList()->setFocus();
        for (int i = 0; i < downs; ++i) QTest::keyClick(dlg().portList(), Qt::Key_Down);
        for (int cell : clicks) clickLabel(cell);
        dlg().readButton()->setFocus();
        QTest::keyClick(dlg().readButton(), Qt::Key_Space);
        ctl().OnTimer();
        EXPECT_EQ(line.openedName, opened);
        EXPECT_EQ(bus.asked, asked);
        press(dlg().readButton());
    }
    EXPECT_TRUE(boxes.calls.empty()) << ::testing::PrintToString(boxes.summary());
}

}  // namespace
