#include "cli/ports_command.h"

#include "cli/com_links.h"
#include "cli/exit_status.h"
#include "cli/ports_report.h"
#include "cli/usage.h"
#include "platform/files.h"
#include "platform/system_error.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvcli {
namespace {

// The highest port number a tool opens (Tiltview's box goes to 8).
constexpr int kHighestPort = 8;

struct PortsArgs {
    bool link = false;
    bool json = false;
    bool all = false;
    bool menu = false;
    std::string dir;  // empty: the current directory (or the menu's with --menu)
    int number = 0;
    std::string device;
    bool help = false;
};

struct Refusal {
    std::string command;
    std::string message;
};

PortsArgs parse(const std::vector<std::string>& args) {
    PortsArgs a;
    size_t i = 1;
    if (args.size() > 1 && args[1] == "link") {
        a.link = true;
        i = 2;
    }
    const std::string command = a.link ? "ports link" : "ports";
    std::vector<std::string> positional;
    bool dirGiven = false;
    for (; i < args.size(); ++i) {
        const std::string& t = args[i];
        if (t == "--help" || t == "-h") {
            a.help = true;
            return a;
        }
        if (t == "--json" && !a.link) a.json = true;
        else if (t == "--all" && !a.link) a.all = true;
        else if (t == "--menu") a.menu = true;
        else if (t == "--dir" || t.rfind("--dir=", 0) == 0) {
            if (dirGiven) throw Refusal{command, "--dir given twice"};
            dirGiven = true;
            if (t == "--dir" && i + 1 >= args.size()) throw Refusal{command, "--dir needs a value"};
            a.dir = t == "--dir" ? args[++i] : t.substr(6);
            if (a.dir.empty()) throw Refusal{command, "--dir needs a value"};
        } else if (t.size() > 1 && t[0] == '-') {
            throw Refusal{command, "unknown option '" + t + "'"};
        } else {
            positional.push_back(t);
        }
    }
    if (a.menu && dirGiven) throw Refusal{command, "--dir and --menu exclude each other"};
    if (!a.link) {
        if (!positional.empty()) throw Refusal{command, "unexpected argument '" + positional[0] + "'"};
        return a;
    }
    if (positional.size() < 2) throw Refusal{command, positional.empty() ? "no port number given" : "no device given"};
    if (positional.size() > 2) throw Refusal{command, "unexpected argument '" + positional[2] + "'"};
    const std::string& n = positional[0];
    const bool digits = !n.empty() && n.size() <= 2 && n.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::atoi(n.c_str()) < 1 || std::atoi(n.c_str()) > kHighestPort)
        throw Refusal{command, "N is a port number 1.." + std::to_string(kHighestPort) + ", not '" + n + "'"};
    a.number = std::atoi(n.c_str());
    a.device = positional[1];
    return a;
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    const std::string cwd = platform::currentDirectory();
    return (cwd == "/" ? "" : cwd) + "/" + path;
}

// The directory the links live in, as an absolute path.
std::string directoryOf(const PortsArgs& a) {
    if (a.menu) return homeDirectory() + "/KV275";
    return a.dir.empty() ? platform::currentDirectory() : absolute(a.dir);
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int fail(Console& console, const std::string& command, const std::string& message) {
    console.err << "kv275 " << command << ": " << message << std::endl;
    return kExitFailed;
}

int list(const PortsArgs& a, Console& console) {
    const std::string dir = directoryOf(a);
    // The menu's directory is made when a tool first starts from the menu; until then it holds no links.
    if (!a.menu && !isDirectory(dir)) return fail(console, "ports", "no directory " + dir);
    const PortsReport report = SurveyPorts(dir, a.all);
    console.out << (a.json ? PortsJson(report) : PortsText(report)) << std::flush;
    return kExitOk;
}

int link(const PortsArgs& a, Console& console) {
    const std::string command = "ports link";
    const std::string dir = directoryOf(a);
    if (a.menu && !isDirectory(dir) && mkdir(dir.c_str(), 0777) != 0)
        return fail(console, command, "cannot make " + dir + ": " + platform::systemErrorText(errno));
    if (!isDirectory(dir)) return fail(console, command, "no directory " + dir);

    // "ttyUSB0" is the device of that name.
    const std::string device = a.device.find('/') == std::string::npos ? "/dev/" + a.device : absolute(a.device);
    std::vector<std::string> chain = FollowLinks(device);
    chain.insert(chain.begin(), device);
    const std::vector<SerialPort> ports = ListSerialPorts(true);
    std::string target;
    if (const SerialPort* p = PortOnChain(ports, chain)) {
        // The stable name survives replugging and other adapters coming first.
        target = p->stableName.empty() ? p->device : p->stableName;
    } else {
        struct stat st {};
        if (!PathExists(chain.back()))
            return fail(console, command, "no device " + device + " (kv275 ports lists the serial ports)");
        if (stat(chain.back().c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            return fail(console, command, device + " is not a serial device (kv275 ports lists them)");
        target = device;
    }

    const std::string name = "COM" + std::to_string(a.number);
    const LinkResult r = MakeComLink(dir, a.number, target);
    if (r.error == EEXIST)
        return fail(console, command,
                    dir + "/" + name + " is not a link: left as it is (move it away to link " + name + ")");
    if (r.error)
        return fail(console, command, "cannot link " + dir + "/" + name + ": " + platform::systemErrorText(r.error));

    console.out << dir << "/" << name << " -> " << target;
    if (r.replaced == target) console.out << " (as it was)";
    else if (!r.replaced.empty()) console.out << " (replaced " << name << " -> " << r.replaced << ")";
    console.out << "\n";
    const std::string problem = AccessProblem(CheckAccess(chain.back()));
    if (!problem.empty()) console.out << name << " may not be opened yet: " << problem << "\n";
    console.out << std::flush;
    return kExitOk;
}

}  // namespace

bool IsPortsCommand(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--version") != args.end()) return false;
    return (!args.empty() && args[0] == "ports") || (args.size() == 2 && args[0] == "help" && args[1] == "ports");
}

std::string PortsHelp() { return HelpText("ports"); }

int RunPorts(const std::vector<std::string>& args, Console& console) {
    PortsArgs a;
    try {
        if (args[0] == "help") {
            console.out << PortsHelp() << std::flush;
            return kExitOk;
        }
        a = parse(args);
    } catch (const Refusal& r) {
        console.err << "kv275 " << r.command << ": " << r.message << " (usage: " << Synopsis(r.command) << ")"
                    << std::endl;
        return kExitUsage;
    }
    if (a.help) {
        console.out << PortsHelp() << std::flush;
        return kExitOk;
    }
    return a.link ? link(a, console) : list(a, console);
}

}  // namespace kvcli
