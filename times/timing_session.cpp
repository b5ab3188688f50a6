#include "times/timing_session.h"

#include "platform/message_box.h"

namespace {

// 9600 8N1; a read ends 100 ms after a byte, or 200 ms after it began.
constexpr ComParameters kScanLineSettings{9600, 8, 0, 0, 100, 0, 200, 0, 0};

constexpr int32_t kProbeAttempts = 2;

}  // namespace

CTimingSession::CTimingSession(SessionSettings& settings)
    : CSensorSession(settings), scanParameters(kScanLineSettings) {}

void CTimingSession::OpenForScan(uint8_t mode) {
    skipDeviceCheck = mode;
    bool* mark = settings().currentPortMark();
    if (mark && *mark && !IsOpen()) {
        platform::MessageBox(nullptr, "Das dem KV275 zugewiesene COM Port wird bereits benutzt.", "COM Error",
                             platform::MsgIcon::Error, platform::MsgButtons::Ok);
        return;
    }
    if (IsOpen()) {
        reopenAfterScan_ = 1;
        ShowComError(Close());
        // Released: should the scan's own open fail, the mark would otherwise
        // refuse every later open of this port as "already in use".
        if (!IsOpen() && mark) *mark = false;
    } else {
        reopenAfterScan_ = 0;
    }
    directionControl = true;
    // A port whose close just failed is still ours: opening it a second time
    // would orphan the open device, as in the session's own open.
    if (!IsOpen()) ShowComError(Open(settings().ISPort));
    ShowComError(SetComParameters(scanParameters));
    if (!IsOpen()) {
        platform::MessageBox(nullptr, "COM Schnittstelle konnte nicht geöffnet werden.", "COM Error",
                             platform::MsgIcon::Error, platform::MsgButtons::Ok);
    } else if (mark) {
        *mark = true;
    }
    openedByScan_ = 1;
}

void CTimingSession::CloseAfterLostScan() {
    if (openedByScan_ && IsOpen()) {
        ShowComError(Close());
        if (bool* mark = settings().currentPortMark()) *mark = false;
    }
}

void CTimingSession::CloseAfterScan() {
    CloseAfterLostScan();
    if (reopenAfterScan_) OpenSession(skipDeviceCheck);
}

bool CTimingSession::ProbeAddress(int index) {
    if (probeBusy_) return false;
    probeBusy_ = 1;
    const int32_t savedAttempts = attempts;
    const uint8_t savedLanguage = messageLanguage;
    attempts = kProbeAttempts;
    messageLanguage = 0;
    const double v = GetKV275degrees(static_cast<uint16_t>(index));
    attempts = savedAttempts;
    messageLanguage = savedLanguage;
    probeBusy_ = 0;
    return v != -1.0;
}
