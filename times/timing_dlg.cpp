#include "times/timing_dlg.h"

#include "platform/about_dlg.h"
#include "platform/dialog_controls.h"
#include "platform/dialog_units.h"
#include "platform/fonts.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

// Resources of a static library must be registered by hand, and only from
// the global namespace.
static void registerTimesResources() { Q_INIT_RESOURCE(times); }

namespace {

const char* const kAboutEntry = "&About KV275Times...";

platform::AboutBoxLayout aboutBox() {
    return {.title = QStringLiteral("About KV275Times"),
            .widthUnits = 222,
            .heightUnits = 55,
            .lines = {{QStringLiteral("KV275Times Version 1.0"), QRect(40, 10, 139, 8)},
                      {QStringLiteral("Answer times of KV275 inclination sensors"), QRect(40, 25, 175, 8)},
                      {QStringLiteral("Made by the KV275 bus tools project"), QRect(40, 40, 175, 8)}},
            .okButtonUnits = QRect(183, 7, 32, 14)};
}

QLineEdit* readOnlyField(QWidget* parent, QRect pixels) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setGeometry(pixels);
    return field;
}

QStringList numbers(int last) {
    QStringList items;
    for (int n = 1; n <= last; ++n) items << QString::number(n);
    return items;
}

}  // namespace

