#pragma once
// One long run per tool, each against a simulated bus with faults injected.
// Each returns whether the run was clean.

namespace soak {

bool soakScanner(double seconds, bool judgeMemory);
bool soakTiming(double seconds, bool judgeMemory);
bool soakSetup(double seconds, bool judgeMemory);
bool soakTiltview(double seconds, bool judgeMemory);

}  // namespace soak
