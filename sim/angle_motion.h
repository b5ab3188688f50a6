#pragma once
// How a simulated sensor's inclination moves over time.

#include <string>

namespace kv275sim {

struct AngleMotion {
    enum class Kind { Fixed, Ramp, Sine };

    Kind kind = Kind::Fixed;
    // Fixed: `from` is the angle. Ramp: from `from` to `to` in `periodSeconds`,
    // then again from `from` (a saw tooth). Sine: `from` + `to` * sin(2 pi t / period),
    // so `from` is the middle and `to` the amplitude.
    double from = 0.0;
    double to = 0.0;
    double periodSeconds = 10.0;

    static AngleMotion fixed(double degrees);
    static AngleMotion ramp(double fromDegrees, double toDegrees, double periodSeconds);
    static AngleMotion sine(double middleDegrees, double amplitudeDegrees, double periodSeconds);

    // The angle in degrees `seconds` after the simulator started.
    double at(double seconds) const;

    // A short human-readable form for the start-up listing, e.g. "sine 45.00+-10.00/4s".
    std::string describe() const;
};

}  // namespace kv275sim
