#pragma once
// What Tiltview's logic needs from its dialog. The dialog implements it;
// tests use a recording fake.

#include <string>

class QWidget;

class TiltviewView {
public:
    virtual ~TiltviewView() = default;

    // The port box: its selected entry (-1 for none), and a new selection
    // whose text the edit field shows (-1, or an entry the box does not have,
    // selects nothing and empties the field).
    virtual int portSelection() const = 0;
    virtual void selectPort(int index) = 0;
    // The address box: what its edit field holds, and a new selection.
    virtual std::string addressText() const = 0;
    virtual void selectAddress(int index) = 0;
    virtual void setPortBoxEnabled(bool enabled) = 0;
    virtual void setAddressBoxEnabled(bool enabled) = 0;

    // The large text field (UTF-8) and the dial.
    virtual void setAngleText(const std::string& text) = 0;
    virtual void redrawDial(double angle) = 0;

    // Starts the polling timer; its identifier, 0 when it could not start.
    virtual int startWindowTimer(int id, int intervalMs) = 0;
    virtual void stopWindowTimer(int id) = 0;

    // The window that owns the dialog's own message boxes.
    virtual QWidget* boxOwner() = 0;
};
