#include "cli/usage.h"

#include "platform/program_info.h"

#include <string_view>
#include <vector>

namespace kvcli {
namespace {

// Every command's one-line usage, in the order the overview lists them.
struct CommandSynopsis {
    std::string_view command;
    const char* synopsis;
};
constexpr CommandSynopsis kSynopses[] = {
    {"scan", "kv275 scan [--fast [--timeout MS]] [--port N] [--baud N]"},
    {"read", "kv275 read ADDR... [--interval MS] [--count N | --duration S] [--csv FILE] [--mqtt URL [MQTT options]] "
             "[--port N] [--baud N]"},
    {"times", "kv275 times ADDR... --duration S [--json] [--port N] [--baud N]"},
    {"vars dump", "kv275 vars dump ADDR [--json] [--port N] [--baud N]"},
    {"vars set", "kv275 vars set ADDR VNNN=VALUE... [--all] [--move] [--port N] [--baud N]"},
    {"vars restore", "kv275 vars restore ADDR FILE [--all] [--move] [--port N] [--baud N]"},
    {"vars diff", "kv275 vars diff FILE FILE"},
    {"ports", "kv275 ports [--json] [--all] [--dir DIR | --menu]"},
    {"ports link", "kv275 ports link N DEVICE [--dir DIR | --menu]"},
};

// The help topics: what the overview says of each in a line, and its own
// help after the usage lines of its commands.
struct Topic {
    std::string_view name;
    const char* summary;
    const char* body;
    bool busOptions = true;  // --port and --baud apply (not to ports, which opens no port)
};
constexpr Topic kTopics[] = {
    {"scan", "find the sensors at 178..255: address, index, angle, answer time",
     "Asks every address 178..255 for its angle and lists the sensors that answer:\n"
     "address, hex, index (#01..#78), angle in degrees and answer time in ms.\n"
     "Exit status 1 when no sensor answered.\n"
     "\n"
     "  (default)     as KV275Scan asks: two attempts per address, read time-outs\n"
     "                200/7/124 ms; about 35 s for an empty bus at 9600 baud\n"
     "  --fast        one attempt per address with a read limit fitted to the line:\n"
     "                the 11 reply bytes' time plus 18 ms (30 ms at 9600 baud) after\n"
     "                the 15 ms wait; an empty bus in under 4 s at 9600 baud. Every\n"
     "                sensor heard is asked again with the full scan's read limit\n"
     "                before it is listed (and the address before it, when a late\n"
     "                reply may have come from there); sensors that answer later\n"
     "                than the fast limit are named on standard error\n"
     "  --timeout MS  the read limit of --fast instead, for sensors set to answer late\n"
     "\n"
     "A progress bar is drawn on standard error when it is a terminal.\n"},
    {"read", "read angles continuously, a line per sweep or CSV rows",
     "Reads the angles of the sensors at ADDR... one after the other, over and over\n"
     "(three attempts each, as KV275Scan reads), and prints a line per sweep:\n"
     "  2024-05-01T12:34:56.789Z  178: 12.50  180: 45.03  200: --\n"
     "(-- for a sensor that gave no valid answer).\n"
     "\n"
     "  --interval MS  start a sweep every MS ms (default 0: one after the other)\n"
     "  --count N      stop after N sweeps\n"
     "  --duration S   stop after S seconds (decimals allowed)\n"
     "                 (neither: until Ctrl+C, which ends after the current query)\n"
     "  --csv FILE     append rows to FILE instead of printing lines:\n"
     "                 time,address,angle,answer_ms,bad_replies\n"
     "                 (ISO 8601 UTC time; an empty angle for no answer); a new file\n"
     "                 gets the header line, an existing one is appended to when it\n"
     "                 begins with that header; FILE must be a regular file\n"
     "  --mqtt URL     also publish every reading to the MQTT broker at URL,\n"
     "                 mqtt://HOST[:PORT] (port 1883) or mqtts://HOST[:PORT] (TLS, 8883):\n"
     "                   PREFIX/COMn/ADDR  a JSON message per reading, retained:\n"
     "                     {\"time\":\"...Z\",\"address\":178,\"angle\":12.50,\"answer_ms\":2,\"bad\":0}\n"
     "                     (\"angle\":null for no valid answer)\n"
     "                   PREFIX/COMn/status  online, then offline at the end, retained;\n"
     "                     offline is also the last will if kv275 dies or its network goes\n"
     "                 The broker is reached before the port is opened (status 1 if it\n"
     "                 cannot be). While it is out of reach the readings wait in a queue\n"
     "                 of 250000 (an hour of the busiest bus; the oldest go first) and\n"
     "                 follow in order once it is back. At the end, the readings\n"
     "                 published and dropped are counted on standard error.\n"
     "MQTT options:\n"
     "  --topic PREFIX  topic prefix (default kv275/<host name>)\n"
     "  --qos 0|1       quality of service of the readings (default 1)\n"
     "  --mqtt-ca FILE  certificate authority of an mqtts:// broker (default: the system's)\n"
     "  --mqtt-user NAME\n"
     "                  user name at the broker\n"
     "  --mqtt-password-file FILE\n"
     "                  its password: the file's first line (default: the environment\n"
     "                  variable KV275_MQTT_PASSWORD; never on the command line)\n"
     "\n"
     "Exit status 1 when a sensor never answered during the run, the adapter went away,\n"
     "or readings were dropped before the broker had them.\n"},
    {"times", "answer-time and angle statistics per sensor over a run",
     "Asks the sensors at ADDR... one after the other for S seconds, as the timing tool\n"
     "runs (three attempts a query), then prints per sensor: reads, failed reads, bad\n"
     "replies (short, garbled or missing; each is answered with NAK but the last of a\n"
     "failed query), the answer time's minimum, median, 95th and 99th percentile and\n"
     "maximum in ms (nearest rank, over the answered reads), and the mean angle with\n"
     "its spread (standard deviation) in degrees.\n"
     "\n"
     "  --duration S  how long to run (required; decimals allowed)\n"
     "  --json        one JSON object instead of the table\n"
     "\n"
     "Exit status 1 when a sensor never answered, or the adapter went away.\n"},
    {"vars", "dump, write, restore and compare the 256 variables of a sensor",
     "  dump     reads all 256 variables of the sensor and prints them, one line\n"
     "           \"V024=3\" per variable after a few '#' comment lines (--json: one\n"
     "           JSON object); redirect it to a file to keep it\n"
     "  set      writes variables and reads them back to check; only these are written:\n"
     "             V024 filter type 1..4, V025 filter order 0..2,\n"
     "             V026 cut-off in 1/100 Hz 1..32767, V064 serial delay 0..32767,\n"
     "             V063 bus address 178..255 (moves the sensor: needs --move)\n"
     "           the address goes last and the read-back asks the new address\n"
     "  restore  writes those variables of a dump file (V063 only when it moves the\n"
     "           sensor, and then only with --move; through 177 without --move the\n"
     "           other four) and reads them back\n"
     "  diff     lists the variables two dump files disagree on, one\n"
     "           \"V026: 100 -> 50\" line each; exit status 0 when they agree, 1 when\n"
     "           not, 2 when a dump cannot be read or the list cannot be written\n"
     "\n"
     "  --all   allows ADDR 177, every sensor at once: the check before the write and\n"
     "          the read-back need exactly one sensor on the bus (several collide)\n"
     "  --move  allows writing V063\n"
     "\n"
     "Before writing, the sensor is asked for its angle, and a new address for a\n"
     "sensor answering there already (which refuses the move); set and restore stop\n"
     "at the first variable that is not acknowledged or not read back as written.\n"
     "Ctrl+C before the first write cancels with nothing written; once the first\n"
     "write went out, the writes are finished (the address last) and read back.\n"},
    {"ports", "list the serial ports by what they are, and link one as COMn",
     "Lists the serial ports of this machine, one a line: the stable name\n"
     "(/dev/serial/by-id/... where there is one), the device, the driver, the USB\n"
     "adapter's id, maker, product and serial number, whether you may open it (and\n"
     "if not, why: often the dialout group), whether a program holds it, and which\n"
     "COMn link of the directory leads to it. After them, the directory's other\n"
     "COMn entries: a simulator's pseudo-terminal, a link leading nowhere.\n"
     "\n"
     "  --json  one JSON object instead of the lines\n"
     "  --all   also the motherboard ports with no UART behind them\n"
     "  --dir DIR  the directory of the COMn links (default: the current one)\n"
     "  --menu     the directory the menu starts the tools in, ~/KV275\n"
     "\n"
     "ports link N DEVICE makes COMn (n = N, 1..8) in the directory lead to DEVICE\n"
     "(/dev/ttyUSB0, ttyUSB0 or any of its names), by its stable name where it has one. A\n"
     "link of that name is replaced, and the line says what it led to; a file that\n"
     "is not a link is left alone. With --menu, ~/KV275 is made when missing.\n"
     "\n"
     "Exit status: 0 done, 1 a link was refused or the directory is missing, 2 bad usage.\n",
     false},
};

const char* const kCommon =
    "\n"
    "Options of every command:\n"
    "  --port N    serial port 1..4 (default 1): a file or link COMn in the current\n"
    "              directory, else /dev/ttyS{n-1}\n"
    "  --baud N    line speed: 1200 2400 4800 9600 19200 38400 57600 115200 (default 9600)\n"
    "  --help      this text;  --version  the program's version\n"
    "\n"
    "ADDR is a bus address 177..255, decimal or hexadecimal as 0xB2 or hB2;\n"
    "177 reaches every sensor at once.\n"
    "Exit status: 0 done, 1 the bus did not answer as asked (or the adapter is gone,\n"
    "or the output could not be written), 2 bad usage (nothing was sent); vars diff:\n"
    "0 the same, 1 different, 2 trouble.\n";

// "vars" holds "vars dump" and the others; "scan" only itself.
bool belongsTo(std::string_view command, std::string_view topic) {
    return command == topic || (command.size() > topic.size() && command.substr(0, topic.size()) == topic &&
                                command[topic.size()] == ' ');
}

std::string overview() {
    std::string text = "kv275 - command-line access to a bus of KV275 inclination sensors\n\nUsage:\n";
    for (const CommandSynopsis& s : kSynopses) text += std::string("  ") + s.synopsis + "\n";
    text += "  kv275 help COMMAND\n\n";
    for (const Topic& t : kTopics) {
        std::string name(t.name);
        name.resize(8, ' ');
        text += "  " + name + t.summary + "\n";
    }
    return text + kCommon;
}

// "Usage: SYNOPSIS" for a topic of one command, else a usage line each.
std::string topicHelp(const Topic& topic) {
    std::vector<const char*> synopses;
    for (const CommandSynopsis& s : kSynopses)
        if (belongsTo(s.command, topic.name)) synopses.push_back(s.synopsis);
    std::string text = "Usage:";
    if (synopses.size() == 1) {
        text += std::string(" ") + synopses[0];
    } else {
        for (const char* s : synopses) text += std::string("\n  ") + s;
    }
    return text + "\n\n" + topic.body + (topic.busOptions ? kCommon : "");
}

}  // namespace

std::string HelpText(const std::string& topic) {
    for (const Topic& t : kTopics)
        if (t.name == topic) return topicHelp(t);
    return overview();
}

std::string Synopsis(const std::string& command) {
    for (const CommandSynopsis& s : kSynopses)
        if (s.command == command) return s.synopsis;
    if (command == "vars") return "kv275 vars dump|set|restore|diff ...";
    return "kv275 scan|read|times|vars|ports ... (kv275 --help)";
}

std::string VersionText() { return std::string("kv275 ") + platform::projectVersion(); }

}  // namespace kvcli
