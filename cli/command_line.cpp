#include "cli/command_line.h"

#include "cli/writable_variables.h"
#include "sensorlink/bus_address.h"

#include <algorithm>
#include <map>
#include <set>

namespace kvcli {
namespace {

// The rates a bus adapter is commonly set to; anything else is more likely a
// typing error than a bus.
constexpr uint32_t kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

constexpr uint32_t kMaxIntervalMs = 3600000;
constexpr uint32_t kMaxTimeoutMs = 60000;  // no single read waits longer anyway
constexpr uint64_t kMaxCount = 1000000000;
// The tick counter wraps after 49.7 days; a run stays well inside that.
constexpr uint64_t kMaxDurationMs = 30ull * 24 * 3600 * 1000;

struct KnownOption {
    std::string name;  // without the dashes
    bool takesValue;
};

// What a command line holds once split: the positional arguments in order and
// each option with its value (empty for a flag).
struct SplitArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;

    bool has(const std::string& name) const { return options.count(name) != 0; }
    const std::string* value(const std::string& name) const {
        const auto it = options.find(name);
        return it == options.end() ? nullptr : &it->second;
    }
};

[[noreturn]] void refuse(const std::string& command, const std::string& message) {
    throw UsageError(command, message);
}

bool isHelp(const std::string& token) { return token == "--help" || token == "-h"; }

SplitArgs split(const std::string& command, const std::vector<std::string>& args, size_t from,
                std::vector<KnownOption> known) {
    known.push_back({"port", true});
    known.push_back({"baud", true});
    SplitArgs out;
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& token = args[i];
        if (token.size() < 2 || token[0] != '-') {
            out.positional.push_back(token);
            continue;
        }
        if (token.compare(0, 2, "--") != 0) refuse(command, "unknown option '" + token + "'");
        const size_t equals = token.find('=');
        const std::string name = token.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const auto option =
            std::find_if(known.begin(), known.end(), [&](const KnownOption& k) { return k.name == name; });
        if (option == known.end()) refuse(command, "unknown option '--" + name + "'");
        if (out.has(name)) refuse(command, "--" + name + " given twice");
        std::string value;
        if (!option->takesValue) {
            if (equals != std::string::npos) refuse(command, "--" + name + " takes no value");
        } else if (equals != std::string::npos) {
            value = token.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            refuse(command, "--" + name + " needs a value");
        }
        if (option->takesValue && value.empty()) refuse(command, "--" + name + " needs a value");
        out.options[name] = value;
    }
    return out;
}

// Decimal digits only: no sign, no blanks, no more than fit 64 bits.
std::optional<uint64_t> decimal(const std::string& text) {
    if (text.empty() || text.size() > 19) return std::nullopt;
    uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n;
}

uint64_t number(const std::string& command, const std::string& option, const std::string& text, uint64_t low,
                uint64_t high, const char* unit) {
    const std::optional<uint64_t> n = decimal(text);
    if (!n || *n < low || *n > high)
        refuse(command, "--" + option + " wants " + unit + " " + std::to_string(low) + ".." + std::to_string(high) +
                            ", not '" + text + "'");
    return *n;
}

// Seconds as typed ("10", "2.5", "0.25"), in whole milliseconds.
uint32_t seconds(const std::string& command, const std::string& option, const std::string& text) {
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    const std::optional<uint64_t> w = decimal(whole.empty() && !fraction.empty() ? "0" : whole);
    const std::optional<uint64_t> f = fraction.empty() ? std::optional<uint64_t>(0) : decimal(fraction);
    const bool ok = w && f && fraction.size() <= 3 && (point == std::string::npos || !fraction.empty()) &&
                    *w <= kMaxDurationMs / 1000;
    if (ok) {
        uint64_t ms = *w * 1000 + *f * (fraction.size() == 1 ? 100 : fraction.size() == 2 ? 10 : 1);
        if (ms > 0 && ms <= kMaxDurationMs) return static_cast<uint32_t>(ms);
    }
    refuse(command, "--" + option +
                        " wants seconds above 0 (like 10 or 2.5, at most 3 decimals, at most 30 days), not '" + text +
                        "'");
}