CTimingDlg::CTimingDlg(TimingSettings& settings, CTimingSession& session, QWidget* parent)
    : QDialog(parent), settings_(settings), controller_(settings, session, *this) {
    registerTimesResources();
    setWindowTitle(QStringLiteral("KV275 Timing"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    setFont(platform::dialogFont());
    icon_ = QIcon(QStringLiteral(":/times/kv275times.svg"));
    setWindowIcon(icon_);
    setFixedSize(timinglayout::TemplateClientPixels());

    createTemplateControls();
    fillBoxes();

    tickTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { controller_.OnTimer(); });

    aboutAction_ = new QAction(QString::fromUtf8(kAboutEntry), this);
    aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(aboutAction_);
    connect(aboutAction_, &QAction::triggered, this, &CTimingDlg::showAbout);

    // Any key in the dialog may have changed an address field.
    qApp->installEventFilter(this);
    controller_.OnInitDialog();
}

CTimingDlg::~CTimingDlg() { qApp->removeEventFilter(this); }

void CTimingDlg::createTemplateControls() {
    // Each box's caption is its buddy, so that it names the box (to a
    // screen reader, and to a test that finds the box as a user does).
    QLabel* caption = platform::captionAt(this, "Serial port:", QRect(5, 8, 34, 8), 45);
    caption->setBuddy(portBox_ = platform::dropDownAt(this, true, {"Com1", "Com2", "Com3", "Com4"}, 45, 5, 40));
    caption = platform::captionAt(this, "Rows:", QRect(90, 8, 21, 8), 114);
    caption->setBuddy(rowsBox_ = platform::dropDownAt(this, true, numbers(10), 114, 5, 35));
    caption = platform::captionAt(this, "Columns:", QRect(155, 8, 30, 8), 187);
    caption->setBuddy(columnsBox_ = platform::dropDownAt(this, true, numbers(12), 187, 5, 35));
    caption = platform::captionAt(this, "Address format:", QRect(228, 8, 50, 8), 280);
    caption->setBuddy(formatBox_ = platform::dropDownAt(this, false, {"0 - 78", "177 - 255", "B1 - FF"}, 280, 5, 50));
    applyButton_ = platform::pushButtonAt(this, "<- Apply", QRect(340, 5, 40, 14));

    platform::captionAt(this, "Sensors: ", QRect(5, 28, 30, 8), 45);
    sensorsField_ = readOnlyField(this, platform::dluRect(45, 25, 40, 14));
    scanButton_ = platform::pushButtonAt(this, "<- Scan", QRect(91, 25, 68, 14));
    startButton_ = platform::pushButtonAt(this, "Start", QRect(187, 25, 40, 14));
    statisticsField_ = readOnlyField(this, platform::dluRect(235, 25, 95, 14));
    quitButton_ = platform::pushButtonAt(this, "Quit", QRect(340, 25, 40, 14));
    quitButton_->setDefault(true);

    // Only the user's own choice counts: the program's selections must not
    // store a port or format nobody chose.
    connect(portBox_, &QComboBox::activated, this, [this](int index) { controller_.OnPortChosen(index); });
    connect(portBox_->lineEdit(), &QLineEdit::textEdited, this, [this] { keepPortText(); });
    connect(formatBox_, &QComboBox::activated, this, [this](int index) { controller_.OnFormatChosen(index); });
    connect(applyButton_, &QPushButton::clicked, this, [this] { controller_.ApplyLayout(); });
    connect(scanButton_, &QPushButton::clicked, this, [this] { controller_.ScanSensors(); });
    connect(startButton_, &QPushButton::clicked, this, [this] { controller_.StartStop(); });
    connect(quitButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void CTimingDlg::fillBoxes() {
    const QSignalBlocker portQuiet(portBox_);
    const QSignalBlocker formatQuiet(formatBox_);
    const int port = settings_.ISPort;
    // A hand-edited file may hold any number; only 1 to 4 have an item.
    portBox_->setCurrentIndex(port >= 1 && port <= 4 ? port - 1 : -1);
    platform::setFieldText(portBox_, portText());
    const int format = settings_.addressFormat;
    formatBox_->setCurrentIndex(format >= 0 && format <= 2 ? format : -1);
}

QString CTimingDlg::portText() const { return QStringLiteral("Com%1").arg(int(settings_.ISPort)); }

void CTimingDlg::keepPortText() {
    // Typing cannot change the port: the current port's name comes back,
    // with the cursor where it was. A port without an item keeps its name
    // too: an empty text would be filled in with the first item, which the
    // box takes as chosen when the focus leaves it.
    QLineEdit* edit = portBox_->lineEdit();
    const int cursor = edit->cursorPosition();
    const QSignalBlocker quiet(portBox_);
    portBox_->setEditText(portText());
    edit->setCursorPosition(std::min(cursor, int(edit->text().size())));
}

QColor CTimingDlg::highlightColour() { return QColor(160, 160, 255); }

QLineEdit* CTimingDlg::valueField(int cell) const {
    return cell >= 0 && cell < timinglayout::kMaxCells ? valueFields_[cell] : nullptr;
}

QLineEdit* CTimingDlg::addressField(int cell) const {
    return cell >= 0 && cell < timinglayout::kMaxCells ? addressFields_[cell] : nullptr;
}

QLabel* CTimingDlg::firstRowLabel(int row) const {
    return row >= 0 && row < timinglayout::kSlots ? firstLabels_[row] : nullptr;
}

QLabel* CTimingDlg::secondRowLabel(int row) const {
    return row >= 0 && row < timinglayout::kSlots ? secondLabels_[row] : nullptr;
}

void CTimingDlg::showAbout() {
    platform::CAboutDlg about(icon_, aboutBox(), this);
    about.exec();
}

void CTimingDlg::done(int result) {
    if (!ended_) {
        ended_ = true;
        controller_.OnDestroy();
    }
    QDialog::done(result);
}

bool CTimingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) controller_.OnKey();
    }
    return QDialog::eventFilter(watched, event);
}

void CTimingDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(aboutAction_);
    menu.exec(event->globalPos());
}

// ---- TimingView

void CTimingDlg::createRowLabels(int row, const QRect& first, const QRect& second) {
    if (row < 0 || row >= timinglayout::kSlots) return;
    auto make = [this](const char* text, const QRect& pixels) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setFont(platform::dialogFont());
        label->setAutoFillBackground(true);
        QPalette look = label->palette();
        look.setColor(QPalette::Window, look.color(QPalette::Button));  // looks like static text
        label->setPalette(look);
        label->setGeometry(pixels);
        label->show();
        return label;
    };
    firstLabels_[row] = make("Time/Degrees:", first);
    secondLabels_[row] = make("Address (0-78):", second);
}

void CTimingDlg::destroyRowLabels(int row) {
    if (row < 0 || row >= timinglayout::kSlots) return;
    delete firstLabels_[row];
    delete secondLabels_[row];
    firstLabels_[row] = nullptr;
    secondLabels_[row] = nullptr;
}

