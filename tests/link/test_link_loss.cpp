// A link that ends by itself, and connects that fail, against simulated lamps
// on virtual time.
#include <gtest/gtest.h>

#include "link/LampUuids.h"
#include "support/LinkFixture.h"

namespace aq::test {
namespace {

class LinkLoss : public LinkFixture {
protected:
    void SetUp() override {
        controller.setConnectionLostHandler([this](const BTLEController::LinkLoss& loss) {
            losses.push_back(loss);
            // The handler runs once nothing is left waiting on the lost link.
            waitingAtLoss = controller.waitingCommandCount();
            connectedAtLoss = controller.is_connected();
        });
    }
    std::vector<BTLEController::LinkLoss> losses;
    std::size_t waitingAtLoss = 99;
    bool connectedAtLoss = true;
};

// However the link ends, a worker waiting on a command and the commands
// queued behind it are given up at once, nothing reaches the lamp afterwards,
// the handler hears which lamp and why, and the lamp connects again.
TEST_F(LinkLoss, EveryWaitingCommandIsGivenUpAtOnceAndTheAppIsTold) {
    struct Case {
        const char* name;
        std::function<void()> lose;
        const char* reason;
    };
    const Case cases[] = {
        {"dropped on a write",
         [this] {
             SimFaults f;
             f.dropLinkOnceAt = lamp->receivedCount() + 1;
             lamp->setFaults(f);
         },
         "the link timed out"},
        {"lamp switched off while a command is on the air",
         [this] { dispatch.singleShot(0.005, [this] { central.switchOff(central.lamps()[0]); }); },
         "the lamp was switched off or went out of range"},
        {"adapter switched off",
         [this] {
             dispatch.singleShot(0.005, [this] { central.setState(CentralState::PoweredOff); });
         },
         "Bluetooth was switched off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        central.setState(CentralState::PoweredOn);
        lamp->setFaults({});
        losses.clear();
        connectFirst();
        c.lose();

        std::optional<std::optional<std::uint8_t>> channels;
        double answeredAt = -1;
        dispatch.runOnWorker([&] {
            channels = controller.getChannels();
            answeredAt = dispatch.now();
        });
        int asyncAnswers = 0;
        for (int i = 0; i < 5; ++i) controller.getSlaves([&](std::uint8_t) { ++asyncAnswers; });
        const double start = dispatch.now();
        const std::uint64_t before = lamp->receivedCount();
        ASSERT_TRUE(dispatch.runUntilIdle(60.0));

        ASSERT_EQ(losses.size(), 1u);
        EXPECT_EQ(losses[0].identifier, lamp->identifier());
        EXPECT_EQ(losses[0].name, std::optional<std::string>("AquaLamp"));
        EXPECT_EQ(losses[0].reason, std::optional<std::string>(c.reason));
        EXPECT_EQ(waitingAtLoss, 0u);
        EXPECT_FALSE(connectedAtLoss);
        ASSERT_TRUE(channels.has_value()) << "the worker never returned";
        EXPECT_EQ(*channels, std::nullopt);
        EXPECT_LT(answeredAt - start, 0.2) << "the worker waited for the abandon rule";
        EXPECT_EQ(asyncAnswers, 0);
        EXPECT_EQ(lamp->receivedCount(), before) << "commands went to a lost link";
        EXPECT_EQ(controller.firedCommand(), nullptr);
    }
}

// Links that end on purpose are no loss: a disconnect, and the drop and
// reconnect of the boot loader's restart.
TEST_F(LinkLoss, DeliberateEndsAreNoLoss) {
    connectFirst();
    dispatch.runOnWorker([&] {
        controller.expectLinkDrop();
        controller.fireCustomBl("1e", {});  // the lamp restarts into its boot loader
        dispatch.sleepFor(0.15);
        controller.reconnect(0.25f);
    });
    ASSERT_TRUE(dispatch.runUntilIdle(30.0));
    EXPECT_TRUE(controller.is_connected());
    EXPECT_EQ(log.matching("dropped as expected").size(), 1u);

    // The expectation ends with the reconnect: the next drop is a loss.
    SimFaults f;
    f.dropLinkOnceAt = lamp->receivedCount() + 1;
    lamp->setFaults(f);
    controller.getSlaves([](std::uint8_t) {});
    ASSERT_TRUE(dispatch.runUntilIdle(30.0));
    EXPECT_EQ(losses.size(), 1u);
    EXPECT_EQ(controller.bl_characteristic(), nullptr);

    lamp->setFaults({});
    connectFirst();
    ASSERT_NE(controller.bl_characteristic(), nullptr);
    controller.disconnect();
    ASSERT_TRUE(dispatch.runUntilIdle(30.0));
    EXPECT_EQ(losses.size(), 1u);
    // Nothing of the ended link is kept: a firmware update cannot start
    // writing to a boot-loader characteristic of a link that is gone.
    EXPECT_EQ(controller.bl_characteristic(), nullptr);
    EXPECT_EQ(controller.rw_characteristic(), nullptr);
}

// A failed connect says why.
TEST_F(LinkLoss, AFailedConnectSaysWhy) {
    struct Case {
        const char* name;
        std::function<void()> spoil;
        BTLEController::ConnectFailure failure;
    };
    using F = BTLEController::ConnectFailure;
    const Case cases[] = {
        {"refused",
         [this] {
             SimFaults f;
             f.refuseConnection = true;
             lamp->setFaults(f);
         },
         F::Refused},
        {"no test characteristic",
         [this] {
             SimFaults f;
             f.commandCharacteristicOnly = true;
             lamp->setFaults(f);
         },
         F::NoTestCharacteristic},
        {"adapter off",
         [this] {
             dispatch.singleShot(0.0, [this] { central.setState(CentralState::PoweredOff); });
         },
         F::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        central.setState(CentralState::PoweredOn);
        lamp->setFaults({});
        scanFor(1);
        c.spoil();
        bool failed = false;
        controller.connect_periperal_at(
            0, [] {}, [&] { failed = true; });
        if (!failed) controller.disconnect();  // a lamp without the service is still held
        EXPECT_EQ(controller.connectFailure(), c.failure);
        if (c.failure == F::Refused) {
            EXPECT_FALSE(controller.connectFailureDetail().empty());
        }
        EXPECT_TRUE(losses.empty());
        ASSERT_TRUE(dispatch.runUntilIdle(30.0));
    }
    // A later connect that works clears the reason.
    central.setState(CentralState::PoweredOn);
    lamp->setFaults({});
    connectFirst();
    EXPECT_EQ(controller.connectFailure(), F::None);
}

}  // namespace
}  // namespace aq::test
