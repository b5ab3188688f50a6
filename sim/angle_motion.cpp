#include "sim/angle_motion.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace kv275sim {

AngleMotion AngleMotion::fixed(double degrees) {
    AngleMotion m;
    m.kind = Kind::Fixed;
    m.from = degrees;
    return m;
}

AngleMotion AngleMotion::ramp(double fromDegrees, double toDegrees, double periodSeconds) {
    AngleMotion m;
    m.kind = Kind::Ramp;
    m.from = fromDegrees;
    m.to = toDegrees;
    m.periodSeconds = periodSeconds;
    return m;
}

AngleMotion AngleMotion::sine(double middleDegrees, double amplitudeDegrees, double periodSeconds) {
    AngleMotion m;
    m.kind = Kind::Sine;
    m.from = middleDegrees;
    m.to = amplitudeDegrees;
    m.periodSeconds = periodSeconds;
    return m;
}

double AngleMotion::at(double seconds) const {
    // A period of zero or less would divide by zero; such a motion stands still.
    if (kind == Kind::Fixed || !(periodSeconds > 0.0)) return from;
    const double phase = std::fmod(seconds, periodSeconds) / periodSeconds;  // 0 <= phase < 1
    const double p = phase < 0.0 ? phase + 1.0 : phase;
    if (kind == Kind::Ramp) return from + (to - from) * p;
    return from + to * std::sin(2.0 * std::numbers::pi * p);
}

std::string AngleMotion::describe() const {
    char text[96];
    switch (kind) {
    case Kind::Fixed:
        std::snprintf(text, sizeof text, "%.2f", from);
        break;
    case Kind::Ramp:
        std::snprintf(text, sizeof text, "ramp %.2f..%.2f/%gs", from, to, periodSeconds);
        break;
    case Kind::Sine:
        std::snprintf(text, sizeof text, "sine %.2f+-%.2f/%gs", from, to, periodSeconds);
        break;
    }
    return text;
}

}  // namespace kv275sim
