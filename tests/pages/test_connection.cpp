// The connection page: discovery, the list of lamps, connecting.
#include <QFile>
#include <QTemporaryDir>

#include "PagesFixture.h"
#include "platform/QtPreferences.h"
#include "state/LampNames.h"
#include "widgets/SPProgressIndicator.h"

namespace aq::test {
namespace {

using ConnectionTest = PagesFixture;

// A discovery ends by itself after 101 ticks of a tenth of a second, or at
// once on a second press; either way the title, ring and scan go back.
TEST_F(ConnectionTest, DiscoveryEndsByItselfOrOnASecondPress) {
    const QString title = discover().btnDiscover()->text();
    SPProgressIndicator* ring = discover().progressIndicator();
    for (const bool pressed : {false, true}) {
        SCOPED_TRACE(pressed);
        const double start = dispatch.now();
        click(discover().btnDiscover());
        EXPECT_EQ(discover().btnDiscover()->text(), "Stop");
        dispatch.runUntil(start + 10.05);  // 100 ticks
        EXPECT_TRUE(discover().discovering());
        EXPECT_TRUE(ring->isVisibleTo(discover().view()));
        EXPECT_NEAR(ring->currentProgress(), 1.0, 1e-5);
        if (pressed) {
            click(discover().btnDiscover());
        } else {
            dispatch.runUntil(start + 10.15);  // tick 101
        }
        EXPECT_FALSE(discover().discovering());
        EXPECT_EQ(discover().btnDiscover()->text(), title);
        EXPECT_FALSE(central.scanning());
        EXPECT_FALSE(store().btController().is_scanning());
        // No tick is left behind to move the ring again.
        dispatch.runUntil(dispatch.now() + 2.0);
        EXPECT_FALSE(ring->isVisibleTo(discover().view()));
        EXPECT_EQ(ring->currentProgress(), 0.0);
    }
}

// Stored names first, then the advertised one, and never an empty row.
TEST_F(ConnectionTest, ListsStoredNamesBeforeAdvertisedOnes) {
    struct Case {
        const char* id;
        const char* advertised;
        const char* stored;  // none when null
        const char* shown;
    };
    const Case cases[] = {
        {"00000000-0000-0000-0000-0000000000D1", "Advertised", "Living room", "Living room"},
        {"00000000-0000-0000-0000-0000000000D2", "Advertised", nullptr, "Advertised"},
        {"00000000-0000-0000-0000-0000000000D3", "", nullptr, "Unknown lamp"},
        {"00000000-0000-0000-0000-0000000000D4", "", "", "Unknown lamp"},
        {"00000000-0000-0000-0000-0000000000D5", "Advertised", "", "Advertised"},
    };
    for (const Case& c : cases) {
        addLamp(c.advertised, c.id);
        if (c.stored) GlobalStore::setNameForUUID(c.id, c.stored);
    }
    discoverLamps(1 + std::size(cases));
    const QList<QStringList> rows = discover().tblDevices()->rows();
    ASSERT_EQ(rows.size(), qsizetype(1 + std::size(cases)));
    EXPECT_EQ(rows[0], (QStringList{"AquaLamp", kLampId}));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(rows[i + 1][0].toStdString(), cases[i].shown) << cases[i].id;
        EXPECT_EQ(rows[i + 1][1].toStdString(), cases[i].id);
    }
}

// A lamp is listed once however often it advertises; entering the page again
// empties the list but the discovery goes on.
TEST_F(ConnectionTest, ALampIsListedOnceAndEnteringAgainClearsTheList) {
    discoverLamps();
    central.advertiseAgain();
    central.advertiseAgain();
    EXPECT_EQ(tableNames(), QStringList{"AquaLamp"});
    click(barButton("discover"));
    EXPECT_TRUE(discover().tblDevices()->rows().isEmpty());
    EXPECT_TRUE(discover().discovering());
    central.advertiseAgain();
    EXPECT_EQ(tableNames(), QStringList{"AquaLamp"});
}

// While connecting, an overlay naming the lamp swallows clicks; the
// discovery stops.
TEST_F(ConnectionTest, ConnectingStopsTheDiscoveryUnderAnOverlay) {
    const QString title = discover().btnDiscover()->text();
    discoverLamps();
    clickRow(0);
    QString shown;
    bool discoveringAfterClick = false;
    dispatch.singleShot(0.005, [&] { shown = SPProgressHUD::instance()->status(); });
    dispatch.singleShot(0.02, [&] {
        click(discover().btnDiscover());  // would stop the discovery
        discoveringAfterClick = discover().discovering();
    });
    click(discover().btnConnect());

    EXPECT_EQ(shown, QStringLiteral("Connecting to AquaLamp..."));
    EXPECT_TRUE(discoveringAfterClick) << "the click went through the overlay";
    EXPECT_FALSE(discover().discovering());
    EXPECT_EQ(discover().btnDiscover()->text(), title);
    EXPECT_TRUE(discover().tblDevices()->rows().isEmpty());
    EXPECT_FALSE(central.scanning());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return nav().connected(); }));
    EXPECT_FALSE(hudUp());
}

