#pragma once
// The sensor-bus simulator for in-process use (tests, benchmarks) and for the
// kv275sim program: pseudo-terminals linked as COMn, one thread per port,
// all ports reaching the same sensors.
//
//     kv275sim::SimulatorOptions o;
//     o.directory = dir;
//     o.sensors = {{178, AngleMotion::fixed(12.3)}};
//     kv275sim::Simulator sim(o);
//     sim.start();            // dir/COM1 -> /dev/pts/N
//     ...                     // open dir/COM1 and talk to sensor 178
//     sim.stop();             // threads end, links are removed
//
// Each port answers on its own: a request on COM2 does not wait for a reply
// under way on COM1, and replies go back only to the port that asked.

#include "sim/port_worker.h"
#include "sim/sensor_bus.h"
#include "sim/simulator_options.h"
#include "sim/traffic_log.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kv275sim {

struct PortInfo {
    std::string name;
    std::string linkPath;   // directory/name
    std::string slavePath;  // /dev/pts/N
    bool open = false;      // false after killPort or stop
};

class Simulator {
public:
    // Throws std::invalid_argument when the options cannot run.
    explicit Simulator(SimulatorOptions options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the log and the ports, makes the links and starts serving.
    // Throws std::runtime_error and leaves nothing behind when any step fails.
    void start();
    // Stops every port and removes its link; safe to repeat.
    void stop();
    bool running() const;

    // Closes one port's pseudo-terminal at once, as if its adapter were
    // unplugged: a tool holding it open gets errors from then on, and the
    // link disappears. False for an unknown or already closed port.
    bool killPort(const std::string& name);

    std::vector<PortInfo> ports() const;
    // directory/name of a port.
    std::string linkPath(const std::string& name) const;

    // Seconds since start(); the time base of moving angles.
    double elapsedSeconds() const;

    // The sensors, their state and the counters. Sensors are numbered in the
    // order given in the options.
    SensorBus& bus() { return *bus_; }
    const SensorBus& bus() const { return *bus_; }

    // Shortcuts by bus address (throw std::out_of_range for no such sensor).
    void setAngle(int address, double degrees);
    VariableTable variables(int address) const;

    const SimulatorOptions& options() const { return options_; }

private:
    size_t sensorAt(int address) const;

    SimulatorOptions options_;
    std::unique_ptr<SensorBus> bus_;
    std::unique_ptr<TrafficLog> log_;
    std::vector<std::unique_ptr<PortWorker>> workers_;
    std::atomic<Nanos> start_{0};
    mutable std::mutex mutex_;
};

}  // namespace kv275sim
