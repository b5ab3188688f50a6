#include "sim/sensor_bus.h"
#include "tests/sim/tool_side_checks.h"

#include <gtest/gtest.h>

using namespace kv275sim;

namespace {

Request query(uint8_t address, Request::Kind kind = Request::Kind::AngleQuery) {
    Request r;
    r.kind = kind;
    r.address = address;
    return r;
}

Request nak() { return query(0, Request::Kind::Nak); }

Request write(uint8_t address, int variable, int32_t value, bool valid = true) {
    Request r = query(address, Request::Kind::WriteVariable);
    r.variable = variable;
    r.value = value;
    r.writeValid = valid;
    return r;
}

std::vector<SensorConfig> sensors(std::initializer_list<std::pair<int, double>> list) {
    std::vector<SensorConfig> out;
    for (const auto& [address, angle] : list) out.push_back({static_cast<uint8_t>(address), AngleMotion::fixed(angle)});
    return out;
}

}  // namespace

TEST(SensorBus, AnswersOnlyTheAddressedSensor) {
    SensorBus bus(sensors({{178, 12.3}, {200, 45.0}}), {}, 1);
    LastAnswer last;
    const Answer a = bus.handle(query(200), last, 0.0);
    ASSERT_EQ(simtest::angleReplyProblem(a.bytes), "");
    EXPECT_DOUBLE_EQ(simtest::decodeAngle(a.bytes), 45.0);
    EXPECT_TRUE(bus.handle(query(179), last, 0.0).bytes.empty());
    EXPECT_EQ(bus.requestsSeen(0), 0u);
    EXPECT_EQ(bus.requestsSeen(1), 1u);
    EXPECT_EQ(bus.counters().unanswered, 1u);
}

TEST(SensorBus, NakRepeatsTheLastReplyEvenWhenTheAngleMoved) {
    std::vector<SensorConfig> config{{178, AngleMotion::ramp(0.0, 100.0, 10.0)}};
    SensorBus bus(config, {}, 1);
    LastAnswer last;
    const Answer first = bus.handle(query(178), last, 1.0);
    EXPECT_DOUBLE_EQ(simtest::decodeAngle(first.bytes), 10.0);
    EXPECT_EQ(bus.handle(nak(), last, 5.0).bytes, first.bytes);
    EXPECT_EQ(bus.counters().naks, 1u);

    // Nothing to repeat on a fresh port, or after a request nobody answered.
    LastAnswer fresh;
    EXPECT_TRUE(bus.handle(nak(), fresh, 0.0).bytes.empty());
    bus.handle(query(250), last, 0.0);
    EXPECT_TRUE(bus.handle(nak(), last, 0.0).bytes.empty());
}

TEST(SensorBus, BroadcastCollidesUnlessOneSensorIsOnTheBus) {
    SensorBus one(sensors({{178, 12.3}}), {}, 1);
    LastAnswer last;
    EXPECT_EQ(simtest::angleReplyProblem(one.handle(query(kBroadcastAddress), last, 0.0).bytes), "");

    SensorBus two(sensors({{178, 12.3}, {179, 12.3}}), {}, 1);
    const Answer a = two.handle(query(kBroadcastAddress), last, 0.0);
    EXPECT_EQ(a.bytes.size(), kAngleReplyLength);
    EXPECT_NE(simtest::angleReplyProblem(a.bytes), "");
    // The NAK gets the same garble again.
    EXPECT_NE(simtest::angleReplyProblem(two.handle(nak(), last, 0.0).bytes), "");
    std::array<int32_t, 256> table{};
    EXPECT_NE(simtest::variableReplyProblem(two.handle(query(kBroadcastAddress, Request::Kind::ReadVariables), last, 0.0).bytes, table), "");
    EXPECT_EQ(two.counters().collisions, 3u);
}

TEST(SensorBus, WritesAreAppliedAndAcknowledgedOnce) {
    SensorBus bus(sensors({{178, 0}, {179, 0}}), {}, 1);
    LastAnswer last;
    EXPECT_EQ(bus.handle(write(kBroadcastAddress, 26, 50), last, 0.0).bytes, Bytes{ACK});
    EXPECT_EQ(bus.variables(0)[26], 50);
    EXPECT_EQ(bus.variables(1)[26], 50);

    EXPECT_EQ(bus.handle(write(179, 63, 190), last, 0.0).bytes, Bytes{ACK});
    EXPECT_EQ(bus.sensorAddress(1), 190);
    EXPECT_EQ(bus.variables(1)[63], 190);
    EXPECT_FALSE(bus.findSensor(179));
    EXPECT_EQ(bus.findSensor(190), 1u);
    LastAnswer other;
    EXPECT_TRUE(bus.handle(query(179), other, 0.0).bytes.empty());
    EXPECT_EQ(simtest::angleReplyProblem(bus.handle(query(190), other, 0.0).bytes), "");

    // An invalid write is refused with NAK and changes nothing.
    EXPECT_EQ(bus.handle(write(178, 26, 77, false), last, 0.0).bytes, Bytes{NAK});
    EXPECT_EQ(bus.variables(0)[26], 50);
    const BusCounters c = bus.counters();
    EXPECT_EQ(c.writes, 3u);
    EXPECT_EQ(c.writesAccepted, 2u);
    EXPECT_EQ(c.writesRejected, 1u);
}

