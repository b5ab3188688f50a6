#include "cli/serial_ports.h"

#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace kvcli {
namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string text(const char* s) { return s ? s : ""; }

std::string sysattr(udev_device* d, const char* name) {
    std::string v = d ? text(udev_device_get_sysattr_value(d, name)) : "";
    while (!v.empty() && (v.back() == '\n' || v.back() == ' ')) v.pop_back();
    return v;
}

// The driver that serves the port: the USB driver when it is a USB adapter,
// else the first parent's driver. Newer kernels put "port" and "ctrl" devices
// of their own between a UART and its tty; those name no hardware.
std::string driverOf(udev_device* tty) {
    const std::string usbDriver = text(udev_device_get_property_value(tty, "ID_USB_DRIVER"));
    if (!usbDriver.empty()) return usbDriver;
    for (udev_device* p = udev_device_get_parent(tty); p; p = udev_device_get_parent(p)) {
        if (text(udev_device_get_subsystem(p)) == "serial-base") continue;
        if (const char* d = udev_device_get_driver(p)) return d;
    }
    return {};
}

// A 8250 port the firmware announces reports the UART type 0 when there is
// no chip behind it; opening such a port succeeds but nothing ever arrives.
bool hasNoUart(udev_device* tty) { return sysattr(tty, "type") == "0"; }

std::optional<int> latencyTimer(udev_device* tty) {
    udev_device* port = udev_device_get_parent_with_subsystem_devtype(tty, "usb-serial", nullptr);
    const std::string v = sysattr(port, "latency_timer");
    if (v.empty() || v.size() > 5 || v.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::atoi(v.c_str());
}

SerialPort describe(udev_device* tty) {
    SerialPort p;
    p.device = text(udev_device_get_devnode(tty));
    for (udev_list_entry* l = udev_device_get_devlinks_list_entry(tty); l; l = udev_list_entry_get_next(l))
        p.devlinks.push_back(text(udev_list_entry_get_name(l)));
    // The database may hold the names as the property alone.
    if (p.devlinks.empty()) {
        std::istringstream names(text(udev_device_get_property_value(tty, "DEVLINKS")));
        for (std::string name; names >> name;) p.devlinks.push_back(name);
    }
    std::sort(p.devlinks.begin(), p.devlinks.end());
    for (const std::string& link : p.devlinks)
        if (link.rfind("/dev/serial/by-id/", 0) == 0) {
            p.stableName = link;
            break;
        }
    p.driver = driverOf(tty);
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device")) {
        p.vendor = sysattr(usb, "manufacturer");
        p.product = sysattr(usb, "product");
        p.serial = sysattr(usb, "serial");
        const std::string vid = sysattr(usb, "idVendor");
        const std::string pid = sysattr(usb, "idProduct");
        if (!vid.empty() && !pid.empty()) p.usbId = vid + ":" + pid;
    }
    p.latencyTimerMs = latencyTimer(tty);
    p.withoutUart = hasNoUart(tty);
    return p;
}

// "/dev/ttyS2" before "/dev/ttyS10".
bool deviceOrder(const SerialPort& a, const SerialPort& b) {
    auto split = [](const std::string& s) {
        const size_t digits = s.find_last_not_of("0123456789") + 1;
        return std::make_pair(s.substr(0, digits), std::atol(s.c_str() + digits));
    };
    return split(a.device) < split(b.device);
}

}  // namespace

std::vector<SerialPort> ListSerialPorts(bool all) {
    std::vector<SerialPort> ports;
    UdevPtr<udev> u(udev_new());
    if (!u) return ports;
    UdevPtr<udev_enumerate> e(udev_enumerate_new(u.get()));
    if (!e) return ports;
    udev_enumerate_add_match_subsystem(e.get(), "tty");
    udev_enumerate_scan_devices(e.get());
    for (udev_list_entry* l = udev_enumerate_get_list_entry(e.get()); l; l = udev_list_entry_get_next(l)) {
        UdevPtr<udev_device> tty(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(l)));
        // Virtual terminals, consoles and pseudo-terminal masters have no
        // device behind them.
        if (!tty || !udev_device_get_devnode(tty.get()) || !udev_device_get_parent(tty.get())) continue;
        SerialPort p = describe(tty.get());
        if (p.withoutUart && !all) continue;
        ports.push_back(std::move(p));
    }
    std::sort(ports.begin(), ports.end(), deviceOrder);
    return ports;
}

}  // namespace kvcli
