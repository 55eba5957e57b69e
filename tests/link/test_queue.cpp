// The single-flight queue against a simulated lamp on virtual time.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>

#include "support/LinkFixture.h"

namespace aq::test {
namespace {

class Queue : public LinkFixture {
protected:
    void SetUp() override { connectFirst(); }
    void fireOp(int opcode, BTLECommand::ResponseHandler handler = {}) {
        controller.fireCommand(commandBytes({static_cast<unsigned>(opcode), 0}),
                               controller.rw_characteristic(), std::move(handler));
    }
    void overloadOp(int opcode) {
        controller.overloadCommand(commandBytes({static_cast<unsigned>(opcode), 0}),
                                   controller.test_characteristic(), {});
    }
    void noAnswerFromNext() {
        SimFaults f;
        f.noAnswerFrom = lamp->receivedCount() + 1;
        lamp->setFaults(f);
    }
};

TEST_F(Queue, WaitingCommandsGoOutNewestFirst) {
    fireOp(0xA);
    fireOp(0xB);
    fireOp(0xC);
    fireOp(0xD);
    EXPECT_EQ(controller.waitingCommandCount(), 3u);
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA, 0xD, 0xC, 0xB}));
    EXPECT_EQ(controller.firedCommand(), nullptr);
}

TEST_F(Queue, EachCommandIsWrittenOnlyAfterThePreviousReadCompleted) {
    // Without a handler too: the read is what frees the link.
    fireOp(0xA);
    fireOp(0xB);
    dispatch.runUntil(dispatch.now() + kDelay);  // A's write has arrived
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA}));
    dispatch.runUntil(dispatch.now() + kDelay * 1.5);  // A's read is done, B on its way
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA}));
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA, 0xB}));
}

TEST_F(Queue, AChainedCommandJumpsAheadOfThoseWaiting) {
    fireOp(0xA, [&](const Bytes&) { fireOp(0xE); });
    fireOp(0xB);
    fireOp(0xC);
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA, 0xE, 0xC, 0xB}));
}

// A read reported as failed hands on no bytes, not the previous answer left in the
// characteristic; a second report for the same read, or one with nothing in flight, is dropped.
TEST_F(Queue, OnlyTheFirstReportOfARunningCommandIsItsAnswer) {
    std::vector<Bytes> answers;
    fireOp(0x81, [&](const Bytes& r) { answers.push_back(r); });
    ASSERT_TRUE(dispatch.runUntilIdle());
    noAnswerFromNext();
    fireOp(0x82, [&](const Bytes& r) { answers.push_back(r); });
    dispatch.runUntil(dispatch.now() + kDelay * 3);
    BlePeripheral& peripheral = *controller.peripheral();
    const auto rw = controller.rw_characteristic();
    controller.didUpdateValueForCharacteristic(peripheral, rw, std::string("Read failed"));
    controller.didUpdateValueForCharacteristic(peripheral, rw, std::nullopt);
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(answers, (std::vector<Bytes>{{0x81}, {}}));
}

TEST_F(Queue, OverloadOnAnIdleLinkWritesAtOnce) {
    overloadOp(0x51);
    ASSERT_NE(controller.firedCommand(), nullptr);
    EXPECT_EQ(controller.waitingCommandCount(), 0u);
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0x51}));
}

TEST_F(Queue, OverloadReplacesTheEntryThatWouldGoLastWithoutALogLine) {
    bool droppedHandlerCalled = false;
    fireOp(0xA);
    fireOp(0xB, [&](const Bytes&) { droppedHandlerCalled = true; });
    fireOp(0xC);
    fireOp(0xD);
    log.clear();
    overloadOp(0xE);
    EXPECT_TRUE(log.entries().empty());
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA, 0xD, 0xC, 0xE}));
    EXPECT_FALSE(droppedHandlerCalled);
}

// The keyed send only ever replaces a waiting command with its own key;
// the replacement goes out as the newest, nothing else is dropped.
TEST_F(Queue, KeyedSendReplacesOnlyItsOwnKey) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, int>> sends;  // key ("" plain), opcode
        std::vector<int> onTheAir;
    };
    const Case cases[] = {
        {"same key twice", {{"a", 0x51}, {"a", 0x52}}, {0xA, 0x52}},
        {"another key kept", {{"a", 0x51}, {"b", 0x61}, {"a", 0x52}}, {0xA, 0x52, 0x61}},
        {"plain command kept", {{"", 0xB}, {"a", 0x51}, {"a", 0x52}}, {0xA, 0x52, 0xB}},
        {"keyed behind plain", {{"a", 0x51}, {"", 0xB}, {"a", 0x52}}, {0xA, 0x52, 0xB}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lamp->clearReceived();
        fireOp(0xA);
        for (const auto& [key, op] : c.sends) {
            const Bytes data = commandBytes({static_cast<unsigned>(op), 0});
            if (*key) {
                controller.replaceCommand(key, data, controller.rw_characteristic(), {});
            } else {
                fireOp(op);
            }
        }
        ASSERT_TRUE(dispatch.runUntilIdle());
        EXPECT_EQ(opcodes(*lamp), c.onTheAir);
    }
}

