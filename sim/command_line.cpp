#include "sim/command_line.h"

#include "sim/protocol.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>

namespace kv275sim {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t begin = 0;
    for (;;) {
        const size_t end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos) return parts;
        begin = end + 1;
    }
}

bool parseDouble(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(out);
}

// Decimal, or hexadecimal with 0x in front.
bool parseInteger(const std::string& text, long long& out) {
    if (text.empty() || text[0] == ' ' || text[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    out = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    return errno == 0 && *end == '\0';
}

bool parseAddress(const std::string& text, int& address) {
    long long value = 0;
    if (!parseInteger(text, value) || !isSensorAddress(static_cast<int>(std::clamp<long long>(value, -1, 256)))) {
        return false;
    }
    address = static_cast<int>(value);
    return true;
}

}  // namespace

std::string parseSensor(const std::string& text, SensorConfig& sensor) {
    const std::vector<std::string> parts = split(text, ':');
    int address = 0;
    if (!parseAddress(parts[0], address)) return "--sensor " + text + ": the address must be 178..255";
    sensor.address = static_cast<uint8_t>(address);
    sensor.motion = AngleMotion::fixed(0.0);
    if (parts.size() == 1) return {};

    const std::string& kind = parts[1];
    if (kind == "ramp" || kind == "sine") {
        double a = 0, b = 0, period = 0;
        if (parts.size() != 5 || !parseDouble(parts[2], a) || !parseDouble(parts[3], b) ||
            !parseDouble(parts[4], period)) {
            return "--sensor " + text + ": expected ADDR:" + kind + (kind == "ramp" ? ":FROM:TO:PERIOD" : ":MID:AMP:PERIOD");
        }
        if (!(period > 0.0)) return "--sensor " + text + ": the period must be above 0 seconds";
        sensor.motion = kind == "ramp" ? AngleMotion::ramp(a, b, period) : AngleMotion::sine(a, b, period);
        return {};
    }
    double angle = 0;
    if (parts.size() != 2 || !parseDouble(kind, angle)) {
        return "--sensor " + text + ": expected ADDR, ADDR:ANGLE, ADDR:ramp:FROM:TO:PERIOD or ADDR:sine:MID:AMP:PERIOD";
    }
    sensor.motion = AngleMotion::fixed(angle);
    return {};
}

std::string parseFault(const std::string& text, FaultRule& rule) {
    const std::vector<std::string> parts = split(text, ':');
    if (parts.size() < 2 || parts.size() > 3) return "--fault " + text + ": expected KIND:PROBABILITY[:ADDR]";
    const auto kind = faultFromName(parts[0]);
    if (!kind) return "--fault " + text + ": unknown kind \"" + parts[0] + "\" (silence, checksum, chars, short, noise)";
    rule.kind = *kind;
    if (!parseDouble(parts[1], rule.probability) || rule.probability < 0.0 || rule.probability > 1.0) {
        return "--fault " + text + ": the probability must be a number from 0 to 1";
    }
    rule.address = 0;
    if (parts.size() == 3 && !parseAddress(parts[2], rule.address)) {
        return "--fault " + text + ": the address must be 178..255";
    }
    return {};
}

std::string parseVariable(const std::string& text, VariablePreset& preset) {
    const std::string expected = "--var " + text + ": expected ADDR:N=VALUE, e.g. 178:24=3";
    const size_t colon = text.find(':');
    const size_t eq = text.find('=');
    if (colon == std::string::npos || eq == std::string::npos || eq < colon) return expected;
    if (!parseAddress(text.substr(0, colon), preset.address)) return "--var " + text + ": the address must be 178..255";
    long long variable = 0;
    long long value = 0;
    if (!parseInteger(text.substr(colon + 1, eq - colon - 1), variable) ||
        !parseInteger(text.substr(eq + 1), value)) {
        return expected;
    }
    // Out of range, they are only kept far enough out for validate() to refuse.
    preset.variable = static_cast<int>(std::clamp<long long>(variable, -1, 256));
    preset.value = static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
    return {};
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    bool portsGiven = false;
    bool sensorsGiven = false;

    using Handler = std::function<std::string(const std::string&)>;
    const std::map<std::string, Handler> withValue{
        {"--dir", [&](const std::string& v) { cl.options.directory = v; return std::string(); }},
        {"--port",
         [&](const std::string& v) {
             if (!portsGiven) cl.options.ports.clear();
             portsGiven = true;
             cl.options.ports.push_back(v);
             return std::string();
         }},
        {"--sensor",
         [&](const std::string& v) {
             SensorConfig s;
             std::string problem = parseSensor(v, s);
             if (problem.empty()) cl.options.sensors.push_back(s);
             sensorsGiven = true;
             return problem;
         }},
        {"--delay",
         [&](const std::string& v) {
             long long ms = 0;
             if (!parseInteger(v, ms) || ms < 0 || ms > 60000) return "--delay " + v + ": expected 0..60000 ms";
             cl.options.answerDelayMs = static_cast<unsigned>(ms);
             return std::string();
         }},
        {"--baud",
         [&](const std::string& v) {
             long long baud = 0;
             if (!parseInteger(v, baud) || baud < 50 || baud > 4000000) return "--baud " + v + ": expected 50..4000000";
             cl.options.baud = static_cast<unsigned>(baud);
             return std::string();
         }},
        {"--fault",
         [&](const std::string& v) {
             FaultRule rule;
             std::string problem = parseFault(v, rule);
             if (problem.empty()) cl.options.faults.push_back(rule);
             return problem;
         }},
        {"--log", [&](const std::string& v) { cl.options.log = v; return std::string(); }},
        {"--ready-file", [&](const std::string& v) { cl.readyFile = v; return std::string(); }},
        {"--var",
         [&](const std::string& v) {
             VariablePreset preset;
             std::string problem = parseVariable(v, preset);
             if (problem.empty()) cl.options.variables.push_back(preset);
             return problem;
         }},
        {"--seed",
         [&](const std::string& v) {
             long long seed = 0;
             if (!parseInteger(v, seed) || seed < 0 || seed > 0xFFFFFFFFLL) return "--seed " + v + ": expected 0..4294967295";
             cl.options.seed = static_cast<uint32_t>(seed);
             return std::string();
         }},
    };

    for (size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool hasValue = false;
        if (const size_t eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option = option.substr(0, eq);
            hasValue = true;
        }
        if (option == "-h" || option == "--help") {
            cl.help = true;
            continue;
        }
        if (option == "--version" && !hasValue) {
            cl.version = true;
            continue;
        }
        if (option == "--minus-apart" && !hasValue) {
            cl.options.minusApart = true;
            continue;
        }
        const auto handler = withValue.find(option);
        if (handler == withValue.end()) {
            cl.error = "unknown option " + args[i];
            return cl;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                cl.error = option + " needs a value";
                return cl;
            }
            value = args[++i];
        }
        cl.error = handler->second(value);
        if (!cl.error.empty()) return cl;
    }
    if (!sensorsGiven) {
        SensorConfig s;
        s.address = kFirstSensorAddress;
        s.motion = AngleMotion::fixed(45.0);
        cl.options.sensors.push_back(s);
    }
    if (!cl.help) cl.error = validate(cl.options);
    return cl;
}

