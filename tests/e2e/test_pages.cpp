// The application's real window and pages on the real Qt Bluetooth central and the stand-in
// BlueZ: discovery, connection, the info page, and what the user is shown when a lamp fails.
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "E2eFixture.h"
#include "pages/AQConnectionController.h"
#include "pages/AQInfoController.h"
#include "pages/AQNavigationController.h"
#include "pages/Alerts.h"
#include "pages/AppDelegate.h"
#include "widgets/AQButton.h"
#include "widgets/AQTableView.h"
#include "widgets/SPProgressHUD.h"

namespace aq::test {
namespace {

const QString kLampId = QStringLiteral("00000000-0000-0000-0000-C04A51000001");
const QString kNotConnected = QStringLiteral("The lamp could not be connected.");

// The window, the navigation and the pages, made as at start-up; alerts are recorded.
class PagesEndToEnd : public E2eFixture {
protected:
    bool start(const QStringList& standInOptions = {}) {
        if (!E2eFixture::start(standInOptions)) return false;
        _previousAlert = setAlertFunction(
            [this](QWidget*, const QString&, const QString& text) { alerts.push_back(text); });
        delegate = std::make_unique<AppDelegate>();
        delegate->applicationDidFinishLaunching();
        SPProgressHUD::instance()->setAnimationDuration(0);
        return true;
    }

    void TearDown() override {
        if (delegate) {
            // The connection page's worker reads the lamp; let it and its hand-over finish.
            waitUntil([this] { return !hudUp(); }, 20.0);
            delegate.reset();
            setAlertFunction(std::move(_previousAlert));
        }
        E2eFixture::TearDown();
    }

    AQNavigationController& nav() { return *delegate->navigationController(); }
    AQConnectionController& discover() { return *delegate->connectionController(); }
    AQInfoController& info() { return *delegate->infoController(); }
    QList<QStringList> rows() { return discover().tblDevices()->rows(); }
    static bool hudUp() { return SPProgressHUD::instance()->displaying(); }

    // A click as the user makes it, on the window at a point of the widget.
    static void clickAt(QWidget* w, QPoint at) {
        QWidget* top = w->window();
        QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, w->mapTo(top, at));
    }
    static void click(QWidget* w) { clickAt(w, w->rect().center()); }
    void clickRow(int row) {
        AQTableView* t = discover().tblDevices();
        const int y = int(t->headerHeight() + (row + 0.5) * t->cellHeight());
        clickAt(t, QPoint(t->width() / 2, y));
    }

    // Starts the page's discovery and waits until the lamp is listed.
    bool discoverLamp() {
        if (!discover().discovering()) click(discover().btnDiscover());
        return waitUntil([&] { return !rows().isEmpty(); }, 10.0);
    }

    // Selects the lamp and presses connect; returns once the overlay is gone again.
    bool connectFromThePage() {
        clickRow(0);
        click(discover().btnConnect());  // returns after the link's wait
        return waitUntil([] { return !hudUp(); }, 20.0);
    }

    // Once the fault is cleared, the lamp is found and connected from the page, without a word.
    void expectALaterConnectWorks() {
        standIn.clearFaults();
        alerts.clear();
        ASSERT_TRUE(discoverLamp());
        ASSERT_TRUE(connectFromThePage());
        EXPECT_TRUE(waitUntil([&] { return nav().connected(); }, 10.0));
        EXPECT_TRUE(alerts.empty());
    }

    // The link ends under the info page's reads (the connect itself takes 21 commands): the
    // app notices at once, goes back to the connection page with the lamp chosen, and says why.
    void expectLossNoticed() {
        ASSERT_TRUE(discoverLamp());
        ASSERT_TRUE(connectFromThePage());
        ASSERT_TRUE(waitUntil([&] { return nav().connected() || !alerts.empty(); }, 10.0));
        const double began = dispatch.now();
        ASSERT_TRUE(waitUntil([&] { return !alerts.empty(); }, 10.0));
        EXPECT_LT(dispatch.now() - began, 3.0) << "the loss was noticed late";
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_TRUE(alerts[0].startsWith("The connection to Tank 1 was lost: "))
            << alerts[0].toStdString();
        EXPECT_FALSE(hudUp());
        EXPECT_FALSE(nav().connected());
        EXPECT_EQ(nav().currentController(), &discover());
        EXPECT_EQ(rows(), (QList<QStringList>{{"Tank 1", kLampId}}));
        EXPECT_EQ(discover().tblDevices()->selectedRow(), 0);
        EXPECT_FALSE(link().is_connected());
        standIn.clearFaults();
        alerts.clear();
    }

