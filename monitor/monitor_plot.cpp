#include "monitor/monitor_plot.h"

#include "monitor/monitor_controller.h"
#include "monitor/plot_envelope.h"

#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace {

// Twelve colours told apart at a glance; beyond them the hue turns on.
const QColor kColours[] = {{31, 119, 180}, {214, 39, 40},  {44, 160, 44},  {255, 127, 14},
                           {148, 103, 189}, {23, 190, 207}, {140, 86, 75},  {227, 119, 194},
                           {127, 127, 127}, {188, 189, 34}, {0, 0, 128},    {128, 0, 0}};
constexpr int kLegendRowPixels = 17;
// Lines drawn with smoothed edges up to this many points in all; beyond it
// the plain ones keep a redraw within a frame.
constexpr int kSmoothLinePoints = 60000;
constexpr double kDay = 86400.0;
constexpr int kPixelsPerColumn = 2;

}  // namespace

CMonitorPlot::CMonitorPlot(QWidget* parent) : QCustomPlot(parent) {
    setInteraction(QCP::iRangeZoom, true);
    setSelectionRectMode(QCP::srmZoom);
    axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);

    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    xAxis->setTicker(ticker);
    xAxis->setLabel(QStringLiteral("time"));
    // Solid grid lines: a dotted pen costs more to draw than all the lines' points.
    for (QCPAxis* axis : {xAxis, yAxis}) axis->grid()->setPen(QPen(QColor(225, 225, 225), 0));
    yAxis->setLabel(QStringLiteral("angle (°)"));

    // The legend beside the plot, in as many columns as its entries need.
    legend->setVisible(true);
    axisRect()->insetLayout()->take(legend);
    auto* side = new QCPLayoutGrid;
    plotLayout()->addElement(0, 1, side);
    plotLayout()->setColumnStretchFactor(1, 0.001);
    side->addElement(0, 0, legend);
    // Below the legend, room that takes the height it does not need.
    side->addElement(1, 0, new QCPLayoutElement(this));
    side->setRowStretchFactor(0, 0.001);
    side->setRowStretchFactor(1, 1);
    side->setMargins(QMargins(0, 8, 8, 0));
    legend->setFillOrder(QCPLayoutGrid::foRowsFirst);
    legend->setSelectableParts(QCPLegend::spNone);
    legend->setIconSize(18, 10);

    connect(this, &QCustomPlot::legendClick, this, &CMonitorPlot::legendClicked);
    connect(this, &QCustomPlot::mouseDoubleClick, this, [this] { resetZoom(); });
    auto userMoved = [this] {
        if (settingRanges_) return;
        zoomed_ = true;
        emit viewChangedByUser();
    };
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, userMoved);
    connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, userMoved);
}

QColor CMonitorPlot::colourOf(int position) {
    const int n = static_cast<int>(std::size(kColours));
    if (position < n) return kColours[position];
    return QColor::fromHsv((position * 47) % 360, 200, 190);
}

void CMonitorPlot::setSensors(const std::vector<int>& addresses) {
    addresses_ = addresses;
    std::set<int> stillThere;
    for (int a : addresses)
        if (hidden_.count(a)) stillThere.insert(a);
    hidden_ = stillThere;
    clearGraphs();
    for (size_t i = 0; i < addresses.size(); ++i) {
        QCPGraph* g = addGraph();
        g->setName(QString::number(addresses[i]));
        g->setPen(QPen(colourOf(static_cast<int>(i)), 1.0));
        g->setLineStyle(QCPGraph::lsLine);
        setLineHidden(addresses[i], hidden_.count(addresses[i]) > 0);
    }
    fitLegend();
}

void CMonitorPlot::setLineHidden(int address, bool hidden) {
    const auto it = std::find(addresses_.begin(), addresses_.end(), address);
    if (it == addresses_.end()) return;
    const int i = static_cast<int>(it - addresses_.begin());
    if (hidden) hidden_.insert(address);
    else hidden_.erase(address);
    graph(i)->setVisible(!hidden);
    if (QCPPlottableLegendItem* item = legend->itemWithPlottable(graph(i)))
        item->setTextColor(hidden ? QColor(170, 170, 170) : QColor(Qt::black));
}

