#pragma once
// The broker's part in a kv275 read run: reached before the port opens, and
// accounted for in one line at the end.

#include "cli/console.h"
#include "cli/mqtt_options.h"
#include "cli/mqtt_publisher.h"

#include <memory>
#include <string>

namespace kvcli {

// Reads the password and connects. A password or certificate file that
// cannot be read is status 2, a broker that cannot be reached or refuses
// is status 1, each said in one line; kExitOk with `publisher` connected
// otherwise.
int ConnectPublisher(const MqttOptions& options, const std::string& portName, Console& console,
                     std::unique_ptr<MqttPublisher>& publisher);

// Delivers what is queued, disconnects and says on standard error how many
// readings were published and how many dropped: "kv275 read: 120 readings
// published to mqtt://host:1883, 0 dropped". Status 1 when any was dropped.
int FinishPublishing(MqttPublisher& publisher, Console& console);

}  // namespace kvcli
