#include "setup/setup_dlg.h"

#include "platform/about_dlg.h"
#include "platform/dialog_controls.h"
#include "platform/dialog_units.h"
#include "platform/fonts.h"
#include "setup/setup_texts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

// Resources of a static library must be registered by hand, and only from
// the global namespace.
static void registerSetupResources() { Q_INIT_RESOURCE(setup); }

namespace {

const char* const kAboutEntry = "Inf&o about KV275Setup...";
constexpr int kTextHeight = 8;

platform::AboutBoxLayout aboutBox() {
    return {.title = QStringLiteral("Info about KV275 Setup"),
            .widthUnits = 217,
            .heightUnits = 55,
            .lines = {{QStringLiteral("KV275Setup Version 1.0"), QRect(40, 10, 134, 8)},
                      {QStringLiteral("Variables of KV275 inclination sensors"), QRect(40, 25, 170, 8)},
                      {QStringLiteral("Made by the KV275 bus tools project"), QRect(40, 40, 170, 8)}},
            .okButtonUnits = QRect(178, 7, 32, 14)};
}

// A static text placed at its top left; it is as wide as its text.
void staticText(QWidget* parent, const char* text, int x, int y) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    const QRect place = platform::dluRect(x, y, 1, kTextHeight);
    label->setGeometry(place.x(), place.y(), label->fontMetrics().horizontalAdvance(label->text()) + 2,
                       place.height());
}

QPushButton* pushButton(QWidget* parent, const char* caption, QRect units, bool alignLeft) {
    QPushButton* button = platform::pushButtonAt(parent, caption, units);
    if (alignLeft) button->setStyleSheet(QStringLiteral("text-align: left; padding-left: 6px;"));
    return button;
}

QStringList sensorAddresses() {
    QStringList items;
    for (int address = 178; address <= 255; ++address)
        items << QString::fromStdString(setuptexts::SensorAddress(address));
    return items;
}

std::string editText(const QComboBox* box) { return box->currentText().toStdString(); }

}  // namespace

