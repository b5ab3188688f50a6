#pragma once
// A port that asks its driver for low latency while it is open.
//
// The common USB to RS-485 adapters hold received bytes for a latency timer
// (16 ms by default on the most common chip) before the driver passes them
// on: every sensor's answer would come that much late, the timing tool would
// measure the adapter instead of the sensors, and a reply could miss a short
// wait. In low-latency mode those drivers turn the timer down to 1 ms.

#include "platform/serial_device.h"

#include <memory>

namespace platform {

// Wraps an opened device (nullptr stays nullptr): low latency is asked for
// at once, and the driver's previous setting is put back before the device
// closes (or is dropped unclosed). Where the driver refuses, the device works
// exactly as it would unwrapped.
std::unique_ptr<SerialDevice> withLowLatency(std::unique_ptr<SerialDevice> device);

}  // namespace platform