TEST(SensorBus, VariableReadReflectsWrites) {
    SensorBus bus(sensors({{181, 0}}), {}, 1);
    LastAnswer last;
    bus.handle(write(181, 64, -12), last, 0.0);
    std::array<int32_t, 256> table{};
    ASSERT_EQ(simtest::variableReplyProblem(bus.handle(query(181, Request::Kind::ReadVariables), last, 0.0).bytes, table), "");
    EXPECT_EQ(table[63], 181);
    EXPECT_EQ(table[64], -12);
    EXPECT_EQ(table[24], 3);
}

TEST(SensorBus, CertainFaultsAlwaysSpoilTheReply) {
    LastAnswer last;
    std::array<int32_t, 256> table{};
    {
        SensorBus bus(sensors({{178, 12.3}}), {{FaultKind::Silence, 1.0, 0}}, 1);
        EXPECT_TRUE(bus.handle(query(178), last, 0.0).bytes.empty());
        EXPECT_TRUE(bus.handle(nak(), last, 0.0).bytes.empty());
        EXPECT_TRUE(bus.handle(write(178, 1, 1), last, 0.0).bytes.empty());
    }
    {
        SensorBus bus(sensors({{178, 12.3}}), {{FaultKind::BadChecksum, 1.0, 0}}, 1);
        EXPECT_EQ(simtest::angleReplyProblem(bus.handle(query(178), last, 0.0).bytes), "checksum");
        EXPECT_EQ(simtest::variableReplyProblem(bus.handle(query(178, Request::Kind::ReadVariables), last, 0.0).bytes, table), "checksum");
    }
    {
        SensorBus bus(sensors({{178, 12.3}}), {{FaultKind::BadChars, 1.0, 0}}, 1);
        for (int i = 0; i < 50; ++i) {
            const std::string problem = simtest::angleReplyProblem(bus.handle(query(178), last, 0.0).bytes);
            ASSERT_EQ(problem.rfind("character", 0), 0u) << problem;
        }
    }
    {
        SensorBus bus(sensors({{178, 12.3}}), {{FaultKind::ShortReply, 1.0, 0}}, 1);
        for (int i = 0; i < 50; ++i) {
            const Bytes b = bus.handle(query(178), last, 0.0).bytes;
            ASSERT_GE(b.size(), 1u);
            ASSERT_LT(b.size(), kAngleReplyLength);
        }
    }
    {
        SensorBus bus(sensors({{178, 12.3}}), {{FaultKind::Noise, 1.0, 0}}, 1);
        const Bytes clean = angleReply(12.3);
        for (int i = 0; i < 50; ++i) ASSERT_NE(bus.handle(query(178), last, 0.0).bytes, clean);
        EXPECT_EQ(bus.counters().faults, 50u);
    }
}

TEST(SensorBus, FaultsForOneSensorLeaveTheOthersAlone) {
    SensorBus bus(sensors({{178, 1.0}, {179, 2.0}}), {{FaultKind::Silence, 1.0, 179}}, 1);
    LastAnswer last;
    EXPECT_EQ(simtest::angleReplyProblem(bus.handle(query(178), last, 0.0).bytes), "");
    EXPECT_TRUE(bus.handle(query(179), last, 0.0).bytes.empty());
}

TEST(FaultInjector, SensorRuleOverridesTheRuleForEverySensor) {
    FaultInjector f({{FaultKind::Noise, 0.5, 0}, {FaultKind::Noise, 0.0, 180}}, 7);
    EXPECT_DOUBLE_EQ(f.probability(FaultKind::Noise, 178), 0.5);
    EXPECT_DOUBLE_EQ(f.probability(FaultKind::Noise, 180), 0.0);
    EXPECT_DOUBLE_EQ(f.probability(FaultKind::Silence, 178), 0.0);
    // About half of the replies hit; a fixed seed keeps this stable.
    int hits = 0;
    std::string note;
    for (int i = 0; i < 1000; ++i) hits += f.apply(angleReply(1.0), 178, note) != angleReply(1.0);
    EXPECT_GT(hits, 400);
    EXPECT_LT(hits, 600);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(f.apply(angleReply(1.0), 180, note), angleReply(1.0));
}
