#pragma once
// What the monitor's logic needs from its window. The dialog implements it;
// tests use a recording fake.

#include <string>
#include <vector>

class QWidget;

class MonitorView {
public:
    virtual ~MonitorView() = default;

    // The port box's item (0 is "COM 1"), -1 when none is chosen.
    virtual int portSelection() const = 0;
    virtual void selectPort(int index) = 0;

    // The sensors, in order: one line, one legend entry and one table row each.
    virtual void showSensors(const std::vector<int>& addresses) = 0;
    // New readings, or a new window, zero or source: the plot and the table
    // are out of date (the window redraws them when it sees fit).
    virtual void readingsChanged() = 0;

    virtual void setStartCaption(const std::string& text) = 0;
    virtual void setRecordCaption(const std::string& text) = 0;
    virtual void setScanCaption(const std::string& text) = 0;
    // A scan blocks the event loop: its caption is painted at once.
    virtual void repaintScanButton() = 0;
    // The controls that must not change while the bus is polled: the port,
    // the sensor list, the scan and the opening of a file.
    virtual void setIdleControlsEnabled(bool enabled) = 0;
    // Where the data shown comes from: "COM1, 3 sensors, 1234 readings".
    virtual void setSourceText(const std::string& text) = 0;

    // Starts the window timer; its identifier, 0 when it could not start.
    virtual int startWindowTimer(int id, int intervalMs) = 0;
    virtual void stopWindowTimer(int id) = 0;

    // The window that owns the monitor's own message boxes.
    virtual QWidget* boxOwner() = 0;
};
