#include "cli/writable_variables.h"

#include <array>
#include <cstdio>

namespace kvcli {
namespace {

constexpr std::array<WritableVariable, 5> kWritable{{
    {24, "filter type: 1 Bessel, 2 aperiodical, 3 Butterworth, 4 Tschebyscheff", 1, 4},
    {25, "filter order: 0 none, 1 first, 2 second", 0, 2},
    {26, "cut-off frequency in 1/100 Hz", 1, 32767},
    {64, "serial delay", 0, 32767},
    {kAddressVariable, "bus address", kFirstSensorAddress, kLastSensorAddress},
}};

}  // namespace

std::span<const WritableVariable> WritableVariables() { return kWritable; }

const WritableVariable* FindWritable(int number) {
    for (const WritableVariable& v : kWritable)
        if (v.number == number) return &v;
    return nullptr;
}

std::string VariableName(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "V%03d", number);
    return text;
}

}  // namespace kvcli
