// The simulated lamp's fault switches as the link meets them: each fault
// hits the commands it is set for and leaves the others alone.
#include <gtest/gtest.h>

#include "support/LampFixture.h"

namespace aq::test {
namespace {

struct FaultCase {
    const char* name;
    SimFaults faults;
    // What the command 0x9C (serial number, 9-byte answer) gets.
    bool answered;
    std::size_t length;
    bool trueBytes;
    bool linkUp;
    double atLeastSeconds;  // from the write to the answer
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

SimFaults forSerial(SimFault fault, const std::string& characteristic = {}) {
    SimFaults f;
    f.forCommands.push_back({0x9C, fault, characteristic});
    return f;
}

SimFaults from(std::optional<std::uint64_t> SimFaults::*field, std::uint64_t n) {
    SimFaults f;
    f.*field = n;
    return f;
}

std::vector<FaultCase> faultCases() {
    SimFaults shortThree = forSerial(SimFault::ShortAnswer);
    shortThree.shortAnswerLength = 3;
    SimFaults lateFive = forSerial(SimFault::LateAnswer);
    lateFive.lateAnswerBy = 0.5;
    return {
        {"none", {}, true, 9, true, true, 0.0},
        {"shortForOpcode", forSerial(SimFault::ShortAnswer), true, 1, true, true, 0.0},
        {"shortToThree", shortThree, true, 3, true, true, 0.0},
        {"shortFromFirst", from(&SimFaults::shortAnswerFrom, 1), true, 1, true, true, 0.0},
        {"garbageForOpcode", forSerial(SimFault::GarbageAnswer), true, 9, false, true, 0.0},
        {"garbageFromFirst", from(&SimFaults::garbageAnswerFrom, 1), true, 9, false, true, 0.0},
        {"noAnswerForOpcode", forSerial(SimFault::NoAnswer), false, 0, false, true, 0.0},
        {"noAnswerFromFirst", from(&SimFaults::noAnswerFrom, 1), false, 0, false, true, 0.0},
        {"noAnswerOnOtherCharacteristic", forSerial(SimFault::NoAnswer, kTestCharacteristicUUID),
         true, 9, true, true, 0.0},
        {"lateForOpcode", lateFive, true, 9, true, true, 0.5},
        {"dropForOpcode", forSerial(SimFault::DropLink), false, 0, false, false, 0.0},
        {"dropFromFirst", from(&SimFaults::dropLinkAt, 1), false, 0, false, false, 0.0},
    };
}

class Faults : public LampFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Faults, HitTheCommandsTheyAreSetFor) {
    const FaultCase& c = GetParam();
    lamp->updateModel([](SimLampModel& m) { m.serialNumber = 0x0807060504030201ull; });
    const Bytes truth{0x9C, 1, 2, 3, 4, 5, 6, 7, 8};
    lamp->setFaults(c.faults);

    std::optional<Bytes> answer;
    double answeredAt = 0;
    const double sentAt = dispatch.now();
    controller.fireCommand({0x9C, 0x00}, controller.rw_characteristic(), [&](const Bytes& r) {
        answer = r;
        answeredAt = dispatch.now();
    });
    dispatch.runUntil(sentAt + 3.0);

    EXPECT_EQ(answer.has_value(), c.answered);
    EXPECT_EQ(controller.is_connected(), c.linkUp);
    if (!answer) return;
    EXPECT_EQ(answer->size(), c.length);
    const Bytes expectedPrefix(truth.begin(), truth.begin() + static_cast<long>(c.length));
    EXPECT_EQ(*answer == expectedPrefix, c.trueBytes);
    EXPECT_GE(answeredAt - sentAt, c.atLeastSeconds + 2 * kDelay - 1e-9);
    EXPECT_LT(answeredAt - sentAt, c.atLeastSeconds + 3 * kDelay);
}

INSTANTIATE_TEST_SUITE_P(Switches, Faults, ::testing::ValuesIn(faultCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LampFixture, AFaultForOneOpcodeSparesTheOthers) {
    for (SimFault fault : {SimFault::NoAnswer, SimFault::ShortAnswer, SimFault::GarbageAnswer}) {
        setFault(0x9C, fault);
    }
    std::optional<Bytes> channels;
    controller.fireCommand({0x97, 0x00}, controller.rw_characteristic(),
                           [&](const Bytes& r) { channels = r; });
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(channels, (Bytes{0x97, 6}));
}

TEST_F(LampFixture, GarbageIsTheSameInEveryRunButDiffersPerCommand) {
    setFault(0x9C, SimFault::GarbageAnswer);
    std::vector<Bytes> answers;
    for (int i = 0; i < 2; ++i) {
        controller.fireCommand({0x9C, 0x00}, controller.rw_characteristic(),
                               [&](const Bytes& r) { answers.push_back(r); });
        ASSERT_TRUE(dispatch.runUntilIdle());
    }
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_NE(answers[0], answers[1]);

    // A second lamp with the same history gives the same noise.
    SimModelLamp other("x", "y", SimLampModel::standard(0));
    SimFaults f;
    f.forCommands.push_back({0x9C, SimFault::GarbageAnswer, {}});
    other.setFaults(f);
    EXPECT_EQ(other.receive(kCommandCharacteristicUUID, {0x9C, 0x00}), answers[0]);
}

TEST_F(LampFixture, TheReceiveLogKeepsEachCharacteristicApart) {
    controller.liveBolt();
    controller.fireCommand({0x0B, 0x00}, controller.rw_characteristic(), {});
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(sent(kTest), (std::vector<Bytes>{{0x0B, 0x00}}));
    EXPECT_EQ(sent(kRw), (std::vector<Bytes>{{0x0B, 0x00}}));
    EXPECT_EQ(lamp->model().testBolts, 1u);
}

}  // namespace
}  // namespace aq::test
