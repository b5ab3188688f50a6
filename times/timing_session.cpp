#include "times/timing_session.h"

namespace {

// 9600 8N1; a read ends 100 ms after a byte, or 200 ms after it began.
constexpr ComParameters kScanLineSettings{9600, 8, 0, 0, 100, 0, 200, 0, 0};

constexpr int32_t kProbeAttempts = 2;

}  // namespace

CTimingSession::CTimingSession(SessionSettings& settings)
    : CSensorSession(settings), scanParameters(kScanLineSettings) {}

void CTimingSession::OpenForScan(uint8_t mode) {
    skipDeviceCheck = mode;
    // Only an open port can be the run's: a port refused as in use was not.
    reopenAfterScan_ = IsOpen();
    openLine(scanParameters);
}

void CTimingSession::CloseAfterLostScan() {
    if (!IsOpen()) return;
    ShowComError(Close());
    if (bool* mark = settings().currentPortMark()) *mark = false;
}

void CTimingSession::CloseAfterScan() {
    CloseAfterLostScan();
    if (reopenAfterScan_) OpenSession(skipDeviceCheck);
}

bool CTimingSession::ProbeAddress(int index) {
    return QueryQuietly(static_cast<uint16_t>(index), kProbeAttempts) != -1.0;
}
