#include "cli/bus.h"

#include "cli/exit_status.h"
#include "platform/serial_device.h"
#include "sensorlink/bus_address.h"
#include "sensorlink/variable_writes.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kvcli {
namespace {

// Where a port name leads: a link's target (as written when it leads
// nowhere), a file's absolute path, else /dev/ttyS{n-1}.
std::string deviceOf(const std::string& path) {
    if (char* real = realpath(path.c_str(), nullptr)) {
        std::string resolved = real;
        std::free(real);
        return resolved;
    }
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : path;
}

// `text` with every control character written as \xNN.
std::string printable(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c != 0x7F) {
            out += static_cast<char>(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        out += escaped;
    }
    return out;
}

}  // namespace

ComParameters ScannerLine(uint32_t baud) {
    ComParameters p;
    p.BaudRate = baud;
    return p;
}

ComParameters VariableLine(uint32_t baud) {
    ComParameters p = variablewrites::kTransferLine;
    p.BaudRate = baud;
    return p;
}

Bus::Bus(int port, const ComParameters& line, BoxCollector& boxes)
    : session_(settings_, SessionForm::Scanner), boxes_(boxes) {
    settings_.ISPort = static_cast<int8_t>(port);
    settings_.comParameters = line;
    // kv275 reports every failed query itself.
    session_.messageLanguage = 0;
    const std::string path = platform::resolvePortPath(PortName());
    device_ = deviceOf(path);
    struct stat st {};
    regularFile_ = stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Bus::~Bus() { Close(); }

bool Bus::Open() { return !regularFile_ && session_.OpenSession(-1); }

int Bus::OpenFailed(Console& console, const std::string& command) {
    return Fail(console, command,
                regularFile_ ? PortAndDevice() + " is not a serial device" : "cannot open " + PortAndDevice());
}

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

std::string Bus::PortAndDevice() const { return PortName() + " (" + device_ + ")"; }

int Bus::Fail(Console& console, const std::string& command, const std::string& message, const std::string& done) {
    std::string text = message;
    if (Lost()) {
        // Whatever was being asked, this is why it failed, and the box of the
        // failed port operation says it in the system's words.
        session_.ShowDeviceLost();
        text = "the adapter on " + PortAndDevice() + " is gone";
    }
    if (!done.empty()) text += (text.empty() ? "" : "; ") + done;
    // Closing here puts any box of the close into the same line.
    Close();
    return ReportError(console, command, text, boxes_.Take(), kExitFailed);
}

int ReportError(Console& console, const std::string& command, const std::string& message,
                const std::string& detail, int status) {
    std::string line = "kv275" + (command.empty() ? "" : " " + command) + ": " + message;
    if (!detail.empty()) line += " (" + detail + ")";
    console.err << printable(line) << std::endl;
    return status;
}

}  // namespace kvcli
