#include "cli/writable_variables.h"

#include <array>
#include <cstdio>

namespace kvcli {
namespace {

constexpr std::array<WritableVariable, 5> kWritable{{
    {variablewrites::kFilterType, "filter type: 1 Bessel, 2 aperiodical, 3 Butterworth, 4 Tschebyscheff", 1, 4},
    {variablewrites::kFilterOrder, "filter order: 0 none, 1 first, 2 second", 0, 2},
    {variablewrites::kCutoff, "cut-off frequency in 1/100 Hz", 1, 32767},
    {variablewrites::kDelay, "serial delay", 0, 32767},
    {kAddressVariable, "bus address", kFirstSensorAddress, kLastSensorAddress},
}};

// A write sends its variables in this table's order, which must be the setup
// tool's.
constexpr bool inWriteOrder() {
    if (kWritable.size() != variablewrites::kWriteOrder.size()) return false;
    for (size_t i = 0; i < kWritable.size(); ++i)
        if (kWritable[i].number != variablewrites::kWriteOrder[i]) return false;
    return true;
}
static_assert(inWriteOrder());

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
