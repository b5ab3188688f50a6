#include "cli/mqtt_run.h"

#include "cli/bus.h"
#include "cli/exit_status.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kvcli {

int ConnectPublisher(const MqttOptions& options, const std::string& portName, Console& console,
                     std::unique_ptr<MqttPublisher>& publisher) {
    std::optional<std::string> password;
    std::string error;
    if (!ReadMqttPassword(options, password, error)) return ReportError(console, "read", error, "", kExitUsage);
    if (!options.caFile.empty() && access(options.caFile.c_str(), R_OK) != 0)
        return ReportError(console, "read",
                           "cannot read the certificate file " + options.caFile + ": " + std::strerror(errno), "",
                           kExitUsage);
    publisher = std::make_unique<MqttPublisher>(options, password, portName);
    std::string detail;
    if (publisher->Connect(error, detail)) return kExitOk;
    publisher.reset();
    return ReportError(console, "read", error, detail, kExitFailed);
}

int FinishPublishing(MqttPublisher& publisher, Console& console) {
    const MqttPublisher::Totals t = publisher.Finish();
    const std::string text = std::to_string(t.published) + (t.published == 1 ? " reading" : " readings") +
                             " published to " + publisher.url() + ", " + std::to_string(t.dropped) + " dropped";
    return ReportError(console, "read", text, "", t.dropped == 0 ? kExitOk : kExitFailed);
}

}  // namespace kvcli