TEST_F(Queue, WaitUntilSentReturnsOnceTheQueueDrained) {
    for (int op = 0xA; op <= 0xD; ++op) fireOp(op);
    EXPECT_TRUE(controller.waitUntilSent(2.0));
    EXPECT_EQ(opcodes(*lamp).size(), 4u);
    noAnswerFromNext();
    fireOp(0xE);
    const double start = dispatch.now();
    EXPECT_FALSE(controller.waitUntilSent(0.5));
    EXPECT_NEAR(dispatch.now() - start, 0.5, 0.02);
}

struct StaleCase {
    double after;  // seconds after the unanswered write that B is loaded
    bool abandons;
};

class StaleRule : public Queue, public ::testing::WithParamInterface<StaleCase> {};

TEST_P(StaleRule, ALoadAbandonsOnlyACommandWrittenMoreThanOneSecondAgo) {
    noAnswerFromNext();
    fireOp(0xA);
    const double writtenAt = dispatch.now();
    dispatch.runUntil(writtenAt + GetParam().after);
    lamp->setFaults({});
    fireOp(0xB);
    const bool abandoned = !log.matching("!!!").empty();
    EXPECT_EQ(abandoned, GetParam().abandons);
    EXPECT_EQ(controller.waitingCommandCount(), GetParam().abandons ? 0u : 1u);
    if (abandoned) {
        EXPECT_TRUE(std::regex_match(log.matching("!!!").front(),
                                     std::regex(R"(\d{6} !!! \(1\.2\d{3} Sek\)\n)")));
        dispatch.runUntil(dispatch.now() + 1.0);
        EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA, 0xB}));
    }
}

INSTANTIATE_TEST_SUITE_P(Ages, StaleRule,
                         ::testing::Values(StaleCase{0.99, false}, StaleCase{1.2, true}));

TEST_F(Queue, AnUnansweredCommandIsAbandonedAfterFiveSecondsEvenWithNothingLoaded) {
    noAnswerFromNext();
    fireOp(0xA);
    dispatch.runUntil(dispatch.now() + 4.9);
    EXPECT_TRUE(log.matching("!!!").empty());
    EXPECT_NE(controller.firedCommand(), nullptr);
    dispatch.runUntil(dispatch.now() + 0.2);
    ASSERT_EQ(log.matching("!!!").size(), 1u);
    EXPECT_EQ(controller.firedCommand(), nullptr);
}

TEST_F(Queue, AChainedCommandDoesNotAbandonTheOneWhoseAnswerItFollows) {
    // The answer comes 1.5 s after the write; the command its handler loads
    // must wait for that answer to be finished, not declare it lost.
    SimFaults late;
    late.lateBy = 1.5;
    lamp->setFaults(late);
    fireOp(0xA, [&](const Bytes&) {
        lamp->setFaults({});
        fireOp(0xE);
    });
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_TRUE(log.matching("!!!").empty());
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA, 0xE}));
    EXPECT_EQ(log.matching("-->").size(), 2u);
    EXPECT_EQ(log.matching("<--").size(), 2u);
}

TEST_F(Queue, ACommandWrittenWithoutALampIsAbandonedLikeALostOne) {
    controller.disconnect();
    fireOp(0xA);
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(log.matching("!!!").size(), 1u);
    EXPECT_TRUE(opcodes(*lamp).empty());
}

// The lamp's link goes down with a page's worth of commands still waiting
// (nothing tells the link): each one is given up as soon as it is taken,
// not after the full wait, so a new connection is not held up behind them.
TEST_F(Queue, CommandsLeftOnALostLinkAreAbandonedAtOnce) {
    SimFaults f;
    f.dropLinkAt = lamp->receivedCount() + 1;
    lamp->setFaults(f);
    for (int i = 0; i < 40; ++i) fireOp(0x0A);
    const double start = dispatch.now();
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(log.matching("!!!").size(), 40u);
    // The one on the air when the link dropped waits the usual time; the
    // other 39 go at once.
    EXPECT_LT(dispatch.now() - start, BTLEController::kAbandonAfterSeconds + 1.0);
    EXPECT_EQ(controller.firedCommand(), nullptr);
    EXPECT_EQ(controller.waitingCommandCount(), 0u);
}

