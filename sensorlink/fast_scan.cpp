#include "sensorlink/fast_scan.h"

#include "sensorlink/angle_reply.h"
#include "sensorlink/bus_address.h"
#include "sensorlink/ccom.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace fastscan {
namespace {

constexpr uint32_t kLateAnswerMarginMs = 18;
constexpr int kFirstSensor = kBroadcastAddress + 1;
// The quick pass asks once: a sensor that garbles its reply shows up in the
// next scan or in the full one, and the bus is covered in seconds.
constexpr int kQuickAttempts = 1;
// Asked again, once too: a NAK after a silent read could make the sensor
// that spoke last repeat itself, and pass for an answer from an empty
// address. A sensor lost to a garbled reply here is told as unconfirmed.
constexpr int kAskAgainAttempts = 1;

uint32_t totalReadLimitMs(const ComParameters& p) {
    return p.ReadTotalTimeoutMultiplier * static_cast<uint32_t>(anglereply::kLength) + p.ReadTotalTimeoutConstant;
}

class Scan {
public:
    Scan(CSensorSession& session, uint32_t readLimitMs, const Hooks& hooks)
        : session_(session), quickLimitMs_(readLimitMs), hooks_(hooks) {}

    // The quick pass: the addresses that gave a valid reply, and what it said.
    bool quickPass(std::vector<Sensor>& heard) {
        for (int address = kFirstSensor; address <= kLastAddress; ++address) {
            if (hooks_.progress) hooks_.progress(address, heard.size());
            const std::optional<Sensor> s = ask(address, kQuickAttempts);
            if (result.stoppedAt != 0) return false;
            if (s) heard.push_back(*s);
        }
        return true;
    }

    // After the last address, whatever still comes within the
    // confirmation's limit is a late reply of the last ones: it is heard as
    // an answer from just beyond them, whose predecessor is then asked.
    // Nothing is purged first: the reply may have begun already.
    bool listenAfterLastAddress(uint32_t limitMs, uint32_t baud, std::vector<Sensor>& heard) {
        if (limitMs == 0) return true;
        if (!setLine(QuickLine(baud, limitMs))) return false;
        char reply[anglereply::kBufferSize];
        // A read that failed otherwise heard nothing; the next query tells.
        const uint32_t code = session_.Read(reply, anglereply::kLength);
        if (code == EIO) {
            // The adapter gone: said as every lost exchange is said.
            ShowComError(code);
            result.lost = true;
            result.stoppedAt = kLastAddress;
            return false;
        }
        if (reply[0] != '\0') heard.push_back({kLastAddress + 1, -1.0, 0, true});
        return true;
    }

    void confirm(const std::vector<Sensor>& heard) {
        askedAddresses_.clear();
        for (const Sensor& h : heard) {
            const bool beyond = h.address > kLastAddress;
            const std::optional<Sensor> again = beyond ? std::nullopt : ask(h.address, kAskAgainAttempts);
            if (result.stoppedAt != 0) return;
            if (again) result.sensors.push_back(*again);
            const bool suspect = !again || again->late || again->angle != h.angle;
            const int before = h.address - 1;
            if (suspect && before >= kFirstSensor && !asked(before)) {
                const std::optional<Sensor> earlier = ask(before, kAskAgainAttempts);
                if (result.stoppedAt != 0) return;
                if (earlier) result.sensors.push_back(*earlier);
            }
            if (!again && !beyond && !confirmed(before)) result.unconfirmed.push_back(h.address);
        }
    }

    bool setLine(const ComParameters& line) {
        if (ShowComError(session_.SetComParameters(line))) return true;
        result.lineRefused = true;
        result.stoppedAt = kFirstSensor;
        return false;
    }

    Result result;

private:
    // Sets result.stoppedAt when it could not ask.
    std::optional<Sensor> ask(int address, int attempts) {
        if (hooks_.stopRequested && hooks_.stopRequested()) {
            result.stoppedAt = address;
            return std::nullopt;
        }
        askedAddresses_.push_back(address);
        const double angle = session_.QueryQuietly(static_cast<uint16_t>(address - kBroadcastAddress), attempts);
        if (session_.DeviceLost()) {
            result.lost = true;
            result.stoppedAt = address;
            return std::nullopt;
        }
        if (angle == -1.0) return std::nullopt;
        const int32_t ms = session_.lastReadTime;
        return Sensor{address, angle, ms, ms > static_cast<int32_t>(quickLimitMs_)};
    }
    bool asked(int address) const {
        return std::find(askedAddresses_.begin(), askedAddresses_.end(), address) != askedAddresses_.end();
    }
    bool confirmed(int address) const {
        return std::any_of(result.sensors.begin(), result.sensors.end(),
                           [&](const Sensor& s) { return s.address == address; });
    }

    CSensorSession& session_;
    uint32_t quickLimitMs_;
    const Hooks& hooks_;
    std::vector<int> askedAddresses_;  // since the confirmation began
};

}  // namespace

uint32_t DefaultReadLimitMs(uint32_t baud) {
    // Ten bits a byte: start, eight data bits, stop.
    const uint32_t bitsMs = static_cast<uint32_t>(anglereply::kLength) * 10 * 1000;
    return kLateAnswerMarginMs + (bitsMs + baud - 1) / baud;
}

ComParameters QuickLine(uint32_t baud, uint32_t readLimitMs) { return {baud, 8, 0, 0, 0, 0, readLimitMs, 0, 0}; }

Result Run(CSensorSession& session, uint32_t baud, uint32_t readLimitMs, const Hooks& hooks) {
    Scan scan(session, readLimitMs, hooks);
    std::vector<Sensor> heard;
    if (!scan.setLine(QuickLine(baud, readLimitMs)) || !scan.quickPass(heard)) return std::move(scan.result);

    // The scanner's line waits for late sensors; a limit given longer than
    // that is kept.
    ComParameters confirmLine;
    confirmLine.BaudRate = baud;
    if (totalReadLimitMs(confirmLine) <= readLimitMs) confirmLine = QuickLine(baud, readLimitMs);
    // Also keeps a late reply to the last addresses from passing for the
    // first confirmation.
    const uint32_t confirmLimit = totalReadLimitMs(confirmLine);
    if (!scan.listenAfterLastAddress(confirmLimit > readLimitMs ? confirmLimit - readLimitMs : 0, baud, heard) ||
        heard.empty())
        return std::move(scan.result);
    if (!scan.setLine(confirmLine)) {
        scan.result.stoppedAt = heard.front().address;
        return std::move(scan.result);
    }
    scan.confirm(heard);
    std::sort(scan.result.sensors.begin(), scan.result.sensors.end(),
              [](const Sensor& a, const Sensor& b) { return a.address < b.address; });
    return std::move(scan.result);
}

}  // namespace fastscan