std::string usageText() {
    return R"(Usage: kv275sim [OPTION]...
Simulates a bus of KV275 inclination sensors behind pseudo-terminals, so that
the tools can be used without hardware. Each port becomes a symbolic link
(COM1 -> /dev/pts/N) in the chosen directory; start a tool in that directory
and choose the same port number there. Every port reaches the same sensors.
Runs until SIGINT (Ctrl+C) or SIGTERM, then removes its links.

Options:
  --dir DIR           directory for the port links (default: the current one)
  --port NAME         a port to create, e.g. COM1; repeat for more ports
                      (default: COM1)
  --sensor SENSOR     a sensor on the bus; repeat for more. SENSOR is one of
                        ADDR                         angle 0.00
                        ADDR:ANGLE                   fixed angle in degrees
                        ADDR:ramp:FROM:TO:PERIOD     from FROM to TO in PERIOD
                                                     seconds, then again
                        ADDR:sine:MID:AMP:PERIOD     MID + AMP*sin(2 pi t/PERIOD)
                      ADDR is 178..255 (or 0xB2..0xFF), each address once;
                      angles are sent as 0.00..999.99 and limited to that
                      range.
                      (default: one sensor 178:45)
  --delay MS          answer delay, 0..60000 (default: 3): the reply starts
                      this long after the request would have crossed a real
                      line, and goes out paced at the line's byte time (10
                      bits a byte at 8N1, about 1.04 ms at 9600 baud)
  --baud N            initial rate of the ports; replies are paced at the
                      rate the tool sets on its side, this one only when
                      that cannot be read (default: 9600)
  --fault KIND:P[:ADDR]
                      inject a fault into a reply with probability P (0..1),
                      for every sensor or only for ADDR; repeatable. KIND:
                        silence   no answer
                        checksum  wrong checksum
                        chars     an invalid character, checksum fitting
                        short     the reply stops early
                        noise     one to three bits flipped
  --log FILE          log the traffic in hexadecimal with time stamps to
                      FILE (appended), or to standard error with "-"
  --ready-file FILE   write FILE (one "NAME -> DEVICE" line per port) once
                      the links exist; it is removed again at the end
  --seed N            seed for the fault dice, for repeatable runs
  --var ADDR:N=VALUE  sensor ADDR holds VALUE (-9999..99999) in variable N
                      (0..255, not 63: the address is the --sensor one)
                      instead of its factory value; repeatable. Factory
                      values: V000 275, V024 3, V025 2, V026 100, V063 the
                      address, V064 100, all others 0
  --minus-apart       send negative variables with the minus sign apart
                      from the digits ("-   12" for -12), which the tools
                      read by taking the spaces after the sign as zeros
  -h, --help          show this text and exit
      --version       show the version and exit

The protocol as simulated:
  ADDR ENQ            angle reply: STX, "%06.2f" angle, ETX, XOR checksum
                      in hex, CR (11 bytes)
  NAK                 the last reply again (faults rolled afresh)
  ADDR DC1            all 256 variables (1541 bytes)
  ADDR DC2 STX "nnn" CR value CR ETB checksum "$"
                      write a variable: three digits, the value as "%05ld"
                      (minus sign first, a longer value in full, at most 11
                      characters), two upper-case hex digits of the XOR of
                      STX..ETB. ACK when valid, else NAK (wrong checksum, no
                      such variable, value outside -9999..99999, V063 not
                      178..255); a frame of any other form is not answered.
                      Writing V063 moves the sensor.
  Address 177 reaches every sensor: an angle query or a read answered by
  several sensors collides into garbage; a write is applied by all and
  acknowledged once.

Example:
  kv275sim --dir /tmp/bus --port COM1 --sensor 178:12.5 --sensor 180:sine:45:10:4
  cd /tmp/bus && KV275Scan        # then choose COM1

Exit status: 0 after a clean end, 1 when the ports cannot be set up,
2 for invalid options.
)";
}

}  // namespace kv275sim
