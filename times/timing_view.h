#pragma once
// What the timing dialog's logic needs from its window. The dialog
// implements it; tests use a recording fake. Cells and rows are numbered as
// the grid numbers them; the logic only calls for controls it has created.

#include <QRect>
#include <QSize>

#include <string>

class QWidget;

class TimingView {
public:
    virtual ~TimingView() = default;

    // The two labels at the start of a row: created, or removed.
    virtual void createRowLabels(int row, const QRect& first, const QRect& second) = 0;
    virtual void destroyRowLabels(int row) = 0;
    virtual void setFirstRowLabel(int row, const std::string& text) = 0;

    // A cell's value field (read-only) over its address field (editable).
    virtual void createCell(int cell, const QRect& value, const QRect& address) = 0;
    virtual void moveCell(int cell, const QRect& value, const QRect& address) = 0;
    virtual void destroyCell(int cell) = 0;
    virtual void setValueText(int cell, const std::string& text) = 0;
    virtual void setAddressText(int cell, const std::string& text) = 0;
    virtual std::string addressText(int cell) const = 0;
    // Light blue behind the address while its sensor is asked.
    virtual void setAddressHighlight(int cell, bool on) = 0;
    virtual void setAddressEnabled(int cell, bool enabled) = 0;
    // Paint at once: a sweep or a scan blocks the event loop, and a queued
    // update would only show after it.
    virtual void repaintValue(int cell) = 0;
    virtual void repaintAddress(int cell) = 0;

    // The rows and columns boxes' edit texts.
    virtual std::string rowsText() const = 0;
    virtual std::string columnsText() const = 0;
    virtual void setRowsText(const std::string& text) = 0;
    virtual void setColumnsText(const std::string& text) = 0;
    // The port, rows and columns boxes, which must not change under a run.
    virtual void setRunBoxesEnabled(bool enabled) = 0;

    virtual void setSensorsText(const std::string& text) = 0;
    virtual void setStatisticsText(const std::string& text) = 0;
    virtual void setStartCaption(const std::string& text) = 0;
    virtual void setScanCaption(const std::string& text) = 0;
    virtual void repaintScanButton() = 0;

    // The client area's size as the template made it, and a new one.
    virtual QSize initialClientSize() const = 0;
    virtual void resizeClient(const QSize& size) = 0;

    // Starts the window timer; its identifier, 0 when it could not start.
    virtual int startWindowTimer(int id, int intervalMs) = 0;
    virtual void stopWindowTimer(int id) = 0;

    // The window that owns the dialog's own message boxes.
    virtual QWidget* boxOwner() = 0;
};
