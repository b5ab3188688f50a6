#pragma once
// The plot: one line per sensor, angle against time, with a legend whose
// entries hide and show their line on a click. It draws what the controller
// keeps, as envelopes at its own width, so that a day of readings costs no
// more to draw than a minute. The left mouse button drags a rectangle to zoom
// into, the wheel zooms, and resetZoom() (a double click too) goes back to
// the window the controller shows.

#include <qcustomplot.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

class CMonitorController;

class CMonitorPlot : public QCustomPlot {
    Q_OBJECT
public:
    explicit CMonitorPlot(QWidget* parent = nullptr);

    // The colour of the sensor at a position of the list.
    static QColor colourOf(int position);

    void setSensors(const std::vector<int>& addresses);
    // Redraws from the controller's readings. Nothing moves while zoomed in.
    void refresh(const CMonitorController& controller);
    // A fixed angle range (nothing: the axis fits what is shown).
    void setFixedAxis(std::optional<std::pair<double, double>> range);
    void resetZoom();
    bool zoomed() const { return zoomed_; }
    bool lineHidden(int address) const { return hidden_.count(address) > 0; }
    void setLineHidden(int address, bool hidden);

    // The plot as an image of its size on screen; false with `error` set.
    bool exportImage(const QString& path, std::string& error);

signals:
    // The user changed what is shown (zoom, a hidden line).
    void viewChangedByUser();

private:
    void legendClicked(QCPLegend* legend, QCPAbstractLegendItem* item, QMouseEvent* event);
    void fitLegend();

    std::vector<int> addresses_;
    std::set<int> hidden_;
    std::optional<std::pair<double, double>> fixedAxis_;
    bool zoomed_ = false;
    bool settingRanges_ = false;
};