CSetupDlg::CSetupDlg(SetupSettings& settings, CSensorSession& session, QWidget* parent)
    : QDialog(parent), controller_(settings, session, *this) {
    registerSetupResources();
    setWindowTitle(QStringLiteral("KV275 Setup"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(platform::dialogFont());
    icon_ = QIcon(QStringLiteral(":/setup/kv275setup.svg"));
    setWindowIcon(icon_);
    setFixedSize(platform::dluToPixelsX(267), platform::dluToPixelsY(201));

    createTemplateControls();

    aboutAction_ = new QAction(QString::fromUtf8(kAboutEntry), this);
    aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(aboutAction_);
    connect(aboutAction_, &QAction::triggered, this, &CSetupDlg::showAbout);
    connect(qApp, &QApplication::focusChanged, this, &CSetupDlg::focusChanged);

    controller_.OnInitDialog();
}

// The controls' focus moves while the base classes take them down; this
// object must no longer hear of it by then.
CSetupDlg::~CSetupDlg() { disconnect(qApp, nullptr, this, nullptr); }

void CSetupDlg::createTemplateControls() {
    // Created in the template's order, which is also the focus order:
    // "Quit" comes first and has the focus when the dialog opens.
    quitButton_ = pushButton(this, "Quit", QRect(195, 5, 65, 29), false);
    quitButton_->setDefault(true);
    readButton_ = pushButton(this, "-> read variables", QRect(5, 5, 178, 14), true);
    writeButton_ = pushButton(this, "<- write variables", QRect(5, 20, 178, 14), true);
    auto* frame = new QGroupBox(this);
    frame->setGeometry(platform::dluRect(5, 40, 255, 130));
    frame->lower();

    staticText(this, "variable", 10, 53);
    staticText(this, "meaning", 45, 53);
    staticText(this, "value", 170, 53);
    staticText(this, "V024", 10, 71);
    staticText(this, "filter", 45, 71);
    filterList_ = platform::dropDownAt(this, false, {"1 (Bessel)", "2 (aperiodical)", "3 (Butterworth)", "4 (Tschebyscheff)"}, 170,
                           68, 80);
    staticText(this, "V025", 10, 88);
    staticText(this, "order of the filter", 45, 88);
    orderList_ = platform::dropDownAt(this, false, {"0 (no filter)", "1 (1st order)", "2 (2nd order)"}, 170, 85, 65);
    staticText(this, "V026", 10, 109);
    staticText(this, "cut-off frequency in 1/100 Hertz", 45, 109);
    cutoffBox_ = platform::dropDownAt(this, true, {"10   (0.1 Hz)", "50   (0.5 Hz)", "100 (1.0 Hz)"}, 170, 106, 65);
    staticText(this, "V063", 10, 130);
    staticText(this, "address of the sensor (178-255)", 45, 130);
    newAddressBox_ = platform::dropDownAt(this, true, sensorAddresses(), 170, 127, 68);
    staticText(this, "V064", 10, 151);
    staticText(this, "delay for serial port", 45, 151);
    delayBox_ = platform::dropDownAt(this, true, {"100", "200", "500", "1000"}, 170, 148, 45);
    staticText(this, "serial port:", 5, 183);
    portList_ = platform::dropDownAt(this, false, {"COM 1", "COM 2", "COM 3", "COM 4"}, 41, 180, 45);
    staticText(this, "current address of the sensor:", 96, 183);
    currentAddressBox_ = platform::dropDownAt(this, true, QStringList{"177 (hB1) -all-"} + sensorAddresses(), 193, 180, 68);

    connect(quitButton_, &QPushButton::clicked, this, &CSetupDlg::accept);
    connect(readButton_, &QPushButton::clicked, this, [this] { controller_.OnReadVariables(); });
    connect(writeButton_, &QPushButton::clicked, this, [this] { controller_.OnWriteVariables(); });
}

QComboBox* CSetupDlg::editableFieldOf(QWidget* widget) const {
    for (QComboBox* box : {cutoffBox_, newAddressBox_, delayBox_, currentAddressBox_})
        if (widget && (widget == box || box->isAncestorOf(widget))) return box;
    return nullptr;
}

void CSetupDlg::focusChanged(QWidget* from, QWidget* to) {
    QComboBox* left = editableFieldOf(from);
    if (!left || !to || to->window() != this) return;
    if (editableFieldOf(to) == left) return;
    controller_.OnKillFocusValue();
}

void CSetupDlg::showAbout() {
    platform::CAboutDlg about(icon_, aboutBox(), this);
    about.exec();
}

void CSetupDlg::accept() {
    controller_.OnOK();
    QDialog::accept();
}

void CSetupDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(aboutAction_);
    menu.exec(event->globalPos());
}

// ---- SetupView

int CSetupDlg::portSelection() const { return portList_->currentIndex(); }
void CSetupDlg::setPortSelection(int entry) { portList_->setCurrentIndex(entry); }
int CSetupDlg::filterSelection() const { return filterList_->currentIndex(); }
void CSetupDlg::setFilterSelection(int entry) { filterList_->setCurrentIndex(entry); }
int CSetupDlg::orderSelection() const { return orderList_->currentIndex(); }
void CSetupDlg::setOrderSelection(int entry) { orderList_->setCurrentIndex(entry); }

std::string CSetupDlg::currentAddressText() const { return editText(currentAddressBox_); }
void CSetupDlg::setCurrentAddressText(const std::string& text) { platform::setFieldText(currentAddressBox_, QString::fromStdString(text)); }
std::string CSetupDlg::cutoffText() const { return editText(cutoffBox_); }
void CSetupDlg::setCutoffText(const std::string& text) { platform::setFieldText(cutoffBox_, QString::fromStdString(text)); }
std::string CSetupDlg::newAddressText() const { return editText(newAddressBox_); }
void CSetupDlg::setNewAddressText(const std::string& text) { platform::setFieldText(newAddressBox_, QString::fromStdString(text)); }
std::string CSetupDlg::delayText() const { return editText(delayBox_); }
void CSetupDlg::setDelayText(const std::string& text) { platform::setFieldText(delayBox_, QString::fromStdString(text)); }

void CSetupDlg::setReadCaption(const std::string& text) {
    readButton_->setText(QString::fromStdString(text));
    readButton_->repaint();
}

void CSetupDlg::setWriteCaption(const std::string& text) {
    writeButton_->setText(QString::fromStdString(text));
    writeButton_->repaint();
}
