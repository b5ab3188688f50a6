#include "sim/simulator_options.h"

#include "sim/protocol.h"

#include <algorithm>
#include <cmath>

namespace kv275sim {

std::string validate(const SimulatorOptions& options) {
    if (options.ports.empty()) return "no port given";
    for (size_t i = 0; i < options.ports.size(); ++i) {
        const std::string& name = options.ports[i];
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
            return "invalid port name \"" + name + "\"";
        }
        if (std::find(options.ports.begin(), options.ports.begin() + static_cast<std::ptrdiff_t>(i), name) !=
            options.ports.begin() + static_cast<std::ptrdiff_t>(i)) {
            return "port " + name + " given twice";
        }
    }
    for (const SensorConfig& s : options.sensors) {
        if (!isSensorAddress(s.address)) return "sensor address " + std::to_string(s.address) + " is not 178..255";
        if (!std::isfinite(s.motion.from) || !std::isfinite(s.motion.to) || !std::isfinite(s.motion.periodSeconds)) {
            return "sensor " + std::to_string(s.address) + ": angle is not a number";
        }
        if (s.motion.kind != AngleMotion::Kind::Fixed && !(s.motion.periodSeconds > 0.0)) {
            return "sensor " + std::to_string(s.address) + ": the period must be above 0";
        }
    }
    if (options.baud == 0) return "baud rate must be above 0";
    if (options.answerDelayMs > 60000) return "answer delay above 60000 ms";
    for (const FaultRule& f : options.faults) {
        if (!(f.probability >= 0.0 && f.probability <= 1.0)) {
            return "fault probability must lie between 0 and 1";
        }
        if (f.address != 0 && !isSensorAddress(f.address)) {
            return "fault address " + std::to_string(f.address) + " is not 178..255";
        }
    }
    return {};
}

}  // namespace kv275sim
