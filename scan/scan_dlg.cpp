#include "scan/scan_dlg.h"

#include "platform/about_dlg.h"
#include "platform/dialog_units.h"
#include "platform/fonts.h"
#include "scan/grid_cell.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

// Resources of a static library must be registered by hand, and only from
// the global namespace.
static void registerScanResources() { Q_INIT_RESOURCE(scan); }

namespace {

const char* const kAboutEntry = "&About KV275Scan...";

// The first line stops short of the OK button beside it.
platform::AboutBoxLayout aboutBox() {
    return {.title = QStringLiteral("About KV275 Scanner"),
            .widthUnits = 217,
            .heightUnits = 55,
            .lines = {{QStringLiteral("KV275Scan Version 1.0"), QRect(40, 10, 134, 8)},
                      {QStringLiteral("Bus scanner for KV275 inclination sensors"), QRect(40, 25, 170, 8)},
                      {QStringLiteral("Made by the KV275 bus tools project"), QRect(40, 40, 170, 8)}},
            .okButtonUnits = QRect(178, 7, 32, 14)};
}

}  // namespace

CScanDlg::CScanDlg(ScanSettings& settings, CSensorSession& session, QWidget* parent)
    : QDialog(parent), settings_(settings), controller_(settings, session, *this) {
    registerScanResources();
    setWindowTitle(QStringLiteral("KV275 Scanner"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(platform::dialogFont());
    icon_ = QIcon(QStringLiteral(":/scan/kv275scan.svg"));
    setWindowIcon(icon_);

    createTemplateControls();
    // The template places the dialog at the top left of the screen; the grid
    // then grows it from there.
    move(0, 0);
    initialSize_ = scanlayout::templateClientPixels();
    resize(initialSize_);

    controller_.init();
    buildGrid();

    const int8_t port = settings_.ISPort;
    // A hand-edited file may hold any number; only 1 to 4 have an entry.
    portList_->setCurrentIndex(port >= 1 && port <= portList_->count() ? port - 1 : -1);

    tickTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { controller_.OnTimer(); });

    aboutAction_ = new QAction(QString::fromUtf8(kAboutEntry), this);
    aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(aboutAction_);
    connect(aboutAction_, &QAction::triggered, this, &CScanDlg::showAbout);
}

CScanDlg::~CScanDlg() = default;

void CScanDlg::createTemplateControls() {
    quitButton_ = new QPushButton(QStringLiteral("Quit"), this);
    quitButton_->setGeometry(platform::dluRect(262, 7, 50, 15));
    quitButton_->setDefault(true);
    connect(quitButton_, &QPushButton::clicked, this, &QDialog::accept);

    portList_ = new QComboBox(this);
    portList_->setEditable(false);
    for (int port = 1; port <= 4; ++port) portList_->addItem(QStringLiteral("COM %1").arg(port));
    portList_->setGeometry(platform::dluRect(41, 8, 45, 12));

    // The caption's 33 units are a pixel or two short for this font; it may
    // grow into the space before the list rather than lose its colon.
    portCaption_ = new QLabel(QStringLiteral("serial port:"), this);
    QRect caption = platform::dluRect(5, 10, 33, 8);
    const int needed = portCaption_->fontMetrics().horizontalAdvance(portCaption_->text()) + 1;
    const int room = portList_->x() - caption.x() - 1;
    caption.setWidth(std::min(std::max(caption.width(), needed), room));
    portCaption_->setGeometry(caption);

    scanButton_ = new QPushButton(QStringLiteral("Scan"), this);
    scanButton_->setGeometry(platform::dluRect(100, 7, 50, 15));
    connect(scanButton_, &QPushButton::clicked, this, [this] { controller_.OnScan(); });

    readButton_ = new QPushButton(QStringLiteral("Start reading"), this);
    readButton_->setGeometry(platform::dluRect(155, 7, 65, 15));
    connect(readButton_, &QPushButton::clicked, this, [this] { controller_.OnStartReading(); });
}

void CScanDlg::buildGrid() {
    const QSize grown = scanlayout::grownClientPixels(initialSize_);
    setFixedSize(grown);
    quitButton_->move(quitButton_->x() + grown.width() - initialSize_.width(), quitButton_->y());

    // Bold 10-point "Terminal" in the value boxes: a monospace face, so that
    // the angles line up from cell to cell.
    const QFont valueFont = platform::mappedFont("Terminal", 10, true);
    const QFont labelFont = platform::dialogFont();
    for (int cell = 0; cell < scanlayout::kCellCount; ++cell) {
        auto* box = new CGridCell(this, Qt::AlignLeft, valueFont, valueBoxColour());
        box->setGeometry(scanlayout::valueBoxPixels(cell));
        auto* label = new CGridCell(this, Qt::AlignHCenter, labelFont, shadeColour(LabelShade::ButtonFace));
        label->setGeometry(scanlayout::labelPixels(cell));
        label->setText(QString::fromStdString(CScanController::labelText(cell)));
        valueBoxes_[cell] = box;
        addressLabels_[cell] = label;
        const QRect edges = label->geometry();
        controller_.recordLabelEdges(cell, edges.x(), edges.y(), edges.x() + edges.width(),
                                     edges.y() + edges.height());
    }
}

CGridCell* CScanDlg::valueBox(int cell) const {
    return cell >= 0 && cell < scanlayout::kCellCount ? valueBoxes_[cell] : nullptr;
}

CGridCell* CScanDlg::addressLabel(int cell) const {
    return cell >= 0 && cell < scanlayout::kCellCount ? addressLabels_[cell] : nullptr;
}

void CScanDlg::showAbout() {
    platform::CAboutDlg about(icon_, aboutBox(), this);
    about.exec();
}

void CScanDlg::closeEvent(QCloseEvent* event) {
    // Only the close box comes here; "Quit", Enter and Escape end the dialog
    // without this clean-up.
    controller_.OnClose();
    QDialog::closeEvent(event);
}

void CScanDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        controller_.OnLButtonDown(at.x(), at.y());
    }
    QDialog::mousePressEvent(event);
}

void CScanDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(aboutAction_);
    menu.exec(event->globalPos());
}

void CScanDlg::setValueText(int cell, const std::string& text) {
    if (CGridCell* box = valueBox(cell)) box->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

void CScanDlg::setLabelShade(int cell, LabelShade shade) {
    if (CGridCell* label = addressLabel(cell)) label->setBackground(shadeColour(shade));
}

void CScanDlg::repaintLabel(int cell) {
    if (CGridCell* label = addressLabel(cell)) label->repaint();
}

void CScanDlg::repaintValueBox(int cell) {
    if (CGridCell* box = valueBox(cell)) box->repaint();
}

void CScanDlg::destroyCells() {
    for (int cell = 0; cell < scanlayout::kCellCount; ++cell) {
        delete valueBoxes_[cell];
        delete addressLabels_[cell];
        valueBoxes_[cell] = nullptr;
        addressLabels_[cell] = nullptr;
    }
}

void CScanDlg::setScanCaption(const std::string& text) { scanButton_->setText(QString::fromStdString(text)); }

void CScanDlg::setReadCaption(const std::string& text) { readButton_->setText(QString::fromStdString(text)); }

int CScanDlg::portSelection() const { return portList_->currentIndex(); }

int CScanDlg::startWindowTimer(int id, int intervalMs) {
    tickTimer_.start(intervalMs);
    return id;
}

void CScanDlg::stopWindowTimer(int id) {
    if (id == CScanController::kTimerId) tickTimer_.stop();
}
