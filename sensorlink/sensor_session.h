#pragma once
// The program's one connection to the sensor bus and its angle query.

#include "sensorlink/ccom.h"
#include "sensorlink/session_settings.h"

#include <cstdint>

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
    SessionSettings& settings_;
};