void CTimingDlg::setFirstRowLabel(int row, const std::string& text) {
    if (QLabel* label = firstRowLabel(row)) label->setText(QString::fromStdString(text));
}

void CTimingDlg::createCell(int cell, const QRect& value, const QRect& address) {
    if (cell < 0 || cell >= timinglayout::kMaxCells) return;
    QLineEdit* shown = readOnlyField(this, value);
    shown->setFont(platform::dialogFont());
    shown->show();
    auto* typed = new QLineEdit(this);
    typed->setFont(platform::dialogFont());
    typed->setGeometry(address);
    typed->show();
    valueFields_[cell] = shown;
    addressFields_[cell] = typed;
}

void CTimingDlg::moveCell(int cell, const QRect& value, const QRect& address) {
    if (QLineEdit* f = valueField(cell)) f->setGeometry(value);
    if (QLineEdit* f = addressField(cell)) f->setGeometry(address);
}

void CTimingDlg::destroyCell(int cell) {
    if (cell < 0 || cell >= timinglayout::kMaxCells) return;
    delete valueFields_[cell];
    delete addressFields_[cell];
    valueFields_[cell] = nullptr;
    addressFields_[cell] = nullptr;
}

void CTimingDlg::setValueText(int cell, const std::string& text) {
    if (QLineEdit* f = valueField(cell)) platform::setFieldText(f, QString::fromStdString(text));
}

void CTimingDlg::setAddressText(int cell, const std::string& text) {
    if (QLineEdit* f = addressField(cell)) platform::setFieldText(f, QString::fromStdString(text));
}

std::string CTimingDlg::addressText(int cell) const {
    const QLineEdit* f = addressField(cell);
    return f ? f->text().toStdString() : std::string();
}

void CTimingDlg::setAddressHighlight(int cell, bool on) {
    QLineEdit* f = addressField(cell);
    if (!f) return;
    if (!on) {
        f->setPalette(QPalette());
        return;
    }
    QPalette look = f->palette();
    // The field is disabled during a run, exactly when it is highlighted.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        look.setColor(group, QPalette::Base, highlightColour());
    f->setPalette(look);
}

void CTimingDlg::setAddressEnabled(int cell, bool enabled) {
    if (QLineEdit* f = addressField(cell)) f->setEnabled(enabled);
}

void CTimingDlg::repaintValue(int cell) {
    if (QLineEdit* f = valueField(cell)) f->repaint();
}

void CTimingDlg::repaintAddress(int cell) {
    if (QLineEdit* f = addressField(cell)) f->repaint();
}

std::string CTimingDlg::rowsText() const { return rowsBox_->currentText().toStdString(); }

std::string CTimingDlg::columnsText() const { return columnsBox_->currentText().toStdString(); }

void CTimingDlg::setRowsText(const std::string& text) { platform::setFieldText(rowsBox_, QString::fromStdString(text)); }

void CTimingDlg::setColumnsText(const std::string& text) { platform::setFieldText(columnsBox_, QString::fromStdString(text)); }

void CTimingDlg::setRunBoxesEnabled(bool enabled) {
    portBox_->setEnabled(enabled);
    rowsBox_->setEnabled(enabled);
    columnsBox_->setEnabled(enabled);
}

void CTimingDlg::setSensorsText(const std::string& text) { platform::setFieldText(sensorsField_, QString::fromStdString(text)); }

void CTimingDlg::setStatisticsText(const std::string& text) { platform::setFieldText(statisticsField_, QString::fromStdString(text)); }

void CTimingDlg::setStartCaption(const std::string& text) { startButton_->setText(QString::fromStdString(text)); }

void CTimingDlg::setScanCaption(const std::string& text) { scanButton_->setText(QString::fromStdString(text)); }

void CTimingDlg::repaintScanButton() { scanButton_->repaint(); }

QSize CTimingDlg::initialClientSize() const { return timinglayout::TemplateClientPixels(); }

void CTimingDlg::resizeClient(const QSize& size) { setFixedSize(size); }

int CTimingDlg::startWindowTimer(int id, int intervalMs) {
    tickTimer_.start(intervalMs);
    return id;
}

void CTimingDlg::stopWindowTimer(int id) {
    if (id == CTimingController::kTimerId) tickTimer_.stop();
}
