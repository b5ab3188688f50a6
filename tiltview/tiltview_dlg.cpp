#include "tiltview/tiltview_dlg.h"

#include "platform/about_dlg.h"
#include "platform/dialog_controls.h"
#include "platform/dialog_units.h"
#include "platform/fonts.h"
#include "tiltview/angle_poll.h"
#include "tiltview/dial_widget.h"
#include "tiltview/tiltview_settings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <cstdio>

// Resources of a static library must be registered by hand, and only from
// the global namespace.
static void registerTiltviewResources() { Q_INIT_RESOURCE(tiltview); }

namespace {

const char* const kAboutEntry = "&About Tiltview...";
constexpr int kClientWidthUnits = 175;
constexpr int kClientHeightUnits = 111;
constexpr int kAngleFontPoints = 38;

platform::AboutBoxLayout aboutBox() {
    return {.title = QStringLiteral("About KV275 Tiltview"),
            .widthUnits = 219,
            .heightUnits = 55,
            .lines = {{QStringLiteral("Tiltview Version 1.0"), QRect(40, 10, 136, 8)},
                      {QStringLiteral("One sensor's angle, live"), QRect(40, 25, 119, 8)},
                      {QStringLiteral("KV275 bus tools"), QRect(40, 40, 75, 8)}},
            .okButtonUnits = QRect(181, 7, 32, 14)};
}

// "177 (hB1) #00" .. "255 (hFF) #78": entry i is address 177 + i.
QStringList addressEntries() {
    QStringList items;
    for (int a = tiltpoll::kBroadcastAddress; a <= tiltpoll::kBroadcastAddress + tiltpoll::kLastIndex; ++a) {
        char text[32];
        std::snprintf(text, sizeof text, "%d (h%02X) #%02d", a, a, a - tiltpoll::kBroadcastAddress);
        items << QString::fromLatin1(text);
    }
    return items;
}

}  // namespace

