// Faults of an established link through the real Qt Bluetooth central: a lamp that stops
// answering (BlueZ's own timeout, or the link's rule before it), a link that drops or a device
// object BlueZ removes, writes BlueZ refuses. In each case nothing hangs, the link is seen to be
// gone, and a new connection works.
#include "E2eFixture.h"

namespace aq::test {
namespace {

class LinkFaults : public E2eFixture {};

struct Unanswered {
    QStringList options;
    bool bluezDrops;  // BlueZ ends the link itself, else the link gives the command up
    const char* standInSays;
};

class UnansweredReads : public LinkFaults, public ::testing::WithParamInterface<Unanswered> {};

// The lamp answers its name (commands 1 and 2), then nothing. BlueZ would wait 30 s for the
// answer unless shortened: the link's own rule must end the reads first.
INSTANTIATE_TEST_SUITE_P(
    E2e, UnansweredReads,
    ::testing::Values(
        Unanswered{
            {"--no-answer-from", "3", "--att-timeout-ms", "2000"}, true, "ATT request timed out"},
        // The unanswered request still holds the lamp; letting it go frees it at once.
        Unanswered{{"--no-answer-from", "3"}, false, "link ends: disconnected by the central"}));

TEST_P(UnansweredReads, AreGivenUpInTimeTheLinkEndsAndANewLinkWorks) {
    ASSERT_TRUE(start(GetParam().options));
    const PeripheralPtr lamp = connectTheLamp();
    ASSERT_TRUE(lamp);
    const double began = dispatch.now();
    EXPECT_FALSE(readLamp());
    EXPECT_LT(dispatch.now() - began, 10.0);
    if (!GetParam().bluezDrops) {
        EXPECT_EQ(log.matching("!!!").size(), 1u) << "the command was not given up by the link";
        link().disconnect();
    }
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_TRUE(waitUntil(
        [&] { return standIn.log().find(GetParam().standInSays) != std::string::npos; }, 5.0));
    expectRecovers(lamp);
}

struct Loss {
    QStringList options;
    const char* qtSays;  // how Qt reports it in the log
};

class LostLinks : public LinkFaults, public ::testing::WithParamInterface<Loss> {};

// Command 5 is the first channel's colour, while the lamp's channels are read.
INSTANTIATE_TEST_SUITE_P(
    E2e, LostLinks,
    ::testing::Values(Loss{{"--drop-link-at", "5"},
                           "Bluetooth: link to 00000000-0000-0000-0000-C04A51000001 closed"},
                      Loss{{"--remove-device-at", "5"}, "UnknownRemoteDeviceError"}));

TEST_P(LostLinks, EndTheReadsAtOnceAndTheLampIsFoundAgain) {
    ASSERT_TRUE(start(GetParam().options));
    const PeripheralPtr lamp = connectTheLamp();
    ASSERT_TRUE(lamp);
    const double began = dispatch.now();
    EXPECT_FALSE(readLamp());
    // The failed write can come before BlueZ's word that the link is gone.
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    EXPECT_LT(dispatch.now() - began, 3.0) << "the loss was noticed late";
    EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    EXPECT_FALSE(log.matching(GetParam().qtSays).empty()) << "Qt reported it some other way";
    EXPECT_EQ(standIn.writeCount(0), 4) << "the lamp took commands after the loss";
    expectRecovers(lamp);
}

TEST_F(LinkFaults, ReadsWhoseWritesAreRefusedFailInsteadOfTakingTheAnswerBefore) {
    // From command 5 on BlueZ fails the writes with an ATT error; the link stays up.
    ASSERT_TRUE(start({"--slaves", "0", "--write-error-at", "5"}));
    ASSERT_TRUE(connectTheLamp());
    EXPECT_FALSE(readLamp()) << "a refused write was answered";
    EXPECT_TRUE(link().is_connected());

    // Once BlueZ takes the writes again, so does the link: the lamp is read whole.
    standIn.clearFaults();
    const auto lamp = readLamp();
    ASSERT_TRUE(lamp);
    EXPECT_EQ(lamp->channels.size(), 6u);
    EXPECT_EQ(lamp->presettings.size(), 6u);
    EXPECT_EQ(GlobalStore::getNameForUUID(link().peripheral()->identifier()), "Tank 1");
}

}  // namespace
}  // namespace aq::test
