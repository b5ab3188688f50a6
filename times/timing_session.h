#pragma once
// The timing program's session: the shared sensor session plus the bus scan's
// own operations. A scan opens the port with settings of its own (a shorter
// read time-out, no device check), asks every address twice at most, and
// afterwards opens the run's port again if a run had it open.

#include "sensorlink/com_parameters.h"
#include "sensorlink/sensor_session.h"

#include <cstdint>

class CTimingSession : public CSensorSession {
public:
    explicit CTimingSession(SessionSettings& settings);

    // Closes a port the run holds (remembering to reopen it), opens the
    // current port with the scan's line settings and marks it in use. The
    // caller looks at IsOpen() afterwards; the failure has been shown.
    void OpenForScan(uint8_t mode);
    // Closes the scan's port and, when a run had the port open before the
    // scan, opens it again with the run's settings and the device check.
    void CloseAfterScan();
    // Like CloseAfterScan, but never reopens: for a scan whose device is gone.
    void CloseAfterLostScan();
    // True when the sensor at 177 + index answers within two attempts.
    // Shows nothing.
    bool ProbeAddress(int index);

    // 9600 8N1; 100 ms between bytes, 200 ms for the whole reply.
    const ComParameters scanParameters;

private:
    bool reopenAfterScan_ = false;
};
