#include "sim/sensor_bus.h"

#include <stdexcept>

namespace kv275sim {

SensorBus::SensorBus(const std::vector<SensorConfig>& sensors, std::vector<FaultRule> faults, uint32_t seed)
    : faults_(std::move(faults), seed) {
    sensors_.reserve(sensors.size());
    for (const SensorConfig& c : sensors) sensors_.emplace_back(c);
}

std::vector<Sensor*> SensorBus::addressed(uint8_t address) {
    std::vector<Sensor*> out;
    for (Sensor& s : sensors_) {
        if (address == kBroadcastAddress || s.address == address) out.push_back(&s);
    }
    return out;
}

void SensorBus::store(Sensor& sensor, int variable, int32_t value) {
    sensor.variables[static_cast<size_t>(variable)] = value;
    if (variable == kVarAddress && isSensorAddress(value)) sensor.address = static_cast<uint8_t>(value);
}

Answer SensorBus::transmit(const LastAnswer& answer) {
    Answer out;
    if (answer.replies.empty()) {
        ++counters_.unanswered;
        return out;
    }
    if (answer.collides && answer.replies.size() > 1) {
        std::vector<Bytes> frames;
        for (const auto& r : answer.replies) frames.push_back(r.second);
        out.bytes = collide(frames);
        out.note = "collision of " + std::to_string(frames.size()) + " senders";
        ++counters_.collisions;
        return out;
    }
    const auto& [address, clean] = answer.replies.front();
    out.bytes = faults_.apply(clean, address, out.note);
    if (!out.note.empty()) {
        out.note = "fault " + out.note;
        ++counters_.faults;
    }
    return out;
}

Answer SensorBus::handle(const Request& request, LastAnswer& last, double seconds) {
    std::lock_guard lock(mutex_);
    Answer answer = respond(request, last, seconds);
    if (unplugRule_) answer.unplugAfter = unplugRule_(request, counters_);
    return answer;
}

Answer SensorBus::respond(const Request& request, LastAnswer& last, double seconds) {
    if (request.kind == Request::Kind::Nak) {
        ++counters_.naks;
        return transmit(last);
    }

    last = LastAnswer{};
    std::vector<Sensor*> targets = addressed(request.address);
    for (Sensor* s : targets) ++s->requestsSeen;

    switch (request.kind) {
    case Request::Kind::AngleQuery:
        ++counters_.angleQueries;
        for (Sensor* s : targets) last.replies.emplace_back(s->address, angleReply(s->angleAt(seconds)));
        last.collides = true;
        break;
    case Request::Kind::ReadVariables:
        ++counters_.variableReads;
        for (Sensor* s : targets) last.replies.emplace_back(s->address, variableReply(s->variables, minusApart_));
        last.collides = true;
        break;
    case Request::Kind::WriteVariable:
        if (targets.empty()) break;
        ++counters_.writes;
        if (request.writeValid) {
            ++counters_.writesAccepted;
            for (Sensor* s : targets) store(*s, request.variable, request.value);
        } else {
            ++counters_.writesRejected;
        }
        // Every addressed sensor handles the write, but only one answer goes
        // out: a broadcast write is acknowledged once, as the tools expect.
        last.replies.emplace_back(targets.front()->address, Bytes{request.writeValid ? ACK : NAK});
        last.collides = false;
        break;
    case Request::Kind::Nak:
        break;
    }
    return transmit(last);
}

const Sensor& SensorBus::at(size_t sensor) const {
    if (sensor >= sensors_.size()) throw std::out_of_range("no simulated sensor " + std::to_string(sensor));
    return sensors_[sensor];
}

Sensor& SensorBus::at(size_t sensor) {
    return const_cast<Sensor&>(static_cast<const SensorBus*>(this)->at(sensor));
}

size_t SensorBus::sensorCount() const {
    std::lock_guard lock(mutex_);
    return sensors_.size();
}

int SensorBus::sensorAddress(size_t sensor) const {
    std::lock_guard lock(mutex_);
    return at(sensor).address;
}

std::optional<size_t> SensorBus::findSensor(int address) const {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < sensors_.size(); ++i) {
        if (sensors_[i].address == address) return i;
    }
    return std::nullopt;
}

double SensorBus::angle(size_t sensor, double seconds) const {
    std::lock_guard lock(mutex_);
    return at(sensor).angleAt(seconds);
}

void SensorBus::setAngle(size_t sensor, std::optional<double> degrees) {
    std::lock_guard lock(mutex_);
    at(sensor).angleOverride = degrees;
}

VariableTable SensorBus::variables(size_t sensor) const {
    std::lock_guard lock(mutex_);
    return at(sensor).variables;
}

void SensorBus::setVariable(size_t sensor, int variable, int32_t value) {
    if (variable < 0 || variable >= static_cast<int>(kVariableCount)) {
        throw std::out_of_range("no variable " + std::to_string(variable));
    }
    std::lock_guard lock(mutex_);
    store(at(sensor), variable, value);
}

uint64_t SensorBus::requestsSeen(size_t sensor) const {
    std::lock_guard lock(mutex_);
    return at(sensor).requestsSeen;
}

BusCounters SensorBus::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

void SensorBus::setFaults(std::vector<FaultRule> faults) {
    std::lock_guard lock(mutex_);
    faults_.setRules(std::move(faults));
}

void SensorBus::setUnplugRule(UnplugRule rule) {
    std::lock_guard lock(mutex_);
    unplugRule_ = std::move(rule);
}

void SensorBus::setMinusApart(bool apart) {
    std::lock_guard lock(mutex_);
    minusApart_ = apart;
}

}  // namespace kv275sim
