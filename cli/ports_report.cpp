#include "cli/ports_report.h"

#include "cli/json_writer.h"

#include <algorithm>

namespace kvcli {
namespace {

bool isPseudoTerminal(const std::string& path) { return path.rfind("/dev/pts/", 0) == 0; }

bool namesPort(const SerialPort& p, const std::string& path) {
    return path == p.device || std::find(p.devlinks.begin(), p.devlinks.end(), path) != p.devlinks.end();
}

std::string holdersText(const std::vector<Holder>& holders) {
    if (holders.empty()) return "free";
    std::string text = "in use by ";
    for (size_t i = 0; i < holders.size(); ++i)
        text += (i ? ", " : "") + holders[i].program + " (pid " + std::to_string(holders[i].pid) + ")";
    return text;
}

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) text += (i ? separator : "") + items[i];
    return text;
}

std::string portLine(const PortEntry& e) {
    const SerialPort& p = e.port;
    std::vector<std::string> fields;
    if (!p.stableName.empty()) fields.push_back(p.stableName);
    fields.push_back(p.device);
    if (!p.driver.empty()) fields.push_back("driver " + p.driver);
    if (!p.usbId.empty()) {
        std::string usb = "usb " + p.usbId;
        if (!p.vendor.empty()) usb += " \"" + p.vendor + "\"";
        if (!p.product.empty()) usb += " \"" + p.product + "\"";
        if (!p.serial.empty()) usb += " serial " + p.serial;
        fields.push_back(usb);
    }
    if (p.latencyTimerMs) fields.push_back("latency timer " + std::to_string(*p.latencyTimerMs) + " ms");
    if (p.withoutUart) fields.push_back("no UART behind it");
    fields.push_back(e.accessProblem.empty() ? "may open" : "may not open: " + e.accessProblem);
    fields.push_back(holdersText(e.holders));
    fields.push_back(e.links.empty() ? "not linked here" : "linked as " + joined(e.links, ", "));
    return joined(fields, "  ");
}

// An adapter that holds replies for longer than a millisecond: why it
// matters, and the rule that lowers it for every program.
std::string latencyNote(const SerialPort& p) {
    if (!p.latencyTimerMs || *p.latencyTimerMs <= 1) return {};
    const std::string ms = std::to_string(*p.latencyTimerMs);
    return "  latency timer above 1 ms: replies wait up to " + ms +
           " ms in the adapter unless a program asks for low latency, as the tools do\n"
           "  for good, a udev rule (README, \"Real adapters\"): "
           "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"" +
           p.driver + "\", ATTR{latency_timer}=\"1\"\n";
}

std::string linkLine(const LinkEntry& e) {
    const std::string head = e.link.name + (e.link.isLink ? " -> " + e.link.target : "");
    switch (e.kind) {
    case LinkKind::PseudoTerminal:
        return head + (e.leadsTo != e.link.target ? " (" + e.leadsTo + ")" : "") + "  pseudo-terminal  " +
               holdersText(e.holders);
    case LinkKind::PortWithoutUart: return head + "  a port with no UART behind it: nothing will answer";
    case LinkKind::LeadsNowhere: return head + "  leads nowhere: nothing is there";
    case LinkKind::NotALink: return head + "  a file, not a link: the tools open it as it is";
    case LinkKind::OtherFile: return head + "  not a serial port of this machine";
    case LinkKind::Port: break;
    }
    return head;
}

const char* kindName(LinkKind k) {
    switch (k) {
    case LinkKind::Port: return "port";
    case LinkKind::PortWithoutUart: return "no UART";
    case LinkKind::PseudoTerminal: return "pseudo-terminal";
    case LinkKind::LeadsNowhere: return "leads nowhere";
    case LinkKind::NotALink: return "not a link";
    case LinkKind::OtherFile: return "other";
    }
    return "other";
}

void textOrNull(JsonWriter& j, const char* key, const std::string& value) {
    j.key(key);
    if (value.empty()) j.null();
    else j.value(value);
}

void holdersJson(JsonWriter& j, const std::vector<Holder>& holders) {
    j.key("in_use_by").beginArray();
    for (const Holder& h : holders)
        j.beginObject().key("pid").value(int64_t{h.pid}).key("program").value(h.program).endObject();
    j.endArray();
}

}  // namespace

