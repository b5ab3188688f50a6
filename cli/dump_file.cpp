#include "cli/dump_file.h"

#include "cli/command_line.h"
#include "cli/json_writer.h"
#include "cli/writable_variables.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kvcli {
namespace {

// A dump with comments takes a few KiB; anything far larger is not one, and
// is not read into memory whole.
constexpr std::streamsize kMaxDumpBytes = 256 * 1024;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string FormatDump(const VariableTable& table, const DumpOrigin& origin) {
    char head[200];
    std::snprintf(head, sizeof head, "# kv275 vars dump of sensor %d (h%X) on %s at %s\n", origin.address,
                  static_cast<unsigned>(origin.address), origin.port.c_str(), origin.time.c_str());
    std::string text = head;
    text +=
        "# One variable a line, Vnnn=value; '#' starts a comment.\n"
        "# kv275 vars restore writes V024, V025, V026 and V064 back (V063 with --move);\n"
        "# kv275 vars diff lists what two dumps disagree on.\n";
    for (size_t k = 0; k < table.size(); ++k) {
        std::string line = VariableName(static_cast<int>(k)) + "=" + std::to_string(table[k]);
        if (const WritableVariable* w = FindWritable(static_cast<int>(k))) {
            line.resize(std::max<size_t>(line.size() + 1, 14), ' ');
            line += std::string("# ") + w->meaning;
        }
        text += line + "\n";
    }
    return text;
}

std::string FormatDumpJson(const VariableTable& table, const DumpOrigin& origin) {
    JsonWriter json;
    json.beginObject();
    json.key("address").value(int64_t{origin.address});
    json.key("port").value(origin.port);
    json.key("time").value(origin.time);
    json.key("variables").beginArray();
    for (int32_t v : table) json.value(int64_t{v});
    json.endArray();
    json.endObject();
    return json.str() + "\n";
}

bool ParseDump(std::string_view text, VariableTable& table, std::string& error) {
    std::array<size_t, 256> lineOf{};  // 0: not seen yet
    VariableTable read{};
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const size_t hash = line.find('#');
        line = trim(line.substr(0, hash));
        if (line.empty()) continue;
        if (line.front() == '{') {
            error = "line " + std::to_string(lineNumber) +
                    ": this is the --json form; restore and diff read the text form of kv275 vars dump";
            return false;
        }
        Assignment a;
        try {
            a = ParseAssignment(std::string(line));
        } catch (const UsageError& e) {
            error = "line " + std::to_string(lineNumber) + ": " + e.what();
            return false;
        }
        const size_t k = static_cast<size_t>(a.variable);
        if (lineOf[k] != 0) {
            error = "line " + std::to_string(lineNumber) + ": " + VariableName(a.variable) + " again (first on line " +
                    std::to_string(lineOf[k]) + ")";
            return false;
        }
        lineOf[k] = lineNumber;
        read[k] = a.value;
    }
    size_t missing = 0;
    int first = -1;
    for (size_t k = 0; k < lineOf.size(); ++k) {
        if (lineOf[k] != 0) continue;
        if (missing++ == 0) first = static_cast<int>(k);
    }
    if (missing == 256) {
        error = "no variables in it";
        return false;
    }
    if (missing != 0) {
        error = VariableName(first) + " is missing" +
                (missing > 1 ? " (and " + std::to_string(missing - 1) + " more)" : std::string()) +
                ": a dump holds all 256 variables";
        return false;
    }
    table = read;
    return true;
}

bool LoadDump(const std::string& path, VariableTable& table, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string text(static_cast<size_t>(kMaxDumpBytes) + 1, '\0');
    in.read(text.data(), kMaxDumpBytes + 1);
    if (in.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (static_cast<std::streamsize>(text.size()) > kMaxDumpBytes) {
        error = path + ": too large for a dump";
        return false;
    }
    if (!ParseDump(text, table, error)) {
        const bool atLine = error.rfind("line ", 0) == 0;
        error = path + (atLine ? ":" + error.substr(5) : ": " + error);
        return false;
    }
    return true;
}

std::vector<std::string> DiffDumps(const VariableTable& before, const VariableTable& after) {
    std::vector<std::string> lines;
    for (size_t k = 0; k < before.size(); ++k) {
        if (before[k] == after[k]) continue;
        lines.push_back(VariableName(static_cast<int>(k)) + ": " + std::to_string(before[k]) + " -> " +
                        std::to_string(after[k]));
    }
    return lines;
}

}  // namespace kvcli
