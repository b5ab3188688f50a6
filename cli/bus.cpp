#include "cli/bus.h"

#include "cli/exit_status.h"
#include "sensorlink/bus_address.h"
#include "sensorlink/variable_writes.h"

namespace kvcli {
namespace {

constexpr int kReplyBytes = 11;
constexpr uint32_t kLateAnswerMarginMs = 18;

}  // namespace

ComParameters ScannerLine(uint32_t baud) {
    ComParameters p;
    p.BaudRate = baud;
    return p;
}

ComParameters FastScanLine(uint32_t baud, uint32_t readLimitMs) { return {baud, 8, 0, 0, 0, 0, readLimitMs, 0, 0}; }

ComParameters VariableLine(uint32_t baud) {
    ComParameters p = variablewrites::kTransferLine;
    p.BaudRate = baud;
    return p;
}

uint32_t DefaultFastReadLimitMs(uint32_t baud) {
    // Ten bits a byte: start, eight data bits, stop.
    const uint32_t bitsMs = kReplyBytes * 10 * 1000;
    return kLateAnswerMarginMs + (bitsMs + baud - 1) / baud;
}

Bus::Bus(int port, const ComParameters& line, BoxCollector& boxes)
    : session_(settings_, SessionForm::Scanner), boxes_(boxes) {
    settings_.ISPort = static_cast<int8_t>(port);
    settings_.comParameters = line;
    // kv275 reports every failed query itself.
    session_.messageLanguage = 0;
}

Bus::~Bus() { Close(); }

bool Bus::Open() { return session_.OpenSession(-1); }

void Bus::Close() {
    if (session_.IsOpen()) session_.CloseSession();
}

std::optional<double> Bus::Angle(int address, int attempts) {
    session_.attempts = attempts;
    const double v = session_.GetKV275degrees(static_cast<uint16_t>(address - kBroadcastAddress));
    if (v == -1.0) return std::nullopt;
    return v;
}

std::string Bus::PortName() const { return "COM" + std::to_string(settings_.ISPort); }

int Bus::Fail(Console& console, const std::string& command, const std::string& message) {
    std::string text = message;
    if (Lost()) {
        // Whatever was being asked, this is why it failed, and the box of the
        // failed port operation says it in the system's words.
        session_.ShowDeviceLost();
        text = "the adapter on " + PortName() + " is gone";
    }
    // Closing here puts any box of the close into the same line.
    Close();
    return ReportError(console, command, text, boxes_.Take(), kExitFailed);
}

int ReportError(Console& console, const std::string& command, const std::string& message,
                const std::string& detail, int status) {
    console.err << "kv275" << (command.empty() ? "" : " " + command) << ": " << message;
    if (!detail.empty()) console.err << " (" << detail << ")";
    console.err << std::endl;
    return status;
}

}  // namespace kvcli
