#pragma once
// A window stand-in for Tiltview's logic: keeps what the logic shows and logs
// the calls whose order matters.

#include "tiltview/tiltview_view.h"

#include <string>
#include <vector>

class FakeTiltviewView : public TiltviewView {
public:
    int portIndex = -1;  // the port box's selection
    std::string address = "177 (hB1) #00";
    int addressIndex = 0;
    bool portEnabled = true;
    bool addressEnabled = true;
    std::string angleText;
    double dialAngle = -1.0;
    int dialRedraws = 0;
    int timerStarts = 0;
    bool timerFails = false;
    std::vector<std::string> log;
    QWidget* owner = reinterpret_cast<QWidget*>(0x1);  // only compared, never used

    int portSelection() const override { return portIndex; }
    void selectPort(int index) override { portIndex = index >= 0 && index < 4 ? index : -1; }
    std::string addressText() const override { return address; }
    void selectAddress(int index) override {
        addressIndex = index;
        address = std::to_string(177 + index) + " (entry)";  // what the list entry starts with
    }
    void setPortBoxEnabled(bool on) override { log.push_back((portEnabled = on) ? "port box on" : "port box off"); }
    void setAddressBoxEnabled(bool on) override {
        log.push_back((addressEnabled = on) ? "address box on" : "address box off");
    }
    void setAngleText(const std::string& text) override { angleText = text; }
    void redrawDial(double angle) override {
        dialAngle = angle;
        ++dialRedraws;
    }
    int startWindowTimer(int id, int intervalMs) override {
        log.push_back("start timer " + std::to_string(id) + " " + std::to_string(intervalMs));
        return timerFails ? 0 : (++timerStarts, id);
    }
    void stopWindowTimer(int id) override { log.push_back("stop timer " + std::to_string(id)); }
    QWidget* boxOwner() override { return owner; }
};
