#include "cli/mqtt_options.h"

#include "cli/command_line.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace kvcli {
namespace {

[[noreturn]] void refuse(const std::string& message) { throw UsageError("read", message); }

[[noreturn]] void notABroker(const std::string& text) {
    refuse("--mqtt wants mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not '" + text + "'");
}

int portOf(const std::string& url, const std::string& digits) {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        notABroker(url);
    const int port = std::stoi(digits);
    if (port < 1 || port > 65535) refuse("--mqtt: the port must be 1..65535, not " + digits);
    return port;
}

std::string hostName() {
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

}  // namespace

const char* const kMqttPasswordVariable = "KV275_MQTT_PASSWORD";

std::string MqttOptions::Url() const {
    const std::string h = host.find(':') == std::string::npos ? host : "[" + host + "]";
    return std::string(tls ? "mqtts" : "mqtt") + "://" + h + ":" + std::to_string(port);
}

std::string MqttOptions::Prefix() const { return topicPrefix.empty() ? "kv275/" + hostName() : topicPrefix; }

void ParseBrokerUrl(const std::string& text, MqttOptions& into) {
    std::string rest;
    if (text.rfind("mqtt://", 0) == 0) {
        into.tls = false;
        rest = text.substr(7);
    } else if (text.rfind("mqtts://", 0) == 0) {
        into.tls = true;
        rest = text.substr(8);
    } else {
        notABroker(text);
    }
    if (rest.find('@') != std::string::npos)
        refuse(std::string("no user or password in --mqtt: give --mqtt-user NAME, and the password in ") +
               "--mqtt-password-file FILE or " + kMqttPasswordVariable);
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (rest.find('/') != std::string::npos) notABroker(text);
    into.port = into.tls ? 8883 : 1883;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || close == 1) notABroker(text);
        into.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') notABroker(text);
            into.port = portOf(text, after.substr(1));
        }
        return;
    }
    const size_t colon = rest.find(':');
    if (colon != std::string::npos && rest.find(':', colon + 1) != std::string::npos)
        refuse("--mqtt: an IPv6 address goes in brackets, as mqtt://[::1]:1883");
    into.host = rest.substr(0, colon);
    if (into.host.empty()) notABroker(text);
    if (colon != std::string::npos) into.port = portOf(text, rest.substr(colon + 1));
}

std::string TopicPrefixProblem(const std::string& prefix) {
    if (prefix.empty()) return "--topic needs a prefix";
    if (mosquitto_pub_topic_check(prefix.c_str()) != MOSQ_ERR_SUCCESS)
        return "--topic '" + prefix + "' holds a wildcard (+ or #): a topic to publish to cannot";
    if (mosquitto_validate_utf8(prefix.c_str(), static_cast<int>(prefix.size())) != MOSQ_ERR_SUCCESS)
        return "--topic '" + prefix + "' is not valid UTF-8";
    if (prefix.back() == '/') return "--topic '" + prefix + "' ends with '/': the port and address follow it";
    return "";
}

bool ReadMqttPassword(const MqttOptions& options, std::optional<std::string>& password, std::string& error) {
    password.reset();
    if (options.user.empty()) return true;
    if (options.passwordFile.empty()) {
        if (const char* p = std::getenv(kMqttPasswordVariable)) password = p;
        return true;
    }
    std::ifstream in(options.passwordFile);
    if (!in) {
        error = "cannot read the password file " + options.passwordFile + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password = line;
    return true;
}

}  // namespace kvcli
