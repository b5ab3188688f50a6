#include "platform/serial_device.h"

#include "platform/posix_serial_device.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace platform {
namespace {

SerialOpener& opener() {
    static SerialOpener o;
    return o;
}

}  // namespace

std::string resolvePortPath(const std::string& portName) {
    if (portName.size() < 4 || portName.compare(0, 3, "COM") != 0) return {};
    const std::string digits = portName.substr(3);
    for (char c : digits)
        if (c < '0' || c > '9') return {};
    struct stat st {};
    // A file or link in the working directory wins (lstat: a dangling link
    // still names the device the user meant, and its open error says why).
    if (lstat(portName.c_str(), &st) == 0) return portName;
    const long n = std::strtol(digits.c_str(), nullptr, 10);
    if (n < 1 || n > 256) return {};
    return "/dev/ttyS" + std::to_string(n - 1);
}

std::unique_ptr<SerialDevice> openSerialDevice(const std::string& portName, int& err) {
    err = 0;
    if (const SerialOpener& o = opener()) return o(portName, err);
    const std::string path = resolvePortPath(portName);
    if (path.empty()) {
        err = ENOENT;
        return nullptr;
    }
    return PosixSerialDevice::open(path, err);
}

void setSerialOpener(SerialOpener o) { opener() = std::move(o); }

}  // namespace platform