const SerialPort* PortOnChain(const std::vector<SerialPort>& ports, const std::vector<std::string>& chain) {
    for (const std::string& path : chain)
        for (const SerialPort& p : ports)
            if (namesPort(p, path)) return &p;
    return nullptr;
}

PortsReport SurveyPorts(const std::string& directory, bool all) {
    PortsReport r;
    r.directory = directory;
    // Every port, so that a link to one left out can say why.
    const std::vector<SerialPort> ports = ListSerialPorts(true);
    for (const SerialPort& p : ports) {
        if (p.withoutUart && !all) continue;
        PortEntry e;
        e.port = p;
        e.accessProblem = AccessProblem(CheckAccess(p.device));
        e.holders = PortHolders(p.device, false);
        r.ports.push_back(std::move(e));
    }
    for (ComLink& link : ReadComLinks(directory)) {
        LinkEntry e;
        e.leadsTo = link.chain.empty() ? "" : link.chain.back();
        if (!link.isLink) {
            e.kind = LinkKind::NotALink;
        } else if (const SerialPort* p = PortOnChain(ports, link.chain); p && p->withoutUart && !all) {
            e.kind = LinkKind::PortWithoutUart;
            e.leadsTo = p->device;
        } else if (p) {
            e.kind = LinkKind::Port;
            e.leadsTo = p->device;
            for (PortEntry& pe : r.ports)
                if (pe.port.device == p->device) pe.links.push_back(link.name);
        } else if (!link.leadsSomewhere) {
            e.kind = LinkKind::LeadsNowhere;
        } else if (isPseudoTerminal(e.leadsTo)) {
            e.kind = LinkKind::PseudoTerminal;
            e.holders = PortHolders(e.leadsTo, true);
        }
        e.link = std::move(link);
        r.links.push_back(std::move(e));
    }
    return r;
}

std::string PortsText(const PortsReport& r) {
    std::string text;
    bool linked = false;
    for (const PortEntry& e : r.ports) {
        text += portLine(e) + "\n" + latencyNote(e.port);
        linked = linked || !e.links.empty();
    }
    for (const LinkEntry& e : r.links)
        if (e.kind != LinkKind::Port) text += linkLine(e) + "\n";
    if (r.ports.empty())
        text += "no serial port with a device behind it (--all also lists the ports without a UART)\n";
    else if (!linked)
        text += "kv275 ports link N DEVICE makes COMn in " + r.directory + " lead to one of them\n";
    return text;
}

std::string PortsJson(const PortsReport& r) {
    JsonWriter j;
    j.beginObject().key("directory").value(r.directory).key("ports").beginArray();
    for (const PortEntry& e : r.ports) {
        const SerialPort& p = e.port;
        j.beginObject().key("device").value(p.device);
        textOrNull(j, "stable_name", p.stableName);
        j.key("names").beginArray();
        for (const std::string& n : p.devlinks) j.value(n);
        j.endArray();
        textOrNull(j, "driver", p.driver);
        textOrNull(j, "usb_id", p.usbId);
        textOrNull(j, "vendor", p.vendor);
        textOrNull(j, "product", p.product);
        textOrNull(j, "serial", p.serial);
        j.key("latency_timer_ms");
        if (p.latencyTimerMs) j.value(int64_t{*p.latencyTimerMs});
        else j.null();
        j.key("uart").boolean(!p.withoutUart).key("may_open").boolean(e.accessProblem.empty());
        textOrNull(j, "access_problem", e.accessProblem);
        holdersJson(j, e.holders);
        j.key("links").beginArray();
        for (const std::string& l : e.links) j.value(l);
        j.endArray().endObject();
    }
    j.endArray().key("com_links").beginArray();
    for (const LinkEntry& e : r.links) {
        j.beginObject().key("name").value(e.link.name).key("kind").value(kindName(e.kind));
        textOrNull(j, "target", e.link.target);
        textOrNull(j, "leads_to", e.leadsTo);
        if (e.kind == LinkKind::PseudoTerminal) holdersJson(j, e.holders);
        j.endObject();
    }
    j.endArray().endObject();
    return j.str() + "\n";
}

}  // namespace kvcli
