#pragma once
// The serial ports of this machine as the system's device database knows
// them (libudev): what each is, not only its name.

#include <optional>
#include <string>
#include <vector>

namespace kvcli {

struct SerialPort {
    std::string device;                // "/dev/ttyUSB0"
    std::string stableName;            // "/dev/serial/by-id/..." where there is one, else empty
    std::vector<std::string> devlinks;  // every other name of the device, stable name included
    std::string driver;                // "ftdi_sio", "cdc_acm", "serial"; empty when unknown
    std::string vendor;                // USB manufacturer and product as the adapter names itself
    std::string product;
    std::string serial;                // the USB serial number
    std::string usbId;                 // "0403:6001"
    // How long the adapter holds received bytes before passing them on, where
    // its driver shows it; the tools ask for low latency (1 ms) while they hold a port.
    std::optional<int> latencyTimerMs;
    bool withoutUart = false;          // a /dev/ttyS* with no UART behind it (listed with --all only)
};

// The ports that have a device behind them, in the order of their device
// names; with `all`, also the motherboard ports that have no UART. Virtual
// terminals and consoles are never listed.
std::vector<SerialPort> ListSerialPorts(bool all);

}  // namespace kvcli