TEST_F(Queue, LogLinesCarrySixDigitNumbersAndHexBytes) {
    fireOp(0x9B);
    ASSERT_TRUE(dispatch.runUntilIdle());
    const auto out = log.matching("-->");
    const auto in = log.matching("<--");
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_TRUE(std::regex_match(out[0], std::regex(R"(\d{6} --> <9b00>\n)"))) << out[0];
    EXPECT_TRUE(std::regex_match(in[0], std::regex(R"(\d{6} <-- <9b> \(0\.0200 Sek\)\n)")))
        << in[0];
    EXPECT_EQ(out[0].substr(0, 6), in[0].substr(0, 6));
}

TEST(CommandCounter, NumbersCommandsFromOneInOrder) {
    // The counter is process-wide, so this test looks only at differences
    // and, if it runs first in its process, at the very first number.
    BTLECommand first({0x01}, nullptr, 0.0);
    BTLECommand second({0x02}, nullptr, 0.0);
    EXPECT_GE(first.num(), 1u);
    EXPECT_EQ(second.num(), first.num() + 1);
}

// --- synchronous commands from workers ----------------------------------

TEST_F(Queue, SyncCommandsFromAWorkerReturnTheirAnswersInOrder) {
    std::vector<std::optional<Bytes>> answers;
    dispatch.runOnWorker([&] {
        for (unsigned op : {0x81u, 0x82u, 0x83u}) {
            answers.push_back(
                controller.fireSyncCommand(commandBytes({op, 0}), controller.rw_characteristic()));
        }
    });
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(answers, (std::vector<std::optional<Bytes>>{Bytes{0x81}, Bytes{0x82}, Bytes{0x83}}));
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0x81, 0x82, 0x83}));
}

TEST_F(Queue, AnAbandonedSyncCommandWakesItsWaiterWithNoValue) {
    noAnswerFromNext();
    std::optional<std::optional<Bytes>> answer;
    double wokeAt = 0;
    const double start = dispatch.now();
    dispatch.runOnWorker([&] {
        answer =
            controller.fireSyncCommand(commandBytes({0x81, 0}), controller.rw_characteristic());
        wokeAt = dispatch.now();
    });
    ASSERT_TRUE(dispatch.runUntilIdle(60.0));
    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(answer->has_value());
    EXPECT_NEAR(wokeAt - start, BTLEController::kAbandonAfterSeconds, 1e-6);
}

TEST_F(Queue, ASyncWaiterIsWokenByTheStaleRuleOfALaterLoad) {
    noAnswerFromNext();
    std::optional<std::optional<Bytes>> answer;
    dispatch.runOnWorker([&] {
        answer =
            controller.fireSyncCommand(commandBytes({0x81, 0}), controller.rw_characteristic());
    });
    dispatch.runUntil(dispatch.now() + 1.5);
    EXPECT_FALSE(answer.has_value());
    lamp->setFaults({});
    fireOp(0x0A);
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return answer.has_value(); }, 0.5));
    EXPECT_FALSE(answer->has_value());
}

TEST_F(Queue, ASyncCommandReplacedByAnOverloadWakesWithNoValue) {
    fireOp(0xA);
    std::optional<std::optional<Bytes>> answer;
    dispatch.runOnWorker([&] {
        answer =
            controller.fireSyncCommand(commandBytes({0x81, 0}), controller.rw_characteristic());
    });
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return controller.waitingCommandCount() == 1; }));
    overloadOp(0x51);
    ASSERT_TRUE(dispatch.runUntilIdle());
    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(answer->has_value());
    EXPECT_EQ(opcodes(*lamp), (std::vector<int>{0xA, 0x51}));
}

TEST_F(Queue, ManyWorkersShareTheLinkWithoutLosingAnAnswer) {
    constexpr int kWorkers = 4;
    constexpr int kEach = 25;
    std::atomic<int> answered{0};
    std::atomic<int> wrong{0};
    for (int w = 0; w < kWorkers; ++w) {
        dispatch.runOnWorker([&, w] {
            for (int i = 0; i < kEach; ++i) {
                const auto op = static_cast<unsigned>(0x10 + w);
                auto r = controller.fireSyncCommand(commandBytes({op, 0}),
                                                    controller.rw_characteristic());
                if (r && r->size() == 1 && (*r)[0] == op) {
                    ++answered;
                } else {
                    ++wrong;
                }
            }
        });
    }
    ASSERT_TRUE(dispatch.runUntilIdle());
    EXPECT_EQ(answered.load(), kWorkers * kEach);
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_TRUE(log.matching("!!!").empty());
}

}  // namespace
}  // namespace aq::test
