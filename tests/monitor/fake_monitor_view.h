#pragma once
// A window stand-in for the monitor's controller: keeps what it was told.

#include "monitor/monitor_view.h"

#include <string>
#include <vector>

class FakeMonitorView : public MonitorView {
public:
    int port = 0;
    std::vector<int> sensors;
    std::string startCaption, recordCaption, scanCaption, source;
    bool idleControls = true;
    bool timerRunning = false;
    int changes = 0;

    int portSelection() const override { return port; }
    void selectPort(int index) override { port = index; }
    void showSensors(const std::vector<int>& addresses) override { sensors = addresses; }
    void readingsChanged() override { ++changes; }
    void setStartCaption(const std::string& text) override { startCaption = text; }
    void setRecordCaption(const std::string& text) override { recordCaption = text; }
    void setScanCaption(const std::string& text) override { scanCaption = text; }
    void repaintScanButton() override {}
    void setIdleControlsEnabled(bool enabled) override { idleControls = enabled; }
    void setSourceText(const std::string& text) override { source = text; }
    int startWindowTimer(int id, int) override {
        timerRunning = true;
        return id;
    }
    void stopWindowTimer(int) override { timerRunning = false; }
    QWidget* boxOwner() override { return nullptr; }
};
