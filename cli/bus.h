#pragma once
// The sensor session as kv275 uses it: one port, the line settings of the
// kind of exchange, angle queries that show no box, and the failures said in
// one line.

#include "cli/box_collector.h"
#include "cli/console.h"
#include "sensorlink/com_parameters.h"
#include "sensorlink/sensor_session.h"
#include "sensorlink/session_settings.h"

#include <optional>
#include <string>

namespace kvcli {

// The scanner's defaults, which the timing tool's runs share: a read of 11
// bytes ends at the latest 7 x 11 + 124 = 201 ms after it began.
ComParameters ScannerLine(uint32_t baud);
// One read limit for the whole reply, and nothing else.
ComParameters FastScanLine(uint32_t baud, uint32_t readLimitMs);
// The setup tool's defaults: room for the 1541-byte variable reply.
ComParameters VariableLine(uint32_t baud);

// The read limit of a fast scan: the 11 reply bytes' time on the line plus
// 18 ms, for a sensor that starts its reply up to 33 ms after the request
// (the session waits 15 ms before it reads). 30 ms at 9600 baud.
uint32_t DefaultFastReadLimitMs(uint32_t baud);

class Bus {
public:
    Bus(int port, const ComParameters& line, BoxCollector& boxes);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // Opens the port without asking any sensor. False: the boxes say why.
    bool Open();
    void Close();
    CSensorSession& session() { return session_; }

    // The angle from the sensor at `address` (177..255), with `attempts`
    // reads and no box; nullopt when no valid answer came.
    std::optional<double> Angle(int address, int attempts);

    // The adapter went away during the last exchange.
    bool Lost() const { return session_.DeviceLost(); }
    // "COM1".
    std::string PortName() const;

    // Closes the port, writes "kv275 COMMAND: message (what the boxes
    // said)" as one line and returns kExitFailed. When the adapter went away,
    // the line says that instead of the message.
    int Fail(Console& console, const std::string& command, const std::string& message);

private:
    SessionSettings settings_;
    CSensorSession session_;
    BoxCollector& boxes_;
};

// The one error line of a failed command, without a bus: "kv275 COMMAND:
// message (detail)"; returns `status`.
int ReportError(Console& console, const std::string& command, const std::string& message,
                const std::string& detail, int status);

}  // namespace kvcli
