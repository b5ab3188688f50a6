#include "monitor/monitor_dlg.h"

#include "monitor/monitor_plot.h"
#include "monitor/statistics_table.h"
#include "platform/about_dlg.h"
#include "platform/fonts.h"
#include "platform/message_box.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

// Resources of a static library must be registered by hand, and only from
// the global namespace.
static void registerMonitorResources() { Q_INIT_RESOURCE(monitor); }

namespace {

constexpr int kMinRefreshMs = 250;
// A redraw may take at most one part in this many of the time between two.
constexpr int kRefreshShare = 25;

const char* const kWindowNames[] = {"10 s", "1 min", "10 min", "1 h", "everything"};

platform::AboutBoxLayout aboutBox() {
    return {.title = QStringLiteral("About KV275 Monitor"),
            .widthUnits = 219,
            .heightUnits = 55,
            .lines = {{QStringLiteral("KV275Monitor Version 1.0"), QRect(40, 10, 136, 8)},
                      {QStringLiteral("The bus's angles over time"), QRect(40, 25, 130, 8)},
                      {QStringLiteral("KV275 bus tools"), QRect(40, 40, 75, 8)}},
            .okButtonUnits = QRect(181, 7, 32, 14)};
}

QPushButton* button(const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setAutoDefault(false);
    return b;
}

QString qtext(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

CMonitorDlg::CMonitorDlg(monitor::MonitorSettings& settings, CSensorSession& session, QWidget* parent)
    : QDialog(parent), settings_(settings), controller_(settings, session, *this) {
    registerMonitorResources();
    setWindowTitle(QStringLiteral("KV275 Monitor"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);
    setFont(platform::dialogFont());
    icon_ = QIcon(QStringLiteral(":/monitor/kv275monitor.svg"));
    setWindowIcon(icon_);
    resize(1200, 800);

    chooseSaveFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, QString(), filter);
    };
    chooseOpenFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, QString(), filter);
    };

    createControls();

    tickTimer_.setTimerType(Qt::PreciseTimer);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { controller_.OnTimer(); });
    connect(&refreshTimer_, &QTimer::timeout, this, &CMonitorDlg::refreshTick);
    refreshTimer_.start(kMinRefreshMs);

    aboutAction_ = new QAction(QStringLiteral("&About KV275Monitor..."), this);
    aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
    aboutAction_->setShortcutContext(Qt::WindowShortcut);
    addAction(aboutAction_);
    connect(aboutAction_, &QAction::triggered, this, &CMonitorDlg::showAbout);

    controller_.OnInitDialog();
    redraw();
}

CMonitorDlg::~CMonitorDlg() = default;