// A lamp that cannot be connected, or stops answering while it is read,
// takes the overlay away and is reported; the page stays usable.
TEST_F(ConnectionTest, FailedConnectionDismissesTheOverlayAndSaysSo) {
    struct Case {
        const char* what;
        std::function<void(SimLamp&)> spoil;
        bool linkReportsFailure;
        const char* why;  // what the alert adds to "The lamp could not be connected."
    };
    const Case cases[] = {
        {"refused", [](SimLamp& l) { l.setFaults({.refuseConnection = true}); }, true,
         "The lamp refused the connection (The connection has failed unexpectedly)."},
        {"never ready", [](SimLamp& l) { l.setFaults({.commandCharacteristicOnly = true}); }, true,
         "The lamp service offers no test characteristic: the lamp's firmware may be too old."},
        {"channel count unanswered",
         [](SimLamp& l) {
             l.setFaults({.forCommands = {{0x97, SimFault::NoAnswer, kCommandCharacteristicUUID}}});
         },
         false, "The lamp did not answer while its channels were read."},
        {"link lost while the channels are read",
         [](SimLamp& l) { l.setFaults({.dropLinkOnceAt = l.receivedCount() + 4}); }, false,
         "The connection was lost: the link timed out."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.spoil(*lamp);
        alerts.clear();
        log.clear();
        discoverLamps();
        clickRow(0);
        click(discover().btnConnect());
        dispatch.runUntilIdle(60.0);

        EXPECT_FALSE(hudUp());
        EXPECT_EQ(alerts, std::vector<QString>{QStringLiteral("The lamp could not be connected. ") +
                                               QString::fromUtf8(c.why)});
        EXPECT_EQ(log.contains("connection faild\n"), c.linkReportsFailure);
        EXPECT_FALSE(nav().connected());
        EXPECT_EQ(nav().currentController(), &discover());
        EXPECT_FALSE(store().btController().is_connected());
        // The page answers clicks again.
        click(discover().btnDiscover());
        EXPECT_TRUE(discover().discovering());
        click(discover().btnDiscover());
        lamp->setFaults({});
    }
}

TEST_F(ConnectionTest, ConnectWithoutALampInTheRowOnlyAsksForOne) {
    discoverLamps();
    for (qint64 row : {qint64(-1), qint64(1), qint64(7)}) {
        discover().tblDevices()->setSelectedRow(row);
        click(discover().btnConnect());
        // A note that blocks nothing, not the connecting overlay.
        EXPECT_TRUE(SPProgressHUD::instance()->showingMessage()) << row;
        EXPECT_EQ(SPProgressHUD::instance()->status(), "Choose a lamp first.") << row;
        SPProgressHUD::instance()->expireMessage();
        EXPECT_TRUE(alerts.empty()) << row;
        EXPECT_EQ(central.lamps()[0]->state(), PeripheralState::Disconnected) << row;
        EXPECT_TRUE(discover().discovering()) << row;
    }
}

// The real preferences adapter over a settings file whose name table nests
// lists 60000 deep: Qt's own decoding of it overflows the stack.
class DamagedNamesTest : public PagesFixture {
protected:
    void SetUp() override {
        QFile file(settingsPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[General]\nkUUIDNameArray=@Variant(" +
                   QByteArray("\\0\\0\\0\\t\\0\\0\\0\\x1").repeated(60000) + ")\n");
        file.close();
        qtPreferences = std::make_unique<QtPreferences>(settingsPath);
        PagesFixture::SetUp();
    }
    Preferences& storePreferences() override { return *qtPreferences; }

    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("aqlamp.ini"));
    std::unique_ptr<QtPreferences> qtPreferences;
};

TEST_F(DamagedNamesTest, TheAppStaysUpSaysSoOnceAndRebuildsTheNames) {
    connectLamp();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0],
              QStringLiteral("Stored lamp names could not be read and will be rebuilt."));
    // The connected lamp's name starts the new table, on disk.
    EXPECT_EQ(lookUpLampName(QtPreferences(settingsPath), kLampId), kLampName);

    nav().setDisconnected();
    discoverLamps();
    dispatch.runUntilIdle(60.0);
    EXPECT_EQ(tableNames(), QStringList{QString::fromUtf8(kLampName)});
    EXPECT_EQ(alerts.size(), 1u) << "said once";
}

// A lamp's name byte is the character with that code, wherever the name
// is shown and in the stored name table.
TEST_F(ConnectionTest, NameBytesAboveAsciiReadAsTheirCharacters) {
    lamp->updateModel([](SimLampModel& m) { m.setNameText("Caf\xE9 \xC4quarium \xFE"); });
    const QString expected = QString::fromUtf8("Caf\u00e9 \u00c4quarium \u00fe");
    connectLamp();
    EXPECT_EQ(GlobalStore::getNameForUUID(kLampId), expected.toStdString());
    visit("settings");
    EXPECT_EQ(settings().tfName()->text(), expected);
    click(nav().btnDiscover());
    discoverLamps();
    EXPECT_EQ(tableNames().value(0), expected);
}

}  // namespace
}  // namespace aq::test