std::vector<int> addresses(const std::string& command, const std::vector<std::string>& positional) {
    if (positional.empty()) refuse(command, "no address given");
    std::vector<int> out;
    for (const std::string& text : positional) {
        const int a = ParseBusAddress(text);
        if (std::find(out.begin(), out.end(), a) != out.end())
            refuse(command, "address " + std::to_string(a) + " given twice");
        out.push_back(a);
    }
    // Several sensors answering 177 at once collide with each other and with
    // the single sensor asked next to it.
    if (out.size() > 1 && std::find(out.begin(), out.end(), kBroadcastAddress) != out.end())
        refuse(command, "address 177 reaches every sensor: it cannot be asked beside single sensors");
    return out;
}

void noPositional(const std::string& command, const SplitArgs& a, size_t expected) {
    if (a.positional.size() > expected) refuse(command, "unexpected argument '" + a.positional[expected] + "'");
}

// The rules that keep a write from reaching more sensors, or another
// address, than the user meant.
void checkWriteTarget(const std::string& command, int address, bool all) {
    if (address == kBroadcastAddress && !all)
        refuse(command, "address 177 writes to every sensor on the bus: give --all to mean it");
    if (address != kBroadcastAddress && all) refuse(command, "--all goes with address 177 only");
}

ScanArgs parseScan(SplitArgs& a) {
    noPositional("scan", a, 0);
    ScanArgs s;
    s.fast = a.has("fast");
    if (const std::string* t = a.value("timeout")) {
        if (!s.fast) refuse("scan", "--timeout goes with --fast");
        s.timeoutMs = static_cast<uint32_t>(number("scan", "timeout", *t, 1, kMaxTimeoutMs, "ms"));
    }
    return s;
}

std::optional<MqttOptions> parseMqtt(const SplitArgs& a) {
    if (a.has("mqtt-password"))
        refuse("read", std::string("a password on the command line is seen by every user of the machine: give ") +
                           "--mqtt-password-file FILE, or set " + kMqttPasswordVariable);
    const std::string* url = a.value("mqtt");
    if (!url) {
        for (const char* o : {"mqtt-ca", "mqtt-user", "mqtt-password-file", "topic", "qos"})
            if (a.has(o)) refuse("read", std::string("--") + o + " goes with --mqtt");
        return std::nullopt;
    }
    MqttOptions m;
    ParseBrokerUrl(*url, m);
    if (const std::string* t = a.value("mqtt-ca")) {
        if (!m.tls) refuse("read", "--mqtt-ca goes with an mqtts:// broker");
        m.caFile = *t;
    }
    if (const std::string* t = a.value("mqtt-user")) m.user = *t;
    if (const std::string* t = a.value("mqtt-password-file")) {
        if (m.user.empty()) refuse("read", "--mqtt-password-file goes with --mqtt-user");
        m.passwordFile = *t;
    }
    if (const std::string* t = a.value("topic")) {
        const std::string problem = TopicPrefixProblem(*t);
        if (!problem.empty()) refuse("read", problem);
        m.topicPrefix = *t;
    }
    if (const std::string* t = a.value("qos")) m.qos = static_cast<int>(number("read", "qos", *t, 0, 1, "a level"));
    return m;
}

ReadArgs parseRead(SplitArgs& a) {
    ReadArgs r;
    r.addresses = addresses("read", a.positional);
    if (const std::string* t = a.value("interval"))
        r.intervalMs = static_cast<uint32_t>(number("read", "interval", *t, 0, kMaxIntervalMs, "ms"));
    if (a.has("count") && a.has("duration")) refuse("read", "--count and --duration exclude each other");
    if (const std::string* t = a.value("count")) r.count = number("read", "count", *t, 1, kMaxCount, "sweeps");
    if (const std::string* t = a.value("duration")) r.durationMs = seconds("read", "duration", *t);
    if (const std::string* t = a.value("csv")) r.csvFile = *t;
    r.mqtt = parseMqtt(a);
    return r;
}

TimesArgs parseTimes(SplitArgs& a) {
    TimesArgs t;
    t.addresses = addresses("times", a.positional);
    const std::string* d = a.value("duration");
    if (!d) refuse("times", "--duration is required");
    t.durationMs = seconds("times", "duration", *d);
    t.json = a.has("json");
    return t;
}

