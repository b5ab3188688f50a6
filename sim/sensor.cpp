#include "sim/sensor.h"

namespace kv275sim {

VariableTable defaultVariables(uint8_t address) {
    VariableTable v{};
    v[0] = 275;  // model number, so a table read from the simulator is recognisable
    v[kVarFilterType] = 3;
    v[kVarFilterOrder] = 2;
    v[kVarCutOff] = 100;
    v[kVarAddress] = address;
    v[kVarSerialDelay] = 100;
    return v;
}

Sensor::Sensor(const SensorConfig& config)
    : address(config.address), motion(config.motion), variables(defaultVariables(config.address)) {}

double Sensor::angleAt(double seconds) const { return angleOverride ? *angleOverride : motion.at(seconds); }

}  // namespace kv275sim