void CMonitorPlot::legendClicked(QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent*) {
    auto* entry = qobject_cast<QCPPlottableLegendItem*>(item);
    if (!entry) return;
    for (size_t i = 0; i < addresses_.size(); ++i) {
        if (graph(static_cast<int>(i)) != entry->plottable()) continue;
        setLineHidden(addresses_[i], !lineHidden(addresses_[i]));
        emit viewChangedByUser();
        return;
    }
}

void CMonitorPlot::fitLegend() {
    const int rows = std::max(1, (height() - 40) / kLegendRowPixels);
    legend->setWrap(rows);
}

void CMonitorPlot::setFixedAxis(std::optional<std::pair<double, double>> range) { fixedAxis_ = range; }

void CMonitorPlot::resetZoom() {
    const bool was = zoomed_;
    zoomed_ = false;
    if (was) emit viewChangedByUser();
}

void CMonitorPlot::refresh(const CMonitorController& controller) {
    if (legend->wrap() != std::max(1, (height() - 40) / kLegendRowPixels)) fitLegend();
    const monitor::ReadingStore& store = controller.store();
    const std::optional<monitor::Span> span = store.span();
    double from = span ? span->from : 0.0;
    double to = span ? span->to : 1.0;
    if (zoomed_) {
        from = xAxis->range().lower;
        to = xAxis->range().upper;
    }
    // A column's smallest and largest angle every two pixels: spikes keep
    // their height, and a full hour of 78 lines draws within a frame.
    const int columns = std::max(1, axisRect()->width() / kPixelsPerColumn);

    std::vector<monitor::Envelope> lines(addresses_.size());
    size_t points = 0;
    double low = INFINITY, high = -INFINITY;
    for (size_t i = 0; i < addresses_.size(); ++i) {
        const int a = addresses_[i];
        const monitor::SensorHistory* h = store.find(a);
        if (!h || lineHidden(a) || !span) continue;
        lines[i] = monitor::EnvelopeOf(*h, from, to, columns, controller.zeroOf(a));
        points += lines[i].times.size();
        for (size_t k = 0; k < lines[i].times.size(); ++k) {
            const double t = lines[i].times[k];
            const double v = lines[i].angles[k];
            if (std::isnan(v) || t < from || t > to) continue;
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    const bool smooth = points <= kSmoothLinePoints;
    for (size_t i = 0; i < addresses_.size(); ++i) {
        QVector<QCPGraphData> data;
        data.reserve(static_cast<qsizetype>(lines[i].times.size()));
        for (size_t k = 0; k < lines[i].times.size(); ++k) data.append({lines[i].times[k], lines[i].angles[k]});
        QCPGraph* g = graph(static_cast<int>(i));
        g->data()->set(data, true);
        g->setAntialiased(smooth);
    }
    setNotAntialiasedElements(smooth ? QCP::aeNone : QCP::aeAll);

    settingRanges_ = true;
    if (!zoomed_) {
        xAxis->setRange(from, to);
        if (fixedAxis_) {
            yAxis->setRange(fixedAxis_->first, fixedAxis_->second);
        } else if (low <= high) {
            // A flat line still gets a readable axis around it.
            const double margin = std::max((high - low) * 0.05, 0.05);
            yAxis->setRange(low - margin, high + margin);
        }
    }
    settingRanges_ = false;
    auto ticker = qSharedPointerDynamicCast<QCPAxisTickerDateTime>(xAxis->ticker());
    if (ticker)
        ticker->setDateTimeFormat(to - from > kDay ? QStringLiteral("dd.MM. hh:mm") : QStringLiteral("hh:mm:ss"));
    yAxis->setLabel(controller.settings().relative ? QStringLiteral("change since the first reading (°)")
                                                   : QStringLiteral("angle (°)"));
    replot();
}

bool CMonitorPlot::exportImage(const QString& path, std::string& error) {
    const int w = width();
    const int h = height();
    bool saved = false;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(QSize(w, h));
        svg.setViewBox(QRect(0, 0, w, h));
        svg.setTitle(QStringLiteral("KV275 Monitor"));
        QCPPainter painter;
        saved = painter.begin(&svg);
        if (saved) {
            toPainter(&painter, w, h);
            saved = painter.end();
        }
        // The generator says nothing of a file it could not write.
        saved = saved && QFileInfo(path).size() > 0;
    } else if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        saved = savePng(path, w, h);
    } else {
        error = "choose a name ending in .png or .svg";
        return false;
    }
    if (!saved) error = "could not write " + path.toStdString();
    return saved;
}
