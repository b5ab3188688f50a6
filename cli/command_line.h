#pragma once
// The command line of kv275, checked in full before anything touches a port.

#include "cli/mqtt_options.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace kvcli {

// The bus tools' ports are COM1 to COM4.
constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;
constexpr uint32_t kDefaultBaud = 9600;

struct HelpRequest {
    std::string topic;  // "" for the overview, else "scan", "read", "times" or "vars"
};
struct VersionRequest {};

struct ScanArgs {
    bool fast = false;
    std::optional<uint32_t> timeoutMs;  // --timeout, only with --fast
};

struct ReadArgs {
    std::vector<int> addresses;  // bus addresses, in the order given
    uint32_t intervalMs = 0;     // from the start of one sweep to the next; 0: at once
    std::optional<uint64_t> count;
    std::optional<uint32_t> durationMs;
    std::string csvFile;  // empty: a line per sweep on standard output
    std::optional<MqttOptions> mqtt;  // also published to this broker
};

struct TimesArgs {
    std::vector<int> addresses;
    uint32_t durationMs = 0;
    bool json = false;
};

struct VarsDumpArgs {
    int address = 0;
    bool json = false;
};

struct Assignment {
    int variable = 0;
    int32_t value = 0;
    bool operator==(const Assignment&) const = default;
};

struct VarsSetArgs {
    int address = 0;
    std::vector<Assignment> assignments;  // as given; each variable once
    bool all = false;
    bool move = false;
};

struct VarsRestoreArgs {
    int address = 0;
    std::string file;
    bool all = false;
    bool move = false;
};

struct VarsDiffArgs {
    std::string first;
    std::string second;
};

using CommandArgs = std::variant<HelpRequest, VersionRequest, ScanArgs, ReadArgs, TimesArgs, VarsDumpArgs, VarsSetArgs,
                                 VarsRestoreArgs, VarsDiffArgs>;

struct CommandLine {
    CommandArgs args;
    int port = 1;
    uint32_t baud = kDefaultBaud;
};

// A command line kv275 refuses. `command` names the command it was meant for
// ("read", "vars set"; empty when not even that is known), so that the
// message can carry that command's usage.
class UsageError : public std::runtime_error {
public:
    UsageError(std::string command, const std::string& message)
        : std::runtime_error(message), command_(std::move(command)) {}
    const std::string& command() const { return command_; }

private:
    std::string command_;
};

// The arguments after the program name. Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// A bus address as typed: decimal 177..255, or hexadecimal as 0xB2 or hB2.
// Throws UsageError (with an empty command) for anything else.
int ParseBusAddress(const std::string& text);

// "V024=3" (also "v24=3"): a variable 0..255 and a signed 32-bit value.
// Throws UsageError; does not look at which variables may be written.
Assignment ParseAssignment(const std::string& text);

}  // namespace kvcli
