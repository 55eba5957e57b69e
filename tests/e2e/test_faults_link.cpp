// Faults of an established link through the real Qt Bluetooth central: a lamp that stops
// answering, a link lost in the middle of an upload, a device object BlueZ removes. In each
// case nothing hangs, the link is seen to be gone, and a new connection works.
#include "E2eFixture.h"
#include "ProgrammeTransfer.h"

namespace aq::test {
namespace {

// Scans, connects and checks that the lamp answers again, once its fault is cleared.
#define EXPECT_RECOVERS()                                                            \
    do {                                                                             \
        standIn.clearFaults();                                                       \
        ASSERT_TRUE(scanFor(1)) << "the lamp was not found again";                   \
        EXPECT_EQ(link().peripherals()[0], lamp) << "the lamp came back as another"; \
        ASSERT_TRUE(connectAt(0).ready) << "the lamp could not be connected again";  \
        EXPECT_EQ(onWorker([] { return link().getChannels(); }, 10.0),               \
                  std::optional<std::uint8_t>(6));                                   \
    } while (false)

class NoAnswer : public E2eFixture {
protected:
    // BlueZ waits 30 s for an answer, and every later request waits behind it.
    NoAnswer() : E2eFixture({"--no-answer-from", "3"}) {}
};

TEST_F(NoAnswer, TheLinkGivesTheCommandUpAndADisconnectFreesTheLamp) {
    ASSERT_TRUE(scanFor(1));
    const PeripheralPtr lamp = link().peripherals()[0];
    ASSERT_TRUE(connectAt(0).ready);
    std::optional<std::string> name;
    link().getName([&](const std::string& text) { name = text; });  // commands 1 and 2
    ASSERT_TRUE(waitUntil([&] { return name.has_value(); }, 5.0));

    // Command 3 is never answered: the worker gets no value by the link's own rule (given up
    // after 5 s), long before BlueZ would give up.
    const double start = dispatch.now();
    const auto channels = onWorker([] { return link().getChannels(); }, 15.0);
    ASSERT_TRUE(channels.has_value()) << "the worker hung";
    EXPECT_EQ(*channels, std::nullopt);
    EXPECT_LT(dispatch.now() - start, 8.0);
    EXPECT_EQ(log.matching("!!!").size(), 1u);
    // The request still holds the lamp; letting the lamp go frees it at once.
    link().disconnect();
    EXPECT_TRUE(
        waitUntil([&] { return standIn.log().find("link ends") != std::string::npos; }, 5.0));

    EXPECT_RECOVERS();
}

class NoAnswerTimedOut : public E2eFixture {
protected:
    // BlueZ's ATT timeout, shortened from 30 s to end before the link's own rule.
    NoAnswerTimedOut() : E2eFixture({"--no-answer-from", "3", "--att-timeout-ms", "2000"}) {}
};

TEST_F(NoAnswerTimedOut, BlueZDropsTheLinkTheCommandFailsAndANewLinkWorks) {
    ASSERT_TRUE(scanFor(1));
    const PeripheralPtr lamp = link().peripherals()[0];
    ASSERT_TRUE(connectAt(0).ready);
    std::optional<std::string> name;
    link().getName([&](const std::string& text) { name = text; });  // commands 1 and 2
    ASSERT_TRUE(waitUntil([&] { return name.has_value(); }, 5.0));

    const double start = dispatch.now();
    const auto channels = onWorker([] { return link().getChannels(); }, 15.0);
    ASSERT_TRUE(channels.has_value()) << "the worker hung";
    EXPECT_EQ(*channels, std::nullopt);
    EXPECT_LT(dispatch.now() - start, 8.0);
    // BlueZ gives up on the request and drops the link; the link notices.
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_NE(standIn.log().find("ATT request timed out"), std::string::npos);

    EXPECT_RECOVERS();
}

class LinkLost : public E2eFixture {
protected:
    // Command 50 falls on the first slave's programme.
    LinkLost() : E2eFixture({"--slaves", "2", "--drop-link-at", "50"}) {}
};

TEST_F(LinkLost, AnUploadStopsPromptlyAndCanBeDoneAgain) {
    ASSERT_TRUE(scanFor(1));
    const PeripheralPtr lamp = link().peripherals()[0];
    ASSERT_TRUE(connectAt(0).ready);

    const double start = dispatch.now();
    EXPECT_EQ(onWorker([] { return uploadProgrammes(link(), 3); }, 30.0), false);
    EXPECT_LT(dispatch.now() - start, 8.0) << "the upload did not stop at the lost command";
    // The failed write can come before BlueZ's word that the link is gone.
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    EXPECT_EQ(standIn.writes(0).size(), 49u) << "the lamp took commands after the drop";

    EXPECT_RECOVERS();
    EXPECT_EQ(onWorker([] { return uploadProgrammes(link(), 3); }, 30.0), true);
    const auto back = onWorker([] { return downloadProgramme(link(), 1); }, 30.0);
    ASSERT_TRUE(back.has_value() && back->has_value());
    EXPECT_EQ(**back, programmeFor(1));
}

class DeviceRemoved : public E2eFixture {
protected:
    // Command 5 is the first channel's colour, while the lamp's channels are read.
    DeviceRemoved() : E2eFixture({"--remove-device-at", "5"}) {}
};

TEST_F(DeviceRemoved, TheReadsEndTheLinkIsGoneAndTheLampIsFoundAgain) {
    ASSERT_TRUE(scanFor(1));
    const PeripheralPtr lamp = link().peripherals()[0];
    ASSERT_TRUE(connectAt(0).ready);

    EXPECT_FALSE(readLampIntoStore());
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_FALSE(log.matching("UnknownRemoteDeviceError").empty())
        << "Qt reported the removal some other way";
    EXPECT_EQ(standIn.writes(0).size(), 4u);

    EXPECT_RECOVERS();
    EXPECT_TRUE(readLampIntoStore());
    EXPECT_EQ(store().channels().size(), 6u);
}

}  // namespace
}  // namespace aq::test

namespace aq::test {
namespace {

class WriteRefused : public E2eFixture {
protected:
    // From command 5 on BlueZ fails the writes with an ATT error; the link stays up.
    WriteRefused() : E2eFixture({"--slaves", "0", "--write-error-at", "5"}) {}
};

TEST_F(WriteRefused, ADownloadFailsInsteadOfTakingTheAnswerOfTheCommandBefore) {
    ASSERT_TRUE(scanFor(1));
    ASSERT_TRUE(connectAt(0).ready);
    const auto truth = standIn.programme(0, 0);
    ASSERT_EQ(truth.size(), 6u);

    const auto back = onWorker([] { return downloadProgramme(link(), 0); }, 60.0);
    ASSERT_TRUE(back.has_value()) << "the worker hung";
    if (back->has_value()) {
        // Whatever the link hands back must be what the lamp holds.
        EXPECT_EQ(**back, truth);
    }
    EXPECT_FALSE(back->has_value()) << "a refused write was answered";
    EXPECT_TRUE(link().is_connected());

    // Once BlueZ takes the writes again, so does the link: the same download comes back whole.
    standIn.clearFaults();
    const auto again = onWorker([] { return downloadProgramme(link(), 0); }, 60.0);
    ASSERT_TRUE(again.has_value() && again->has_value());
    EXPECT_EQ(**again, truth);
}

}  // namespace
}  // namespace aq::test