void CMonitorDlg::createControls() {
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("serial port:"), this));
    portBox_ = new QComboBox(this);
    portBox_->addItems({"COM 1", "COM 2", "COM 3", "COM 4"});
    top->addWidget(portBox_);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("sensors:"), this));
    addressEdit_ = new QLineEdit(this);
    addressEdit_->setPlaceholderText(QStringLiteral("178 180 0xC8 hD5"));
    addressEdit_->setMinimumWidth(140);
    top->addWidget(addressEdit_);
    addButton_ = button("Add", this);
    removeButton_ = button("Remove", this);
    scanButton_ = button("Scan", this);
    top->addWidget(addButton_);
    top->addWidget(removeButton_);
    top->addWidget(scanButton_);
    top->addSpacing(12);
    startButton_ = button("Start", this);
    recordButton_ = button("Record...", this);
    openButton_ = button("Open CSV...", this);
    exportButton_ = button("Export...", this);
    quitButton_ = button("Quit", this);
    for (QPushButton* b : {startButton_, recordButton_, openButton_, exportButton_}) top->addWidget(b);
    top->addStretch(1);
    top->addWidget(quitButton_);

    auto* view = new QHBoxLayout;
    view->addWidget(new QLabel(QStringLiteral("window:"), this));
    windowBox_ = new QComboBox(this);
    for (const char* name : kWindowNames) windowBox_->addItem(QString::fromUtf8(name));
    view->addWidget(windowBox_);
    relativeBox_ = new QCheckBox(QStringLiteral("relative"), this);
    pauseBox_ = new QCheckBox(QStringLiteral("pause"), this);
    fixedAxisBox_ = new QCheckBox(QStringLiteral("fixed axis from"), this);
    axisFrom_ = new QDoubleSpinBox(this);
    axisTo_ = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* s : {axisFrom_, axisTo_}) {
        s->setRange(-1000.0, 1000.0);
        s->setDecimals(2);
        s->setSuffix(QStringLiteral("°"));
    }
    axisFrom_->setValue(0.0);
    axisTo_->setValue(360.0);
    resetZoomButton_ = button("Reset zoom", this);
    view->addWidget(relativeBox_);
    view->addWidget(pauseBox_);
    view->addSpacing(12);
    view->addWidget(fixedAxisBox_);
    view->addWidget(axisFrom_);
    view->addWidget(new QLabel(QStringLiteral("to"), this));
    view->addWidget(axisTo_);
    view->addWidget(resetZoomButton_);
    view->addSpacing(12);
    sourceLabel_ = new QLabel(this);
    view->addWidget(sourceLabel_, 1);

    plot_ = new CMonitorPlot(this);
    plot_->setMinimumHeight(250);
    table_ = new QTableWidget(this);
    const std::vector<std::string> headers = monitor::StatisticsHeaders();
    table_->setColumnCount(static_cast<int>(headers.size()));
    QStringList labels;
    for (const std::string& h : headers) labels << qtext(h);
    table_->setHorizontalHeaderLabels(labels);
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->setDefaultSectionSize(20);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(plot_);
    splitter->addWidget(table_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({560, 200});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(view);
    layout->addWidget(splitter, 1);

    const int windowIndex = static_cast<int>(std::find(std::begin(monitor::kWindowChoices),
                                                       std::end(monitor::kWindowChoices), settings_.windowSeconds) -
                                             std::begin(monitor::kWindowChoices));
    windowBox_->setCurrentIndex(std::min(windowIndex, 4));
    relativeBox_->setChecked(settings_.relative);

    connect(portBox_, &QComboBox::activated, this, [this](int i) { controller_.OnPortChosen(i); });
    connect(addButton_, &QPushButton::clicked, this, &CMonitorDlg::addTyped);
    connect(addressEdit_, &QLineEdit::returnPressed, this, &CMonitorDlg::addTyped);
    connect(removeButton_, &QPushButton::clicked, this, &CMonitorDlg::removeSelected);
    connect(scanButton_, &QPushButton::clicked, this, [this] { controller_.ScanBus(); });
    connect(startButton_, &QPushButton::clicked, this, [this] { controller_.StartStop(); });
    connect(recordButton_, &QPushButton::clicked, this, &CMonitorDlg::record);
    connect(openButton_, &QPushButton::clicked, this, &CMonitorDlg::openCsv);
    connect(exportButton_, &QPushButton::clicked, this, &CMonitorDlg::exportPlot);
    connect(quitButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(windowBox_, &QComboBox::activated, this, [this](int i) {
        controller_.SetWindow(monitor::kWindowChoices[std::clamp(i, 0, 4)]);
        plot_->resetZoom();
        requestRedraw();
    });
    connect(relativeBox_, &QCheckBox::toggled, this, [this](bool on) {
        controller_.SetRelative(on);
        requestRedraw();
    });
    connect(pauseBox_, &QCheckBox::toggled, this, [this](bool on) {
        controller_.SetPaused(on);
        requestRedraw();
    });
    connect(fixedAxisBox_, &QCheckBox::toggled, this, &CMonitorDlg::axisChanged);
    connect(axisFrom_, &QDoubleSpinBox::valueChanged, this, &CMonitorDlg::axisChanged);
    connect(axisTo_, &QDoubleSpinBox::valueChanged, this, &CMonitorDlg::axisChanged);
    connect(resetZoomButton_, &QPushButton::clicked, plot_, &CMonitorPlot::resetZoom);
    connect(plot_, &CMonitorPlot::viewChangedByUser, this, &CMonitorDlg::requestRedraw);
}

void CMonitorDlg::addTyped() {
    if (controller_.AddSensors(addressEdit_->text().toStdString())) addressEdit_->clear();
}

void CMonitorDlg::removeSelected() {
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.insert(index.row());
    std::vector<int> addresses;
    for (int row : rows)
        if (row < int(shownSensors_.size())) addresses.push_back(shownSensors_[size_t(row)]);
    for (int a : addresses) controller_.RemoveSensor(a);
}

void CMonitorDlg::record() {
    if (controller_.recording()) {
        controller_.StopRecording();
        return;
    }
    const QString path = chooseSaveFile(QStringLiteral("Record to a CSV"), QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty()) controller_.StartRecording(path.toStdString());
}

void CMonitorDlg::openCsv() {
    const QString path = chooseOpenFile(QStringLiteral("Open a CSV of kv275 read --csv"),
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty()) return;
    if (controller_.OpenCsv(path.toStdString())) {
        plot_->resetZoom();
        requestRedraw();
    }
}

void CMonitorDlg::exportPlot() {
    const QString path =
        chooseSaveFile(QStringLiteral("Export the plot"), QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"));
    if (path.isEmpty()) return;
    std::string error;
    if (!plot_->exportImage(path, error))
        platform::MessageBox(this, "The plot was not exported: " + error, "File Error", platform::MsgIcon::Error);
}

void CMonitorDlg::axisChanged() {
    if (fixedAxisBox_->isChecked() && axisFrom_->value() < axisTo_->value())
        plot_->setFixedAxis(std::make_pair(axisFrom_->value(), axisTo_->value()));
    else
        plot_->setFixedAxis(std::nullopt);
    requestRedraw();
}

void CMonitorDlg::requestRedraw() {
    viewDirty_ = true;
    if (!refreshTimer_.isActive() || refreshTimer_.remainingTime() > kMinRefreshMs / 5) refreshTick();
}

void CMonitorDlg::refreshTick() {
    // New readings move nothing in a paused or zoomed view.
    const bool readings = readingsDirty_ && !controller_.store().paused() && !plot_->zoomed();
    if (!viewDirty_ && !readings) {
        sourceLabel_->setText(qtext(sourceText_));
        return;
    }
    const double ms = redraw();
    refreshTimer_.start(std::max(kMinRefreshMs, static_cast<int>(ms * kRefreshShare)));
}

double CMonitorDlg::redraw() {
    QElapsedTimer clock;
    clock.start();
    readingsDirty_ = false;
    viewDirty_ = false;
    plot_->refresh(controller_);
    const std::vector<int>& sensors = shownSensors_;
    table_->setRowCount(static_cast<int>(sensors.size()));
    for (size_t row = 0; row < sensors.size(); ++row) {
        const std::vector<std::string> cells =
            monitor::StatisticsRow(sensors[row], controller_.store().statistics(sensors[row]));
        for (size_t col = 0; col < cells.size(); ++col) {
            QTableWidgetItem* item = table_->item(int(row), int(col));
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(col == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
                table_->setItem(int(row), int(col), item);
            }
            item->setText(qtext(cells[col]));
            if (col == 0) {
                item->setForeground(CMonitorPlot::colourOf(int(row)));
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
        }
    }
    sourceLabel_->setText(qtext(sourceText_));
    return clock.nsecsElapsed() / 1e6;
}

void CMonitorDlg::showAbout() {
    platform::CAboutDlg about(icon_, aboutBox(), this);
    about.exec();
}

void CMonitorDlg::done(int result) {
    if (!ended_) {
        ended_ = true;
        controller_.OnClose();
        tickTimer_.stop();
        refreshTimer_.stop();
    }
    QDialog::done(result);
}

void CMonitorDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(aboutAction_);
    menu.exec(event->globalPos());
}

// ---- MonitorView

int CMonitorDlg::portSelection() const { return portBox_->currentIndex(); }

void CMonitorDlg::selectPort(int index) {
    const QSignalBlocker quiet(portBox_);
    portBox_->setCurrentIndex(index >= 0 && index < portBox_->count() ? index : -1);
}

void CMonitorDlg::showSensors(const std::vector<int>& addresses) {
    shownSensors_ = addresses;
    plot_->setSensors(addresses);
    table_->clearContents();
    table_->setRowCount(0);
    viewDirty_ = true;
}

void CMonitorDlg::setStartCaption(const std::string& text) { startButton_->setText(qtext(text)); }

void CMonitorDlg::setRecordCaption(const std::string& text) { recordButton_->setText(qtext(text)); }

void CMonitorDlg::setScanCaption(const std::string& text) { scanButton_->setText(qtext(text)); }

void CMonitorDlg::repaintScanButton() { scanButton_->repaint(); }

void CMonitorDlg::setIdleControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{portBox_, addressEdit_, addButton_, removeButton_, scanButton_,
                                                      openButton_})
        w->setEnabled(enabled);
}

int CMonitorDlg::startWindowTimer(int id, int intervalMs) {
    tickTimer_.start(intervalMs);
    return id;
}

void CMonitorDlg::stopWindowTimer(int id) {
    if (id == CMonitorController::kTimerId) tickTimer_.stop();
}
