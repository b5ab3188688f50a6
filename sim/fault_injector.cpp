#include "sim/fault_injector.h"

#include <algorithm>
#include <random>

namespace kv275sim {
namespace {

void appendNote(std::string& note, FaultKind kind) {
    if (!note.empty()) note += ",";
    note += faultName(kind);
}

bool isFrame(const Bytes& reply) {
    return reply.size() == kAngleReplyLength || reply.size() == kVariableReplyLength;
}

}  // namespace

FaultInjector::FaultInjector(std::vector<FaultRule> rules, uint32_t seed)
    : rules_(std::move(rules)), random_(seed != 0 ? seed : std::random_device{}()) {}

double FaultInjector::probability(FaultKind kind, int sensorAddress) const {
    double everySensor = 0.0;
    for (const FaultRule& r : rules_) {
        if (r.kind != kind) continue;
        if (r.address == sensorAddress && sensorAddress != 0) return r.probability;
        if (r.address == 0) everySensor = r.probability;
    }
    return everySensor;
}

bool FaultInjector::hits(FaultKind kind, int sensorAddress) {
    const double p = probability(kind, sensorAddress);
    if (p <= 0.0) return false;
    if (p >= 1.0) return true;
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < p;
}

size_t FaultInjector::randomIndex(size_t lo, size_t hi) {
    return std::uniform_int_distribution<size_t>(lo, hi)(random_);
}

Bytes FaultInjector::apply(Bytes reply, int sensorAddress, std::string& note) {
    note.clear();
    if (reply.empty()) return reply;
    if (hits(FaultKind::Silence, sensorAddress)) {
        appendNote(note, FaultKind::Silence);
        return {};
    }
    if (isFrame(reply) && hits(FaultKind::BadChars, sensorAddress)) {
        // Characters a tool must refuse in an angle, each non-zero.
        static constexpr char kRejects[] = {'X', '#', '-', ' ', '/', ':', '+', 'e'};
        const size_t last = reply.size() == kAngleReplyLength ? 6 : kVariableReplyLength - 5;
        reply[randomIndex(1, last)] = static_cast<uint8_t>(kRejects[randomIndex(0, sizeof kRejects - 1)]);
        refreshChecksum(reply);
        appendNote(note, FaultKind::BadChars);
    }
    if (isFrame(reply) && hits(FaultKind::BadChecksum, sensorAddress)) {
        // Change the first checksum digit to another hexadecimal digit.
        uint8_t& digit = reply[reply.size() - 3];
        digit = digit == '0' ? '1' : '0';
        appendNote(note, FaultKind::BadChecksum);
    }
    if (hits(FaultKind::ShortReply, sensorAddress)) {
        reply.resize(reply.size() > 1 ? randomIndex(1, reply.size() - 1) : 0);
        appendNote(note, FaultKind::ShortReply);
    }
    if (!reply.empty() && hits(FaultKind::Noise, sensorAddress)) {
        // One to three bytes, each a different one, so that no flip undoes another.
        const size_t flips = std::min(randomIndex(1, 3), reply.size());
        std::vector<size_t> hit;
        while (hit.size() < flips) {
            const size_t at = randomIndex(0, reply.size() - 1);
            if (std::find(hit.begin(), hit.end(), at) != hit.end()) continue;
            hit.push_back(at);
            reply[at] ^= static_cast<uint8_t>(1u << randomIndex(0, 7));
        }
        appendNote(note, FaultKind::Noise);
    }
    return reply;
}

}  // namespace kv275sim
