#pragma once
// The program's one connection to the sensor bus: the angle query and the
// transfer of sensor variables.

#include "sensorlink/ccom.h"
#include "sensorlink/session_profile.h"
#include "sensorlink/session_settings.h"
#include "sensorlink/variable_frames.h"

#include <cstdint>
#include <string>

class CSensorSession : public CCom {
public:
    explicit CSensorSession(SessionSettings& settings, SessionForm form = SessionForm::Scanner);
    ~CSensorSession();  // an open session is closed with CloseSession

    // Scanner form: mode -1 opens without the device check, skipDeviceCheck
    // unchanged; otherwise the mode's low byte goes to skipDeviceCheck, and
    // the device is checked with one query unless it is non-zero.
    // Setup form: the low byte is stored every time (-1 too).
    bool OpenSession(int32_t mode);
    void CloseSession();
    // The angle in degrees from the sensor at address 177 + index, or -1.0.
    double GetKV275degrees(uint16_t index);

    // All 256 variables of the sensor at 177 + index in one exchange. On
    // failure shows its box and leaves the table as it was.
    bool ReadVariables(uint16_t index, VariableTable& table);
    // Stores one variable in the sensor at 177 + index (0: every sensor);
    // true once acknowledged, false after three attempts and the box.
    bool WriteVariable(uint16_t index, int32_t number, int32_t value);

    // The angle from the sensor at 177 + index in the given number of
    // attempts, with no failure box (the setup form's query, of one attempt
    // and always told, takes neither);
    // attempts and messageLanguage are the caller's again afterwards.
    double QueryQuietly(uint16_t index, int32_t queryAttempts);

    SessionSettings& settings() { return settings_; }

    // True when the device went away (unplugged adapter, closed simulator)
    // during the last angle query, variable read or variable write. Waiting
    // for more answers is then pointless, and a silent failure would read as
    // "no sensor".
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

protected:
    // Opens the current port with the given line settings and marks it in
    // use: refuses a port another session has marked, closes and reopens a
    // port this session holds, and shows what failed. A port whose close
    // failed stays ours and is not opened a second time.
    bool openLine(const ComParameters& parameters);

private:
    // Keeps the first device-gone failure of an exchange.
    void noteFailure(uint32_t code);

    SessionSettings& settings_;
    const SessionProfile& profile_;
    uint32_t lostCode_ = 0;
    std::string lostOperation_;
};
