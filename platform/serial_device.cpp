#include "platform/serial_device.h"

#include "platform/low_latency_port.h"
#include "platform/posix_serial_device.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

SerialOpener& opener() {
    static SerialOpener o;
    return o;
}

bool& notesOn() {
    static bool on = true;
    return on;
}

std::string inCurrentDirectory(const std::string& name) {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return name;
    const std::string dir = cwd;
    return dir == "/" ? "/" + name : dir + "/" + name;
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

std::vector<std::string> portPathsTried(const std::string& portName) {
    const std::string path = resolvePortPath(portName);
    if (path.empty()) return {};
    const std::string here = inCurrentDirectory(portName);
    if (path != portName) return {here, path};
    char target[PATH_MAX];
    const ssize_t n = readlink(portName.c_str(), target, sizeof target - 1);
    if (n <= 0) return {here};
    return {here + " -> " + std::string(target, static_cast<size_t>(n))};
}

std::string portNotFoundNote(const std::string& portName) {
    const std::vector<std::string> tried = portPathsTried(portName);
    std::string text = portName + " is not there: tried ";
    for (size_t i = 0; i < tried.size(); ++i) text += (i ? ", then " : "") + tried[i];
    const std::string number = portName.size() > 3 ? portName.substr(3) : "N";
    return text + "; \"kv275 ports\" lists the serial ports, \"kv275 ports link " + number +
           " DEVICE\" links one as " + portName;
}

void setPortNotFoundNotes(bool on) { notesOn() = on; }

int SerialDevice::setLowLatency(bool, bool& previous) {
    previous = false;
    return ENOTTY;
}

std::unique_ptr<SerialDevice> openSerialDevice(const std::string& portName, int& err) {
    err = 0;
    if (const SerialOpener& o = opener()) return withLowLatency(o(portName, err));
    const std::string path = resolvePortPath(portName);
    if (path.empty()) {
        err = ENOENT;
        return nullptr;
    }
    std::unique_ptr<SerialDevice> device = PosixSerialDevice::open(path, err);
    // Every tool's failed open passes here, whatever box it shows for it.
    if (!device && err == ENOENT && notesOn())
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, portNotFoundNote(portName).c_str());
    return withLowLatency(std::move(device));
}

void setSerialOpener(SerialOpener o) { opener() = std::move(o); }

}  // namespace platform
