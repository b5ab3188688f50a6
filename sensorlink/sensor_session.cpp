#include "sensorlink/sensor_session.h"

#include "platform/message_box.h"
#include "platform/tick_counter.h"
#include "sensorlink/angle_reply.h"
#include "sensorlink/bus_address.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr char ENQ = 0x05;
constexpr char NAK = 0x15;
constexpr uint32_t kAnswerWaitMs = 15;  // the sensor needs this long before it answers

constexpr int kWriteAttempts = 3;

void errorBox(const char* text, const char* title) {
    platform::MessageBox(nullptr, text, title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

}  // namespace

CSensorSession::CSensorSession(SessionSettings& settings, SessionForm form)
    : settings_(settings), profile_(ProfileOf(form)) {}

CSensorSession::~CSensorSession() {
    if (IsOpen()) CloseSession();
}

bool CSensorSession::OpenSession(int32_t mode) {
    if (mode != -1 || profile_.openStoresEveryMode) skipDeviceCheck = static_cast<uint8_t>(mode);
    bool* mark = settings_.currentPortMark();
    if (!openLine(settings_.comParameters)) return false;

    if (mode == -1 || skipDeviceCheck != 0) return true;

    attempts = 1;
    const double angle = GetKV275degrees(static_cast<uint16_t>(settings_.ISAddress));
    attempts = 3;
    if (angle != -1.0) return true;

    errorBox(profile_.deviceCheck, "Device/COM Error");
    ShowComError(Close());
    if (!IsOpen()) {
        if (mark) *mark = false;
        return false;
    }
    errorBox(profile_.checkNotClosed, "COM Error");
    return false;
}

bool CSensorSession::openLine(const ComParameters& parameters) {
    bool* mark = settings_.currentPortMark();
    if (mark && *mark && !IsOpen()) {
        errorBox(profile_.inUse, "COM Error");
        return false;
    }

    directionControl = true;
    if (IsOpen()) {
        ShowComError(Close());
        // Released: should the open below fail, the mark would otherwise
        // refuse every later open of this port as "already in use".
        if (!IsOpen() && mark) *mark = false;
    }
    // A port whose close failed is still ours and still usable; opening it
    // again would orphan the open device and keep the port taken until exit.
    if (!IsOpen()) ShowComError(Open(settings_.ISPort));
    ShowComError(SetComParameters(parameters));
    if (!IsOpen()) {
        errorBox(profile_.notOpened, "COM Error");
        return false;
    }
    if (mark) *mark = true;
    return true;
}

void CSensorSession::CloseSession() {
    if (IsOpen()) ShowComError(Close());
    if (IsOpen()) {
        errorBox(profile_.notClosed, "COM Error");
        return;
    }
    // The mark of the port that is current now; a number outside 1 to 4 has none.
    if (bool* mark = settings_.currentPortMark()) *mark = false;
}

double CSensorSession::GetKV275degrees(uint16_t index) {
    const SessionProfile& p = profile_;
    lostCode_ = 0;
    if (p.keepsCounts) {
        ++queryCount;
        lastReadTime = 0;
        lastNakCount = 0;
    }

    const char address[2] = {AddressByte(index), 0};
    const char enq[2] = {ENQ, 0};
    const char nak[2] = {NAK, 0};

    // The codes of Write and Read do not change the course of the query: a
    // failed exchange shows up as a bad reply, and the failure box tells the
    // user. Only a device that is gone is noted, for the callers to stop.
    for (int32_t left = p.queryReads != 0 ? p.queryReads : attempts, k = 0; left > 0; ++k) {
        if (k == 0) {
            if (p.purgesBeforeRequest) PurgeComm();
            noteFailure(Write(address));
            noteFailure(Write(enq));
            FlushFileBuffers();
        }
        platform::waitTicks(kAnswerWaitMs);

        char reply[anglereply::kBufferSize];
        if (p.keepsCounts) {
            ++readAttemptCount;
            // Summed over the attempts: now - (now - sum) at the end of each read.
            lastReadTime = static_cast<int32_t>(platform::GetTickCount() - static_cast<uint32_t>(lastReadTime));
        }
        noteFailure(Read(reply, anglereply::kLength));
        if (p.keepsCounts)
            lastReadTime = static_cast<int32_t>(platform::GetTickCount() - static_cast<uint32_t>(lastReadTime));

        if (!anglereply::IsBad(reply)) return anglereply::Decode(reply + 1);

        // A bad reply counts as a NAK whether or not one is sent.
        --left;
        if (p.keepsCounts) {
            ++nakCount;
            ++lastNakCount;
        }
        // After the last attempt nothing would read the repeated reply: it
        // would arrive during the next request and be taken for another
        // sensor's answer (or spoil it). So the last bad reply goes unanswered.
        if (left == 0) break;
        platform::waitTicks(kAnswerWaitMs);
        // Ask the sensor to send its reply again; the next read takes
        // whatever comes after the NAK.
        if (p.naksBadReplies) {
            noteFailure(Write(nak));
            FlushFileBuffers();
        }
    }

    if (p.pausesAfterFailure) platform::waitTicks(kAnswerWaitMs);
    if (p.keepsCounts) ++failedQueryCount;
    if (const char* text = p.queryFailure(messageLanguage)) errorBox(text, "COM Error");
    return -1.0;
}

double CSensorSession::QueryQuietly(uint16_t index, int32_t queryAttempts) {
    const int32_t savedAttempts = attempts;
    const uint8_t savedLanguage = messageLanguage;
    attempts = queryAttempts;
    messageLanguage = 0;
    const double angle = GetKV275degrees(index);
    attempts = savedAttempts;
    messageLanguage = savedLanguage;
    return angle;
}

bool CSensorSession::ReadVariables(uint16_t index, VariableTable& table) {
    lostCode_ = 0;
    PurgeComm();
    for (const std::string& item : variableframes::ReadRequest(index)) noteFailure(Write(item.c_str()));
    FlushFileBuffers();
    platform::waitTicks(kAnswerWaitMs);

    // One read for the whole reply, under the port's time-outs; a reply that
    // is short or spoilt is not asked for again.
    char reply[variableframes::kBufferSize];
    noteFailure(Read(reply, variableframes::kReplyLength));
    if (!variableframes::IsGoodReply(reply)) {
        platform::waitTicks(kAnswerWaitMs);
        errorBox("ReadVariables:the variables could not be transmitted.", "COM Error");
        return false;
    }
    variableframes::DecodeReply(reply, table);
    return true;
}

bool CSensorSession::WriteVariable(uint16_t index, int32_t number, int32_t value) {
    lostCode_ = 0;
    // The same bytes in every attempt.
    const std::array<std::string, 8> frame = variableframes::WriteRequest(index, number, value);
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        // Drops whatever a sensor sent after an earlier answer.
        PurgeComm();
        for (const std::string& item : frame) noteFailure(Write(item.c_str()));
        FlushFileBuffers();
        platform::waitTicks(kAnswerWaitMs);

        char answer[3];
        noteFailure(Read(answer, 1));
        if (std::strlen(answer) == 1 && answer[0] == variableframes::ACK) return true;
        platform::waitTicks(kAnswerWaitMs);
    }
    errorBox("WriteVariable:the variable could not be transmitted.", "COM Error");
    return false;
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
