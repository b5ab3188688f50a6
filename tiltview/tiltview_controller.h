#pragma once
// Tiltview's dialog logic: the port and address choice, starting and
// stopping the poll, and one poll per timer tick. It owns the port link and
// the poll state and talks to its window only through TiltviewView.

#include "tiltview/port_link.h"
#include "tiltview/tiltview_view.h"

#include <cstdint>

class CTiltviewController {
public:
    static constexpr int kTimerId = 101;
    static constexpr int kTimerInterval = 10;  // ms

    explicit CTiltviewController(TiltviewView& view);
    CTiltviewController(const CTiltviewController&) = delete;
    CTiltviewController& operator=(const CTiltviewController&) = delete;

    // The dialog is up with the port read from the settings file: the boxes
    // get their selections, the angle starts at 0.
    void OnInitDialog(int8_t portNumber);

    // "Start": port and address from the boxes, the port (re)opened and
    // configured, the timer started unless it runs already.
    void StartPolling();
    // "Stop": timer off, port closed, boxes enabled.
    void StopPolling();
    // One tick: one poll, the angle kept or replaced, the dial redrawn. A
    // device that is gone ends polling with one box.
    void OnTimer();

    // The user chose an entry of the port box.
    void OnPortChosen(int index);
    // Something was typed into the port box: its entry comes back.
    void OnPortTyped();
    // The address box lost the focus to another control: its text snaps to
    // the entry of the address typed.
    void OnAddressFocusLost();

    int8_t portNumber() const { return portNumber_; }
    int8_t addressIndex() const { return addressIndex_; }
    uint32_t timerId() const { return timerId_; }
    CPortLink& port() { return port_; }

private:
    void selectTypedAddress();

    TiltviewView& view_;
    double currentAngle_ = 0.0;
    uint32_t timerId_ = 0;
    CPortLink port_;
    int8_t portNumber_ = 0;
    int8_t addressIndex_ = 0;
};
