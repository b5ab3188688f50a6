#include "platform/posix_serial_device.h"

#include <cerrno>

// Placeholder until the termios implementation lands.
namespace platform {
std::unique_ptr<SerialDevice> PosixSerialDevice::open(const std::string&, int& err) {
    err = ENOSYS;
    return nullptr;
}
PosixSerialDevice::PosixSerialDevice(int fd) : fd_(fd) {}
PosixSerialDevice::~PosixSerialDevice() = default;
int PosixSerialDevice::close() { return ENOSYS; }
int PosixSerialDevice::getState(DeviceControlBlock&) { return ENOSYS; }
int PosixSerialDevice::setState(const DeviceControlBlock&) { return ENOSYS; }
int PosixSerialDevice::getTimeouts(CommTimeouts&) { return ENOSYS; }
int PosixSerialDevice::setTimeouts(const CommTimeouts&) { return ENOSYS; }
int PosixSerialDevice::escape(Escape) { return ENOSYS; }
int PosixSerialDevice::write(const uint8_t*, uint32_t, uint32_t&) { return ENOSYS; }
int PosixSerialDevice::read(uint8_t*, uint32_t, uint32_t&) { return ENOSYS; }
int PosixSerialDevice::purge() { return ENOSYS; }
int PosixSerialDevice::drain() { return ENOSYS; }
}  // namespace platform
