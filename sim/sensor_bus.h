#pragma once
// The sensors on the bus and how they answer requests. Shared by every port
// of the simulator; all access is serialised by one lock.

#include "sim/fault_injector.h"
#include "sim/frames.h"
#include "sim/request.h"
#include "sim/sensor.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kv275sim {

struct BusCounters {
    uint64_t angleQueries = 0;
    uint64_t variableReads = 0;
    uint64_t writes = 0;          // write frames addressed to at least one sensor
    uint64_t writesAccepted = 0;  // acknowledged and applied
    uint64_t writesRejected = 0;  // answered with NAK
    uint64_t naks = 0;            // NAKs received
    uint64_t unanswered = 0;      // requests no sensor was addressed by (or a NAK with nothing to repeat)
    uint64_t collisions = 0;      // answers garbled by several senders
    uint64_t faults = 0;          // answers changed by fault injection
};

// The sensors' clean answer to the last request on one port, kept so that a
// NAK gets it again (with faults rolled afresh).
struct LastAnswer {
    std::vector<std::pair<int, Bytes>> replies;  // (sensor address, clean reply)
    bool collides = false;                        // several senders garble each other
};

// What goes on the line.
struct Answer {
    Bytes bytes;       // empty: nobody answers
    std::string note;  // faults or collision, for the traffic log
    // Set by an unplug rule: the port sends this many bytes of the answer
    // (0: none) and is then gone, as an adapter pulled out.
    std::optional<size_t> unplugAfter;
};

// Decides, for each request once it is counted, whether the port that took
// it is pulled out: nullopt carries on, n cuts the answer after n bytes.
// Lets a test cut an exchange at one exact point, however busy the machine.
using UnplugRule = std::function<std::optional<size_t>(const Request& request, const BusCounters& counters)>;

class SensorBus {
public:
    SensorBus(const std::vector<SensorConfig>& sensors, std::vector<FaultRule> faults, uint32_t seed);

    // Answers one request `seconds` after the start. `last` is the port's
    // memory of its last answer (read for a NAK, replaced otherwise).
    Answer handle(const Request& request, LastAnswer& last, double seconds);

    // Sensors are numbered in the order they were configured; the number
    // stays when a sensor takes a new address.
    size_t sensorCount() const;
    int sensorAddress(size_t sensor) const;
    std::optional<size_t> findSensor(int address) const;
    double angle(size_t sensor, double seconds) const;
    // Fixes the angle of a sensor; nullopt returns it to its configured motion.
    void setAngle(size_t sensor, std::optional<double> degrees);
    VariableTable variables(size_t sensor) const;
    // Stores a variable as a write would; V063 with a valid address also moves the sensor.
    void setVariable(size_t sensor, int variable, int32_t value);
    uint64_t requestsSeen(size_t sensor) const;

    BusCounters counters() const;
    void setFaults(std::vector<FaultRule> faults);
    // Lays out negative numbers of the variable reply as "-   12".
    void setMinusApart(bool apart);
    // An empty rule never unplugs.
    void setUnplugRule(UnplugRule rule);

private:
    Answer respond(const Request& request, LastAnswer& last, double seconds);
    Answer transmit(const LastAnswer& answer);
    std::vector<Sensor*> addressed(uint8_t address);
    const Sensor& at(size_t sensor) const;  // throws std::out_of_range
    Sensor& at(size_t sensor);
    static void store(Sensor& sensor, int variable, int32_t value);

    mutable std::mutex mutex_;
    std::vector<Sensor> sensors_;
    FaultInjector faults_;
    BusCounters counters_;
    bool minusApart_ = false;
    UnplugRule unplugRule_;
};

}  // namespace kv275sim
