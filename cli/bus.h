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
// The setup tool's defaults: room for the 1541-byte variable reply.
ComParameters VariableLine(uint32_t baud);

class Bus {
public:
    Bus(int port, const ComParameters& line, BoxCollector& boxes);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // Opens the port without asking any sensor. False: the boxes say why,
    // and OpenFailed says it in one line. A regular file where the port
    // should be is not opened at all: requests written there would only
    // fill it.
    bool Open();
    int OpenFailed(Console& console, const std::string& command);
    void Close();
    CSensorSession& session() { return session_; }

    // The angle from the sensor at `address` (177..255), with `attempts`
    // reads and no box; nullopt when no valid answer came.
    std::optional<double> Angle(int address, int attempts);

    // The adapter went away during the last exchange.
    bool Lost() const { return session_.DeviceLost(); }
    // "COM1".
    std::string PortName() const;
    // "COM1 (/dev/pts/3)": the port and the device its name resolved to,
    // for messages.
    std::string PortAndDevice() const;

    // Closes the port, writes "kv275 COMMAND: message; done (what the boxes
    // said)" as one line and returns kExitFailed. When the adapter went away,
    // the line says that instead of the message; `done`, what had been done
    // on the bus before, is kept either way.
    int Fail(Console& console, const std::string& command, const std::string& message, const std::string& done = "");

private:
    std::string device_;
    bool regularFile_ = false;
    SessionSettings settings_;
    CSensorSession session_;
    BoxCollector& boxes_;
};

// The one error line of a failed command, without a bus: "kv275 COMMAND:
// message (detail)"; returns `status`. Control characters in it (from a
// dump file, say) are shown as \x1B, so that the line stays one line and
// the terminal takes none of them as a command.
int ReportError(Console& console, const std::string& command, const std::string& message,
                const std::string& detail, int status);

}  // namespace kvcli