VarsDumpArgs parseDump(SplitArgs& a) {
    const std::string command = "vars dump";
    if (a.positional.empty()) refuse(command, "no address given");
    noPositional(command, a, 1);
    return {ParseBusAddress(a.positional[0]), a.has("json")};
}

VarsSetArgs parseSet(SplitArgs& a) {
    const std::string command = "vars set";
    if (a.positional.empty()) refuse(command, "no address given");
    VarsSetArgs s;
    s.address = ParseBusAddress(a.positional[0]);
    s.all = a.has("all");
    s.move = a.has("move");
    checkWriteTarget(command, s.address, s.all);
    if (a.positional.size() < 2) refuse(command, "nothing to write: give assignments like V026=50");
    std::set<int> seen;
    for (size_t i = 1; i < a.positional.size(); ++i) {
        const Assignment as = ParseAssignment(a.positional[i]);
        const WritableVariable* w = FindWritable(as.variable);
        if (!w)
            refuse(command,
                   VariableName(as.variable) + " is not written by kv275 (V024, V025, V026, V063 and V064 are)");
        if (as.value < w->low || as.value > w->high)
            refuse(command, VariableName(as.variable) + "=" + std::to_string(as.value) + " is outside " +
                                std::to_string(w->low) + ".." + std::to_string(w->high) + " (" + w->meaning + ")");
        if (as.variable == kAddressVariable && !s.move)
            refuse(command, VariableName(as.variable) + "=" + std::to_string(as.value) +
                                " moves the sensor to another bus address: give --move to mean it");
        if (!seen.insert(as.variable).second) refuse(command, VariableName(as.variable) + " given twice");
        s.assignments.push_back(as);
    }
    return s;
}

VarsRestoreArgs parseRestore(SplitArgs& a) {
    const std::string command = "vars restore";
    if (a.positional.size() < 2) refuse(command, a.positional.empty() ? "no address given" : "no dump file given");
    noPositional(command, a, 2);
    VarsRestoreArgs r;
    r.address = ParseBusAddress(a.positional[0]);
    r.file = a.positional[1];
    r.all = a.has("all");
    r.move = a.has("move");
    checkWriteTarget(command, r.address, r.all);
    return r;
}

VarsDiffArgs parseDiff(SplitArgs& a) {
    const std::string command = "vars diff";
    if (a.positional.size() < 2) refuse(command, "two dump files are needed");
    noPositional(command, a, 2);
    return {a.positional[0], a.positional[1]};
}

void takeLineOptions(const std::string& command, const SplitArgs& a, CommandLine& line) {
    if (const std::string* p = a.value("port"))
        line.port = static_cast<int>(number(command, "port", *p, kFirstPort, kLastPort, "a port number"));
    if (const std::string* b = a.value("baud")) {
        const std::optional<uint64_t> n = decimal(*b);
        if (!n || std::find(std::begin(kBaudRates), std::end(kBaudRates), *n) == std::end(kBaudRates))
            refuse(command, "--baud wants one of 1200 2400 4800 9600 19200 38400 57600 115200, not '" + *b + "'");
        line.baud = static_cast<uint32_t>(*n);
    }
}

// One command: the options it takes besides --port and --baud, and what makes
// its arguments of them.
struct CommandParser {
    const char* name;
    std::vector<KnownOption> options;
    CommandArgs (*parse)(SplitArgs&);
};

template <auto Parse>
CommandArgs parseInto(SplitArgs& a) {
    return Parse(a);
}

const std::vector<CommandParser>& commandParsers() {
    static const std::vector<CommandParser> parsers = {
        {"scan", {{"fast", false}, {"timeout", true}}, parseInto<parseScan>},
        {"read",
         {{"interval", true}, {"count", true}, {"duration", true}, {"csv", true}, {"mqtt", true}, {"mqtt-ca", true},
          {"mqtt-user", true}, {"mqtt-password-file", true}, {"mqtt-password", true}, {"topic", true}, {"qos", true}},
         parseInto<parseRead>},
        {"times", {{"duration", true}, {"json", false}}, parseInto<parseTimes>},
        {"vars dump", {{"json", false}}, parseInto<parseDump>},
        {"vars set", {{"all", false}, {"move", false}}, parseInto<parseSet>},
        {"vars restore", {{"all", false}, {"move", false}}, parseInto<parseRestore>},
        {"vars diff", {}, parseInto<parseDiff>},
    };
    return parsers;
}

}  // namespace

