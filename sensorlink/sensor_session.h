#pragma once
// The program's one connection to the sensor bus and its angle query.

#include "sensorlink/ccom.h"
#include "sensorlink/session_settings.h"

#include <cstdint>
#include <string>

class CSensorSession : public CCom {
public:
    explicit CSensorSession(SessionSettings& settings);
    ~CSensorSession();  // an open session is closed with CloseSession

    // mode -1: open without the device check, skipDeviceCheck unchanged;
    // otherwise store the mode's low byte in skipDeviceCheck, open, and check
    // the device with one query unless it is non-zero.
    bool OpenSession(int32_t mode);
    void CloseSession();
    // The angle in degrees from the sensor at address 177 + index, or -1.0.
    double GetKV275degrees(uint16_t index);

    SessionSettings& settings() { return settings_; }

    // True when the device went away (unplugged adapter, closed simulator)
    // during the last angle query. Waiting for more answers is then
    // pointless, and a silent failure would read as "no sensor".
    bool DeviceLost() const { return lostCode_ != 0; }
    // Shows that failure once, as ShowComError shows a failed operation:
    // "CCom.Read:Input/output error". Does nothing when no device was lost.
    void ShowDeviceLost();

    int32_t attempts = 3;
    uint8_t messageLanguage = 1;  // 0 no failure box, 1 German, 2 English
    int32_t readAttemptCount = 0;
    int32_t queryCount = 0;
    int32_t nakCount = 0;
    int32_t failedQueryCount = 0;
    int32_t lastReadTime = 0;
    int32_t lastNakCount = 0;
    uint8_t skipDeviceCheck = 0;

private:
    // Keeps the first device-gone failure of a query.
    void noteFailure(uint32_t code);

    SessionSettings& settings_;
    uint32_t lostCode_ = 0;
    std::string lostOperation_;
};
