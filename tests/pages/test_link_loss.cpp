// A lost link and the adapter's state as the connection page shows them.
#include <QLabel>

#include "PagesFixture.h"
#include "pages/AQDayAdjustmentController.h"
#include "pages/AQTableSheetController.h"

namespace aq::test {

namespace {

class LinkLossTest : public PagesFixture {
protected:
    void loseLinkAtNextCommand() { lamp->setFaults({.dropLinkOnceAt = lamp->receivedCount() + 1}); }
    void switchLampOff() { central.switchOff(central.lamps()[0]); }
    QLabel& stateLine() { return *discover().lblBluetoothState(); }
};

// Wherever the user is, a lost link brings the app back to the connection
// page at once with the lamp chosen, says so, and one click reconnects.
TEST_F(LinkLossTest, ALostLinkIsShownAtOnceAndOneClickReconnects) {
    struct Case {
        const char* page;
        bool switchOff;  // else the link drops at the page's first command
        const char* reason;
    };
    const Case cases[] = {
        {"info", false, "the link timed out"},
        {"moonadjustment", false, "the link timed out"},
        {"livecontroller", true, "the lamp was switched off or went out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        connectLamp();
        alerts.clear();
        if (!c.switchOff) loseLinkAtNextCommand();
        click(barButton(c.page));
        if (c.switchOff) dispatch.singleShot(0.005, [this] { switchLampOff(); });
        const QString told = QStringLiteral("The connection to %1 was lost: %2.")
                                 .arg(QString::fromUtf8(kLampName), QString::fromUtf8(c.reason));
        auto toldCount = [&] { return std::count(alerts.begin(), alerts.end(), told); };
        const double start = dispatch.now();
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return toldCount() > 0; }, 30.0));
        EXPECT_LT(dispatch.now() - start, 0.5) << "the loss was noticed late";
        EXPECT_FALSE(hudUp());
        EXPECT_FALSE(nav().connected());
        EXPECT_EQ(nav().currentController(), &discover());
        EXPECT_EQ(tableNames(), QStringList{QString::fromUtf8(kLampName)});
        EXPECT_EQ(discover().tblDevices()->selectedRow(), 0);
        ASSERT_TRUE(dispatch.runUntilIdle(60.0));
        EXPECT_EQ(dispatch.activeWorkers(), 0);
        // A page's own work may say what it could not do; the loss is told once.
        EXPECT_EQ(toldCount(), 1);

        click(discover().btnConnect());
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return nav().connected(); }));
        click(nav().btnDiscover());  // Disconnect, for the next case
        ASSERT_TRUE(dispatch.runUntilIdle(60.0));
    }
}

TEST_F(LinkLossTest, ReconnectInTheAlertConnectsTheLampAgain) {
    std::vector<QString> actions;
    const ActionAlertFunction previous =
        setActionAlertFunction([&](QWidget*, const QString&, const QString&, const QString& a) {
            actions.push_back(a);
            return true;
        });
    connectLamp();
    loseLinkAtNextCommand();
    click(barButton("settings"));
    EXPECT_TRUE(dispatch.runUntilTrue([&] { return !actions.empty() && nav().connected(); }));
    EXPECT_EQ(actions, std::vector<QString>{QStringLiteral("Reconnect")});
    EXPECT_TRUE(store().btController().is_connected());
    setActionAlertFunction(previous);
}

// A lamp lost while a day transfer's report is being read is told after
// that report, never on top of it (nor does the report vanish). A sheet open
// on the lost lamp closes.
TEST_F(LinkLossTest, ATransferReportsBeforeTheLossAndSheetsClose) {
    connectLamp();
    click(barButton("dayadjustment"));
    auto* day = qobject_cast<AQDayAdjustmentController*>(nav().currentController());
    ASSERT_NE(day, nullptr);
    ASSERT_TRUE(day->tscDevice()->sheet() && day->tscDevice()->sheet()->isVisible());
    switchLampOff();
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return !nav().connected(); }));
    EXPECT_FALSE(day->tscDevice()->sheet() && day->tscDevice()->sheet()->isVisible());

    click(discover().btnConnect());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return nav().connected(); }));
    click(barButton("dayadjustment"));
    day->tscDevice()->closeSheet();
    // Alerts run their own event loop, as a real message box does: what is
    // shown while one is open comes on top of it.
    std::vector<QString> shown;
    int open = 0;
    const AlertFunction previous =
        setAlertFunction([&](QWidget*, const QString&, const QString& text) {
            shown.push_back(QStringLiteral("%1 %2").arg(open).arg(text));
            // The lamp goes while the first report is being read.
            if (shown.size() == 1) switchLampOff();
            ++open;
            dispatch.runUntil(dispatch.now() + 1.0);
            --open;
        });
    const ActionAlertFunction previousAction = setActionAlertFunction(
        [&](QWidget* p, const QString& t, const QString& text, const QString&) {
            showAlert(p, t, text);
            return false;
        });
    lamp->setFaults({.noAnswerFrom = lamp->receivedCount() + 3});
    day->btnDownloadPressed();
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return shown.size() >= 2; }, 30.0));
    ASSERT_TRUE(dispatch.runUntilIdle(60.0));
    setAlertFunction(previous);
    setActionAlertFunction(previousAction);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("0 Reading "))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("left as they were"))) << shown[0].toStdString();
    EXPECT_TRUE(shown[1].startsWith(QStringLiteral("0 The connection to ")))
        << "the loss was told on top of the transfer's report: " << shown[1].toStdString();
    EXPECT_EQ(nav().currentController(), &discover());
    EXPECT_FALSE(hudUp());
}

// The connection page says in words what keeps it from finding lamps, and
// offers to switch the adapter on where it can.
TEST_F(LinkLossTest, TheBluetoothStateIsShownInWords) {
    struct Case {
        CentralState state;
        CentralFault fault;
        const char* says;  // empty: nothing shown
        bool offersPowerOn;
    };
    const Case cases[] = {
        {CentralState::Unsupported, CentralFault::None, "No Bluetooth adapter was found", false},
        {CentralState::Unsupported, CentralFault::ServiceNotRunning,
         "The Bluetooth service is not running", false},
        {CentralState::PoweredOff, CentralFault::None, "Bluetooth is switched off", true},
        {CentralState::Unauthorized, CentralFault::None, "not allowed to use Bluetooth", false},
        {CentralState::PoweredOn, CentralFault::DiscoveryFailed,
         "Searching for lamps failed (the scan was refused)", false},
        {CentralState::PoweredOn, CentralFault::None, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        central.setState(c.state, c.fault);
        EXPECT_EQ(stateLine().isVisible(), *c.says != '\0');
        EXPECT_TRUE(stateLine().text().contains(QString::fromUtf8(c.says)))
            << stateLine().text().toStdString();
        EXPECT_EQ(discover().btnPowerOn()->isVisible(), c.offersPowerOn);
    }

    // Turned on from the page, the adapter finds the lamp again.
    central.setState(CentralState::PoweredOff);
    click(discover().btnPowerOn());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return !stateLine().isVisible(); }));
    EXPECT_FALSE(discover().btnPowerOn()->isVisible());
    discoverLamps();
}

}  // namespace
}  // namespace aq::test
