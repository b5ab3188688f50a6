#include "sensorlink/sensor_session.h"

#include "platform/message_box.h"
#include "platform/tick_counter.h"
#include "sensorlink/angle_reply.h"

#include <cerrno>

namespace {

constexpr char ENQ = 0x05;
constexpr char NAK = 0x15;
constexpr uint32_t kAnswerWaitMs = 15;  // the sensor needs this long before it answers
constexpr int kBroadcastAddress = 177;  // index 0; 1..78 are the single sensors 178..255

void errorBox(const char* text, const char* title) {
    platform::MessageBox(nullptr, text, title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

}  // namespace

CSensorSession::CSensorSession(SessionSettings& settings) : settings_(settings) {}

CSensorSession::~CSensorSession() {
    if (IsOpen()) CloseSession();
}

bool CSensorSession::OpenSession(int32_t mode) {
    if (mode != -1) skipDeviceCheck = static_cast<uint8_t>(mode);

    bool* mark = settings_.currentPortMark();
    if (mark && *mark && !IsOpen()) {
        errorBox("Das dem KV275 zugewiesene COM Port wird bereits benutzt.", "COM Error");
        return false;
    }

    directionControl = true;
    if (IsOpen()) ShowComError(Close());
    // A port whose close failed is still ours and still usable; opening it
    // again would orphan the open device and keep the port taken until exit.
    if (!IsOpen()) ShowComError(Open(settings_.ISPort));
    ShowComError(SetComParameters(settings_.comParameters));
    if (!IsOpen()) {
        errorBox("COM Schnittstelle konnte nicht geöffnet werden.", "COM Error");
        return false;
    }
    if (mark) *mark = true;

    if (mode == -1 || skipDeviceCheck != 0) return true;

    attempts = 1;
    const double angle = GetKV275degrees(static_cast<uint16_t>(settings_.ISAddress));
    attempts = 3;
    if (angle != -1.0) return true;

    errorBox("Das Gerät funktioniert nicht wie erwartet.\nÜberprüfen Sie bitte das Gerät und die Verbindung.",
             "Device/COM Error");
    ShowComError(Close());
    if (!IsOpen()) {
        if (mark) *mark = false;
        return false;
    }
    errorBox("Und die COM Schnittstelle konnte nicht geschlossen werden.", "COM Error");
    return false;
}

void CSensorSession::CloseSession() {
    if (IsOpen()) ShowComError(Close());
    if (IsOpen()) {
        errorBox("COM Schnittstelle konnte nicht geschlossen werden.", "COM Error");
        return;
    }
    // The mark of the port that is current now; a number outside 1 to 4 has none.
    if (bool* mark = settings_.currentPortMark()) *mark = false;
}

double CSensorSession::GetKV275degrees(uint16_t index) {
    ++queryCount;
    lastReadTime = 0;
    lastNakCount = 0;
    lostCode_ = 0;

    const char address[2] = {static_cast<char>(static_cast<unsigned char>(index + kBroadcastAddress)), 0};
    const char enq[2] = {ENQ, 0};
    const char nak[2] = {NAK, 0};

    // The codes of Write and Read do not change the course of the query: a
    // failed exchange shows up as a bad reply, and the failure box tells the
    // user. Only a device that is gone is noted, for the callers to stop.
    for (int32_t left = attempts, k = 0; left > 0; ++k) {
        if (k == 0) {
            PurgeComm();
            noteFailure(Write(address));
            noteFailure(Write(enq));
            FlushFileBuffers();
        }
        platform::waitTicks(kAnswerWaitMs);

        ++readAttemptCount;
        char reply[anglereply::kBufferSize];
        // Summed over the attempts: now - (now - sum) at the end of each read.
        lastReadTime = static_cast<int32_t>(platform::GetTickCount() - static_cast<uint32_t>(lastReadTime));
        noteFailure(Read(reply, anglereply::kLength));
        lastReadTime = static_cast<int32_t>(platform::GetTickCount() - static_cast<uint32_t>(lastReadTime));

        if (!anglereply::IsBad(reply)) return anglereply::Decode(reply + 1);

        // Ask the sensor to send its reply again; the next read takes
        // whatever comes after the NAK.
        --left;
        ++nakCount;
        ++lastNakCount;
        platform::waitTicks(kAnswerWaitMs);
        noteFailure(Write(nak));
        FlushFileBuffers();
    }

    ++failedQueryCount;
    if (messageLanguage == 1)
        errorBox("GetKV275degrees: Es wurden keine Daten empfangen.", "COM Error");
    else if (messageLanguage == 2)
        errorBox("GetKV275degrees: no data received", "COM Error");
    return -1.0;
}

void CSensorSession::noteFailure(uint32_t code) {
    if (code != EIO || lostCode_ != 0) return;
    lostCode_ = code;
    lostOperation_ = ComErrorOperation;
}

void CSensorSession::ShowDeviceLost() {
    if (lostCode_ == 0) return;
    ComErrorOperation = lostOperation_;
    ShowComError(lostCode_);
}