    std::unique_ptr<AppDelegate> delegate;
    std::vector<QString> alerts;

private:
    AlertFunction _previousAlert;
};

TEST_F(PagesEndToEnd, ListsConnectsFillsTheInfoPageAndListsTheLampByItsOwnName) {
    ASSERT_TRUE(start());
    ASSERT_TRUE(discoverLamp());
    EXPECT_EQ(rows(), (QList<QStringList>{{"AQ Lamp 1", kLampId}}));

    ASSERT_TRUE(connectFromThePage());
    ASSERT_TRUE(waitUntil([&] { return nav().connected(); }, 10.0)) << "never handed over";
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(store().channels().size(), 6u);
    EXPECT_EQ(store().presets().size(), 6u);
    // The info page's chain, from the lamp through BlueZ.
    ASSERT_TRUE(waitUntil([&] { return !info().tfPowerConsumption()->text().isEmpty(); }, 10.0));
    EXPECT_EQ(info().tfSlaves()->text(), "2");
    EXPECT_EQ(info().tfFirmware()->text(), "1.0.7");
    EXPECT_EQ(info().tfSerialNumber()->text(), "0x0000A0C120240117");
    EXPECT_EQ(info().tfPowerConsumption()->text(), "412 kWh");

    // Back on the connection page the link is dropped; a new discovery lists the lamp under
    // the name it told.
    AQButton* discoverButton = nav().buttons().at(0);
    ASSERT_EQ(discoverButton->objectName(), "discover");
    click(discoverButton);
    EXPECT_FALSE(nav().connected());
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    ASSERT_TRUE(discoverLamp());
    EXPECT_EQ(rows(), (QList<QStringList>{{"Tank 1", kLampId}}));
}

TEST_F(PagesEndToEnd, ARefusedConnectEndsAtOnceTheUserIsToldAndALaterConnectWorks) {
    ASSERT_TRUE(start({"--refuse-connect"}));
    ASSERT_TRUE(discoverLamp());
    const double began = dispatch.now();
    ASSERT_TRUE(connectFromThePage()) << "the overlay stayed up";
    // Ended within the wait period in which the failure arrived, not after ten.
    EXPECT_LT(dispatch.now() - began, 2.5);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].startsWith(kNotConnected + " The lamp refused the connection"))
        << alerts[0].toStdString();
    EXPECT_EQ(log.matching("failed to conntect to").size(), 1u);
    EXPECT_FALSE(nav().connected());
    EXPECT_FALSE(link().is_connected());
    EXPECT_EQ(link().peripheral(), nullptr);
    EXPECT_EQ(standIn.writeCount(0), 0);

    expectALaterConnectWorks();
}

TEST_F(PagesEndToEnd, ReadsNotAnsweredAreGivenUpTheUserIsToldAndALaterConnectWorks) {
    // The lamp answers its name (commands 1 and 2), then nothing. BlueZ would wait 30 s for
    // the answer: the link's own rules must end the reads first.
    ASSERT_TRUE(start({"--no-answer-from", "3"}));
    ASSERT_TRUE(discoverLamp());
    const double began = dispatch.now();
    ASSERT_TRUE(connectFromThePage()) << "the overlay stayed up";
    EXPECT_LT(dispatch.now() - began, 10.0);
    EXPECT_EQ(log.matching("!!!").size(), 1u) << "the command was not given up by the link";
    EXPECT_EQ(alerts,
              std::vector<QString>{kNotConnected +
                                   " The lamp did not answer while its channels were read."});
    EXPECT_FALSE(nav().connected());
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    // The unanswered request still held the lamp; letting it go freed it at once.
    EXPECT_TRUE(
        waitUntil([&] { return standIn.log().find("link ends") != std::string::npos; }, 5.0));

    expectALaterConnectWorks();
}

TEST_F(PagesEndToEnd, ALinkDroppedIsNoticedAtOnceAndOneClickReconnects) {
    ASSERT_TRUE(start({"--drop-link-at", "25"}));
    ASSERT_NO_FATAL_FAILURE(expectLossNoticed());
    click(discover().btnConnect());
    EXPECT_TRUE(waitUntil([&] { return nav().connected(); }, 10.0));
    EXPECT_TRUE(alerts.empty());
}

TEST_F(PagesEndToEnd, ARemovedDeviceIsNoticedAtOnceWithQtsReason) {
    ASSERT_TRUE(start({"--remove-device-at", "25"}));
    ASSERT_NO_FATAL_FAILURE(expectLossNoticed());
    EXPECT_FALSE(log.matching("UnknownRemoteDeviceError").empty());
}

// Without an adapter, or with it switched off, the connection page says so instead of
// showing an empty list; a switched-off adapter can be turned on from the page.
TEST_F(PagesEndToEnd, WithoutAnAdapterTheConnectionPageSaysSo) {
    ASSERT_TRUE(start({"--no-adapter"}));
    QLabel* line = discover().lblBluetoothState();
    EXPECT_TRUE(waitUntil([&] { return line->isVisible(); }, 5.0));
    EXPECT_TRUE(line->text().startsWith("No Bluetooth adapter was found"))
        << line->text().toStdString();
    EXPECT_FALSE(discover().btnPowerOn()->isVisible());
}

TEST_F(PagesEndToEnd, WithTheAdapterOffTheConnectionPageSaysSoAndTurnsItOn) {
    ASSERT_TRUE(start({"--adapter-off"}));
    QLabel* line = discover().lblBluetoothState();
    EXPECT_TRUE(waitUntil([&] { return line->isVisible(); }, 5.0));
    EXPECT_TRUE(line->text().startsWith("Bluetooth is switched off")) << line->text().toStdString();
    ASSERT_TRUE(discover().btnPowerOn()->isVisible());
    click(discover().btnPowerOn());
    EXPECT_TRUE(waitUntil([&] { return !line->isVisible(); }, 5.0));
    EXPECT_TRUE(discoverLamp());
}

}  // namespace
}  // namespace aq::test