int ParseBusAddress(const std::string& text) {
    const std::optional<long> value = TypedAddressNumber(text);
    if (!value) throw UsageError("", "'" + text + "' is not a bus address (177..255, or hex as 0xB2 or hB2)");
    if (*value < kBroadcastAddress || *value > kLastSensorAddress)
        throw UsageError("", "address " + text + " is outside 177..255");
    return static_cast<int>(*value);
}

Assignment ParseAssignment(const std::string& text) {
    const std::string form = "'" + text + "' is not an assignment like V026=50";
    const size_t equals = text.find('=');
    if (text.size() < 3 || (text[0] != 'V' && text[0] != 'v') || equals == std::string::npos)
        throw UsageError("", form);
    const std::optional<uint64_t> variable = decimal(text.substr(1, equals - 1));
    if (!variable) throw UsageError("", form);
    if (*variable > 255) throw UsageError("", "variable V" + text.substr(1, equals - 1) + " is over V255");

    std::string value = text.substr(equals + 1);
    const bool negative = !value.empty() && value[0] == '-';
    if (negative) value.erase(0, 1);
    const std::optional<uint64_t> magnitude = decimal(value);
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    if (!magnitude) throw UsageError("", form);
    if (*magnitude > limit) throw UsageError("", "'" + text + "': the value does not fit 32 bits");
    const int64_t signedValue = negative ? -static_cast<int64_t>(*magnitude) : static_cast<int64_t>(*magnitude);
    return {static_cast<int>(*variable), static_cast<int32_t>(signedValue)};
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    if (args.empty()) refuse("", "no command given");
    if (std::find(args.begin(), args.end(), "--version") != args.end()) {
        line.args = VersionRequest{};
        return line;
    }
    std::string command = args[0];
    if (isHelp(command)) {
        line.args = HelpRequest{};
        return line;
    }
    if (command == "help") {
        if (args.size() > 2) refuse("", "help takes one command at most");
        const std::string topic = args.size() == 2 ? args[1] : "";
        if (!topic.empty() && topic != "scan" && topic != "read" && topic != "times" && topic != "vars")
            refuse("", "no help on '" + topic + "': the commands are scan, read, times, vars and ports");
        line.args = HelpRequest{topic};
        return line;
    }
    size_t first = 1;
    std::string helpTopic = command;
    if (command == "vars") {
        if (args.size() < 2 || isHelp(args[1])) {
            if (args.size() < 2) refuse("vars", "say what to do: dump, set, restore or diff");
            line.args = HelpRequest{"vars"};
            return line;
        }
        command += " " + args[1];
        first = 2;
    } else if (command != "scan" && command != "read" && command != "times") {
        if (!command.empty() && command[0] == '-')
            refuse("", "the command comes first (scan, read, times, vars or ports), not '" + command + "'");
        refuse("", "unknown command '" + command + "' (the commands are scan, read, times, vars and ports)");
    }
    if (std::any_of(args.begin() + static_cast<long>(first), args.end(), isHelp)) {
        line.args = HelpRequest{helpTopic};
        return line;
    }

    const std::vector<CommandParser>& parsers = commandParsers();
    const auto parser =
        std::find_if(parsers.begin(), parsers.end(), [&](const CommandParser& p) { return p.name == command; });
    if (parser == parsers.end())
        refuse("vars", "unknown vars command '" + args[1] + "' (dump, set, restore or diff)");
    try {
        SplitArgs a = split(command, args, first, parser->options);
        takeLineOptions(command, a, line);
        line.args = parser->parse(a);
    } catch (const UsageError& e) {
        // A bus address or an assignment is refused without knowing whose
        // argument it was: the message gets the command's usage all the same.
        if (!e.command().empty()) throw;
        refuse(command, e.what());
    }
    return line;
}

}  // namespace kvcli
