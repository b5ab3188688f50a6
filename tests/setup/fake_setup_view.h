#pragma once
// A window stand-in for the setup dialog's logic: lists answer their
// selection, fields their text; captions are kept in the order shown, into
// the fake line's log, so that captions and traffic can be checked in order.

#include "setup/setup_view.h"

#include <string>
#include <vector>

class FakeSetupView : public SetupView {
public:
    explicit FakeSetupView(std::vector<std::string>& log) : log_(log) {}

    int port = -1, filter = -1, order = -1;
    std::string currentAddress, cutoff, newAddress, delay;
    std::string readCaption = "-> read variables";
    std::string writeCaption = "<- write variables";
    QWidget* owner = reinterpret_cast<QWidget*>(0x1);  // only compared, never used

    int portSelection() const override { return port; }
    void setPortSelection(int entry) override { port = entry; }
    int filterSelection() const override { return filter; }
    void setFilterSelection(int entry) override { filter = entry; }
    int orderSelection() const override { return order; }
    void setOrderSelection(int entry) override { order = entry; }
    std::string currentAddressText() const override { return currentAddress; }
    void setCurrentAddressText(const std::string& text) override { currentAddress = text; }
    std::string cutoffText() const override { return cutoff; }
    void setCutoffText(const std::string& text) override { cutoff = text; }
    std::string newAddressText() const override { return newAddress; }
    void setNewAddressText(const std::string& text) override { newAddress = text; }
    std::string delayText() const override { return delay; }
    void setDelayText(const std::string& text) override { delay = text; }
    void setReadCaption(const std::string& text) override {
        readCaption = text;
        log_.push_back("read caption '" + text + "'");
    }
    void setWriteCaption(const std::string& text) override {
        writeCaption = text;
        log_.push_back("write caption '" + text + "'");
    }
    QWidget* boxOwner() override { return owner; }

private:
    std::vector<std::string>& log_;
};
