// Faults of an established link through the real Qt Bluetooth central: a lamp that stops
// answering until BlueZ gives up (the link's own rule is the page tests'), a link lost in the
// middle of an upload (then the day programme uploaded to every lamp and read back whole), a device
// object BlueZ removes, writes BlueZ refuses. In each case nothing hangs, the link is seen to be
// gone, and a new connection works.
#include "E2eFixture.h"
#include "ProgrammeTransfer.h"

namespace aq::test {
namespace {

class LinkFaults : public E2eFixture {
protected:
    // Scans and connects the only lamp; none when it is not ready.
    PeripheralPtr connectTheLamp() {
        if (!scanFor(1)) return nullptr;
        const PeripheralPtr lamp = link().peripherals()[0];
        return connectAt(0).ready ? lamp : nullptr;
    }

    // Once its fault is cleared the lamp is found again as the same one, connects and answers.
    void expectRecovers(const PeripheralPtr& lamp) {
        standIn.clearFaults();
        ASSERT_TRUE(scanFor(1)) << "the lamp was not found again";
        EXPECT_EQ(link().peripherals()[0], lamp) << "the lamp came back as another";
        ASSERT_TRUE(connectAt(0).ready) << "the lamp could not be connected again";
        EXPECT_EQ(onWorker([] { return link().getChannels(); }, 10.0),
                  std::optional<std::uint8_t>(6));
    }
};

TEST_F(LinkFaults, BlueZsOwnTimeoutDropsTheLinkTheCommandFailsAndANewLinkWorks) {
    // BlueZ's ATT timeout, shortened from 30 s to end before the link's own rule.
    ASSERT_TRUE(start({"--no-answer-from", "3", "--att-timeout-ms", "2000"}));
    const PeripheralPtr lamp = connectTheLamp();
    ASSERT_TRUE(lamp);
    // The lamp answers its name (commands 1 and 2), then nothing: the worker asking for the
    // channels gets no value.
    std::optional<std::string> name;
    link().getName([&](const std::string& text) { name = text; });
    ASSERT_TRUE(waitUntil([&] { return name.has_value(); }, 5.0));
    const double began = dispatch.now();
    const auto channels = onWorker([] { return link().getChannels(); }, 15.0);
    ASSERT_TRUE(channels.has_value()) << "the worker hung";
    EXPECT_EQ(*channels, std::nullopt);
    EXPECT_LT(dispatch.now() - began, 8.0);
    // BlueZ gives up on the request and drops the link; the link notices.
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_NE(standIn.log().find("ATT request timed out"), std::string::npos);
    expectRecovers(lamp);
}

TEST_F(LinkFaults, ALinkLostInAnUploadStopsItPromptlyAndAfterwardsEveryLampTakesItWhole) {
    // Command 50 falls on the first slave's programme.
    ASSERT_TRUE(start({"--slaves", "2", "--drop-link-at", "50"}));
    const PeripheralPtr lamp = connectTheLamp();
    ASSERT_TRUE(lamp);
    const double began = dispatch.now();
    EXPECT_EQ(onWorker([] { return uploadProgrammes(link(), 3); }, 30.0), false);
    EXPECT_LT(dispatch.now() - began, 8.0) << "the upload did not stop at the lost command";
    // The failed write can come before BlueZ's word that the link is gone.
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    EXPECT_EQ(standIn.writeCount(0), 49) << "the lamp took commands after the drop";

    expectRecovers(lamp);
    const std::size_t abandoned = log.matching("!!!").size();
    EXPECT_EQ(onWorker([] { return uploadProgrammes(link(), 3); }, 30.0), true);
    for (unsigned d = 0; d < 3; ++d) {
        SCOPED_TRACE("lamp " + std::to_string(d));
        // What the lamp holds, seen from its side, and what the link reads back.
        EXPECT_EQ(standIn.programme(0, d), programmeFor(d));
        const auto back = onWorker([d] { return downloadProgramme(link(), d); }, 30.0);
        ASSERT_TRUE(back.has_value() && back->has_value());
        EXPECT_EQ(**back, programmeFor(d));
    }
    EXPECT_EQ(log.matching("!!!").size(), abandoned) << "a command was abandoned";
    EXPECT_TRUE(link().is_connected());
}

TEST_F(LinkFaults, ARemovedDeviceEndsTheReadsAndTheLinkAndTheLampIsFoundAgain) {
    // Command 5 is the first channel's colour, while the lamp's channels are read.
    ASSERT_TRUE(start({"--remove-device-at", "5"}));
    const PeripheralPtr lamp = connectTheLamp();
    ASSERT_TRUE(lamp);
    EXPECT_FALSE(readLamp());
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_FALSE(log.matching("UnknownRemoteDeviceError").empty())
        << "Qt reported the removal some other way";
    EXPECT_EQ(standIn.writeCount(0), 4);

    expectRecovers(lamp);
    const auto read = readLamp();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->channels.size(), 6u);
}

TEST_F(LinkFaults, ADownloadWhoseWritesAreRefusedFailsInsteadOfTakingTheAnswerBefore) {
    // From command 5 on BlueZ fails the writes with an ATT error; the link stays up.
    ASSERT_TRUE(start({"--slaves", "0", "--write-error-at", "5"}));
    ASSERT_TRUE(connectTheLamp());
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
