#pragma once
// The MQTT broker kv275 read publishes to, as its command line names it:
//   --mqtt mqtt://HOST[:PORT] | mqtts://HOST[:PORT]   (1883 and 8883 by default)
//   --mqtt-ca FILE  --mqtt-user NAME  --mqtt-password-file FILE  --topic PREFIX  --qos 0|1
// A password never stands on the command line, where every user of the
// machine can read it in the process list: it comes from a file or from the
// environment.

#include <optional>
#include <string>

namespace kvcli {

// The environment variable a password is taken from when no file is named.
extern const char* const kMqttPasswordVariable;

struct MqttOptions {
    bool tls = false;  // mqtts://
    std::string host;
    int port = 1883;
    std::string caFile;        // --mqtt-ca; empty: the system's certificate authorities
    std::string user;          // --mqtt-user; empty: no user name
    std::string passwordFile;  // --mqtt-password-file; empty: the environment, if set
    std::string topicPrefix;   // --topic; empty: kv275/<host name>
    int qos = 1;

    // "mqtt://broker.example:1883": the broker as messages name it.
    std::string Url() const;
    // The prefix given, else kv275/<host name>.
    std::string Prefix() const;
};

// Reads "mqtt://HOST[:PORT]" or "mqtts://HOST[:PORT]" (an IPv6 address in
// brackets) into `into`. Throws UsageError for anything else, a user or
// password in it above all.
void ParseBrokerUrl(const std::string& text, MqttOptions& into);

// Why a topic prefix cannot be published under, or "" when it can.
std::string TopicPrefixProblem(const std::string& prefix);

// The password for the user: the first line of the password file when one is
// named, else the environment's; nothing without a user. False with `error`
// when the file cannot be read.
bool ReadMqttPassword(const MqttOptions& options, std::optional<std::string>& password, std::string& error);

}  // namespace kvcli
