// The fault hooks of the test bus of sensors, judged by the sensor link's own
// reply check, so a tool's tests get the faults they ask for.
#include "sensorlink/angle_reply.h"
#include "tests/support/sensor_bus_responder.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::SensorBusResponder;

enum class Reply { Silence, Good, Garbled };

struct Step {
    std::string request;
    Reply reply;
    double angle = 0;  // for a good reply
};

std::string enq(int address) { return {static_cast<char>(address), '\x05'}; }
const std::string kNak = "\x15";

struct HookCase {
    const char* fault = "";  // what goes wrong when this case fails
    std::map<int, double> angles{};
    std::set<int> silent{};
    std::map<int, int> badRepliesBefore{};
    std::optional<double> broadcastAngle{};
    std::vector<Step> steps{};
};
void PrintTo(const HookCase& c, std::ostream* os) { *os << c.fault; }

class BusResponderHooks : public ::testing::TestWithParam<HookCase> {};

TEST_P(BusResponderHooks, AnswerEachRequestAsConfigured) {
    const HookCase& c = GetParam();
    SensorBusResponder bus;
    bus.angles = c.angles;
    bus.silent = c.silent;
    bus.badRepliesBefore = c.badRepliesBefore;
    bus.broadcastAngle = c.broadcastAngle;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        const Step& step = c.steps[i];
        const std::string reply = bus.respond(step.request);
        switch (step.reply) {
        case Reply::Silence:
            EXPECT_EQ(reply, "");
            break;
        case Reply::Good:
            ASSERT_FALSE(anglereply::IsBad(reply.c_str())) << reply;
            EXPECT_DOUBLE_EQ(anglereply::Decode(reply.c_str() + 1), step.angle);
            break;
        case Reply::Garbled:
            EXPECT_EQ(reply.size(), anglereply::kLength);
            EXPECT_TRUE(anglereply::IsBad(reply.c_str())) << reply;
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BusResponderHooks,
    ::testing::ValuesIn(std::vector<HookCase>{
        {.fault = "a silent sensor answers, or silences its neighbour",
         .angles = {{180, 12.5}, {181, 3.25}},
         .silent = {180},
         .steps = {{enq(180), Reply::Silence}, {kNak, Reply::Silence}, {enq(181), Reply::Good, 3.25}}},
        {.fault = "garbled replies are not counted down, or a NAK does not get the next one",
         .angles = {{180, 12.5}},
         .badRepliesBefore = {{180, 2}},
         .steps = {{enq(180), Reply::Garbled},
                   {kNak, Reply::Garbled},
                   {kNak, Reply::Good, 12.5},
                   {kNak, Reply::Good, 12.5},
                   {enq(180), Reply::Good, 12.5}}},
        {.fault = "garbled replies go to another address",
         .angles = {{180, 1.5}, {181, 2.5}},
         .badRepliesBefore = {{180, 1}},
         .steps = {{enq(181), Reply::Good, 2.5},
                   {kNak, Reply::Good, 2.5},
                   {enq(180), Reply::Garbled},
                   {kNak, Reply::Good, 1.5}}},
        {.fault = "the broadcast angle is not what 177 answers",
         .angles = {{180, 1.0}, {181, 2.0}},
         .broadcastAngle = 45.5,
         .steps = {{enq(177), Reply::Good, 45.5}}},
        {.fault = "several sensors answer 177 without colliding",
         .angles = {{180, 1.0}, {181, 2.0}},
         .steps = {{enq(177), Reply::Garbled}, {kNak, Reply::Garbled}}},
        {.fault = "a lone sensor does not answer 177",
         .angles = {{180, 7.25}},
         .steps = {{enq(177), Reply::Good, 7.25}}},
        {.fault = "a silent sensor takes part in a collision on 177",
         .angles = {{180, 1.0}, {181, 2.0}},
         .silent = {181},
         .steps = {{enq(177), Reply::Good, 1.0}}},
        {.fault = "an empty bus answers 177",
         .steps = {{enq(177), Reply::Silence}}},
    }));

}  // namespace
