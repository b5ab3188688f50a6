#pragma once
// One long run per tool, each against a simulated bus with faults injected.
// Each returns whether the run was clean.

#include "soak/soak_run.h"

namespace soak {

bool soakScanner(const RunOptions& run);
bool soakTiming(const RunOptions& run);
bool soakSetup(const RunOptions& run);
bool soakTiltview(const RunOptions& run);

}  // namespace soak
