#pragma once
// What `kv275 ports` says: the machine's serial ports with who may open them,
// who holds them and which COMn link of the directory leads to each, plus the
// directory's other COMn entries (a simulator's pseudo-terminal, a link to an
// adapter that is not plugged in).

#include "cli/com_links.h"
#include "cli/port_access.h"
#include "cli/serial_ports.h"

#include <string>
#include <vector>

namespace kvcli {

struct PortEntry {
    SerialPort port;
    std::string accessProblem;  // empty: the user may open it
    std::vector<Holder> holders;
    std::vector<std::string> links;  // "COM1", ...
};

enum class LinkKind { Port, PortWithoutUart, PseudoTerminal, LeadsNowhere, NotALink, OtherFile };

struct LinkEntry {
    ComLink link;
    LinkKind kind = LinkKind::OtherFile;
    std::string leadsTo;  // where the links end (the port's device for a port)
    std::vector<Holder> holders;  // of a pseudo-terminal
};

struct PortsReport {
    std::string directory;
    std::vector<PortEntry> ports;
    std::vector<LinkEntry> links;  // every COMn of the directory
};

// Looks at the machine and at `directory`.
PortsReport SurveyPorts(const std::string& directory, bool all);

std::string PortsText(const PortsReport& report);
std::string PortsJson(const PortsReport& report);

// The port whose device or one of whose names lies on `chain`; null if none.
const SerialPort* PortOnChain(const std::vector<SerialPort>& ports, const std::vector<std::string>& chain);

}  // namespace kvcli
