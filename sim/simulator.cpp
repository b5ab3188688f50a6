#include "sim/simulator.h"

#include <stdexcept>

namespace kv275sim {

Simulator::Simulator(SimulatorOptions options) : options_(std::move(options)) {
    const std::string problem = validate(options_);
    if (!problem.empty()) throw std::invalid_argument(problem);
    bus_ = std::make_unique<SensorBus>(options_.sensors, options_.faults, options_.seed);
    bus_->setMinusApart(options_.minusApart);
    for (const VariablePreset& v : options_.variables) bus_->setVariable(sensorAt(v.address), v.variable, v.value);
    start_ = monotonicNow();
}

Simulator::~Simulator() { stop(); }

void Simulator::start() {
    std::lock_guard lock(mutex_);
    if (!workers_.empty()) return;
    const Nanos start = monotonicNow();
    start_ = start;
    PortTiming timing;
    timing.answerDelay = static_cast<Nanos>(options_.answerDelayMs) * kNanosPerMilli;
    timing.fallbackBaud = options_.baud;
    timing.requestTakesLineTime = options_.requestTakesLineTime;

    auto log = std::make_unique<TrafficLog>(options_.log, start);
    std::vector<std::unique_ptr<PortWorker>> workers;
    // Should a later port fail, the workers made so far close their ports
    // and remove their links as they are destroyed.
    for (const std::string& name : options_.ports) {
        auto link = std::make_unique<PtyLink>(options_.directory, name, options_.baud);
        log->event(name, "linked " + link->linkPath() + " -> " + link->slavePath());
        workers.push_back(std::make_unique<PortWorker>(std::move(link), *bus_, *log, timing, start));
    }
    log_ = std::move(log);
    workers_ = std::move(workers);
    for (auto& w : workers_) w->start();
}

void Simulator::stop() {
    std::lock_guard lock(mutex_);
    for (auto& w : workers_) w->stop();
    workers_.clear();
    log_.reset();
}

bool Simulator::running() const {
    std::lock_guard lock(mutex_);
    return !workers_.empty();
}

bool Simulator::killPort(const std::string& name) {
    std::lock_guard lock(mutex_);
    for (auto& w : workers_) {
        if (w->link().name() == name && w->isOpen()) {
            w->stop();
            return true;
        }
    }
    return false;
}

std::vector<PortInfo> Simulator::ports() const {
    std::lock_guard lock(mutex_);
    std::vector<PortInfo> out;
    for (const auto& w : workers_) {
        out.push_back({w->link().name(), w->link().linkPath(), w->link().slavePath(), w->isOpen()});
    }
    return out;
}

std::string Simulator::linkPath(const std::string& name) const {
    return (options_.directory.empty() ? std::string(".") : options_.directory) + "/" + name;
}

double Simulator::elapsedSeconds() const {
    return static_cast<double>(monotonicNow() - start_) / static_cast<double>(kNanosPerSecond);
}

size_t Simulator::sensorAt(int address) const {
    const auto sensor = bus_->findSensor(address);
    if (!sensor) throw std::out_of_range("no simulated sensor at address " + std::to_string(address));
    return *sensor;
}

void Simulator::setAngle(int address, double degrees) { bus_->setAngle(sensorAt(address), degrees); }

VariableTable Simulator::variables(int address) const { return bus_->variables(sensorAt(address)); }

}  // namespace kv275sim
