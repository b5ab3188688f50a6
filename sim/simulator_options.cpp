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
    for (size_t i = 0; i < options.sensors.size(); ++i) {
        const SensorConfig& s = options.sensors[i];
        if (!isSensorAddress(s.address)) return "sensor address " + std::to_string(s.address) + " is not 178..255";
        // Two sensors on one address would answer every request at once.
        for (size_t k = 0; k < i; ++k)
            if (options.sensors[k].address == s.address)
                return "sensor address " + std::to_string(s.address) + " given twice";
        if (!std::isfinite(s.motion.from) || !std::isfinite(s.motion.to) || !std::isfinite(s.motion.periodSeconds)) {
            return "sensor " + std::to_string(s.address) + ": angle is not a number";
        }
        if (s.motion.kind != AngleMotion::Kind::Fixed && !(s.motion.periodSeconds > 0.0)) {
            return "sensor " + std::to_string(s.address) + ": the period must be above 0";
        }
    }
    for (const VariablePreset& v : options.variables) {
        const std::string name = "variable " + std::to_string(v.variable) + " of sensor " + std::to_string(v.address);
        const bool known = std::any_of(options.sensors.begin(), options.sensors.end(),
                                       [&](const SensorConfig& s) { return s.address == v.address; });
        if (!known) return name + ": no such sensor (give it with --sensor)";
        if (v.variable < 0 || v.variable >= static_cast<int>(kVariableCount)) return name + ": no such variable";
        // A sensor's address is its --sensor setting; moving it here as well
        // would leave two settings of the one address.
        if (v.variable == kVarAddress) return name + ": the address is set with --sensor";
        if (v.value < kMinVariableValue || v.value > kMaxVariableValue) {
            return name + ": the value must be " + std::to_string(kMinVariableValue) + ".." +
                   std::to_string(kMaxVariableValue);
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