CTiltviewDlg::CTiltviewDlg(std::string startDirectory, QWidget* parent)
    : QDialog(parent), startDirectory_(std::move(startDirectory)), controller_(*this) {
    registerTiltviewResources();
    setWindowTitle(QStringLiteral("KV275 Tiltview"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    setFont(platform::dialogFont());
    icon_ = QIcon(QStringLiteral(":/tiltview/tiltview.svg"));
    setWindowIcon(icon_);
    setFixedSize(platform::dluToPixelsX(kClientWidthUnits), platform::dluToPixelsY(kClientHeightUnits));

    createTemplateControls();

    tickTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { controller_.OnTimer(); });

    aboutAction_ = new QAction(QString::fromUtf8(kAboutEntry), this);
    aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(aboutAction_);
    connect(aboutAction_, &QAction::triggered, this, &CTiltviewDlg::showAbout);

    connect(qApp, &QApplication::focusChanged, this, &CTiltviewDlg::focusMoved);
    controller_.OnInitDialog(tiltsettings::LoadPort(startDirectory_));
}

CTiltviewDlg::~CTiltviewDlg() {
    // The focus moves while the controls go; this dialog must not hear of it.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void CTiltviewDlg::createTemplateControls() {
    // In the template's order, which is the focus order: "Quit" comes first
    // and has the focus when the dialog opens.
    quitButton_ = platform::pushButtonAt(this, "Quit", QRect(115, 92, 54, 14));
    quitButton_->setDefault(true);
    portBox_ = platform::dropDownAt(this, true, {"Com1", "Com2", "Com3", "Com4"}, 5, 73, 40);
    stopButton_ = platform::pushButtonAt(this, "Stop", QRect(60, 92, 50, 14));
    startButton_ = platform::pushButtonAt(this, "Start", QRect(5, 92, 50, 14));
    platform::captionAt(this, "serial port:", QRect(5, 60, 33, 8), 60);
    platform::captionAt(this, "address (177-255):", QRect(60, 60, 60, 8), 136);
    addressBox_ = platform::dropDownAt(this, true, addressEntries(), 60, 73, 68);
    dial_ = new CTiltDial(this);
    dial_->setGeometry(platform::dluRect(136, 58, 33, 28));

    // Read-only and out of the focus chain; the text centred in a large font.
    angleField_ = new QLabel(this);
    angleField_->setFrameStyle(QFrame::Box | QFrame::Plain);
    angleField_->setLineWidth(1);
    angleField_->setAlignment(Qt::AlignCenter);
    angleField_->setTextFormat(Qt::PlainText);
    angleField_->setFocusPolicy(Qt::NoFocus);
    angleField_->setAutoFillBackground(true);
    angleField_->setBackgroundRole(QPalette::Base);
    angleField_->setFont(platform::mappedFont("Arial", kAngleFontPoints));
    angleField_->setGeometry(platform::dluRect(5, 8, 165, 42));

    // Only the user's own choice counts: the program's selections must not
    // change the port.
    connect(portBox_, &QComboBox::activated, this, [this](int index) { controller_.OnPortChosen(index); });
    connect(portBox_->lineEdit(), &QLineEdit::textEdited, this, [this] { keepPortText(); });
    connect(startButton_, &QPushButton::clicked, this, [this] { controller_.StartPolling(); });
    connect(stopButton_, &QPushButton::clicked, this, [this] { controller_.StopPolling(); });
    connect(quitButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void CTiltviewDlg::keepPortText() {
    // Typing cannot change the port: its entry comes back, with the cursor
    // where it was.
    QLineEdit* edit = portBox_->lineEdit();
    const int cursor = edit->cursorPosition();
    controller_.OnPortTyped();
    edit->setCursorPosition(std::min(cursor, int(edit->text().size())));
}

void CTiltviewDlg::focusMoved(QWidget* from, QWidget* to) {
    // Only a move to another control of this dialog: not into the box's own
    // list, nor to another window (a message box, or another program).
    if (!from || !to || to->window() != this) return;
    const bool fromAddressBox = from == addressBox_ || addressBox_->isAncestorOf(from);
    const bool toAddressBox = to == addressBox_ || addressBox_->isAncestorOf(to);
    if (fromAddressBox && !toAddressBox) controller_.OnAddressFocusLost();
}

void CTiltviewDlg::showAbout() {
    platform::CAboutDlg about(icon_, aboutBox(), this);
    about.exec();
}

void CTiltviewDlg::done(int result) {
    if (!ended_) {
        ended_ = true;
        // The window's timer ends with the window; the port closes when the
        // dialog object goes.
        tickTimer_.stop();
        // A file that cannot be written keeps the old one, without a word.
        tiltsettings::SavePort(startDirectory_, controller_.portNumber());
    }
    QDialog::done(result);
}

void CTiltviewDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(aboutAction_);
    menu.exec(event->globalPos());
}

// ---- TiltviewView

int CTiltviewDlg::portSelection() const { return portBox_->currentIndex(); }

namespace {

// The entry, or none and an empty text for an index the box has no entry for.
void selectEntry(QComboBox* box, int index) {
    const bool exists = index >= 0 && index < box->count();
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(exists ? index : -1);
    platform::setFieldText(box, exists ? box->itemText(index) : QString());
}

}  // namespace

void CTiltviewDlg::selectPort(int index) { selectEntry(portBox_, index); }

std::string CTiltviewDlg::addressText() const { return addressBox_->currentText().toStdString(); }

void CTiltviewDlg::selectAddress(int index) { selectEntry(addressBox_, index); }

void CTiltviewDlg::setPortBoxEnabled(bool enabled) { portBox_->setEnabled(enabled); }

void CTiltviewDlg::setAddressBoxEnabled(bool enabled) { addressBox_->setEnabled(enabled); }

void CTiltviewDlg::setAngleText(const std::string& text) {
    angleField_->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void CTiltviewDlg::redrawDial(double angle) { dial_->setAngle(angle); }

int CTiltviewDlg::startWindowTimer(int id, int intervalMs) {
    tickTimer_.start(intervalMs);
    return id;
}

void CTiltviewDlg::stopWindowTimer(int id) {
    if (id == CTiltviewController::kTimerId) tickTimer_.stop();
}
