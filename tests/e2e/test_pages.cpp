// The application's real window and pages on the real Qt Bluetooth central and the stand-in
// BlueZ: discovery, connection, the info page, and what the user is shown when a lamp fails.
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
    explicit PagesEndToEnd(QStringList standInOptions = {})
        : E2eFixture(std::move(standInOptions)) {}

    void SetUp() override {
        E2eFixture::SetUp();
        if (HasFatalFailure()) return;
        _previousAlert = setAlertFunction(
            [this](QWidget*, const QString&, const QString& text) { alerts.push_back(text); });
        delegate = std::make_unique<AppDelegate>();
        delegate->applicationDidFinishLaunching();
        SPProgressHUD::instance()->setAnimationDuration(0);
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
    AQButton* barButton(const QString& ident) {
        for (AQButton* b : nav().buttons()) {
            if (b->objectName() == ident) return b;
        }
        return nullptr;
    }
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

    std::unique_ptr<AppDelegate> delegate;
    std::vector<QString> alerts;

private:
    AlertFunction _previousAlert;
};

class PagesConnect : public PagesEndToEnd {};

TEST_F(PagesConnect, ListsConnectsFillsTheInfoPageAndListsTheLampByItsOwnName) {
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
    click(barButton("discover"));
    EXPECT_FALSE(nav().connected());
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));
    ASSERT_TRUE(discoverLamp());
    EXPECT_EQ(rows(), (QList<QStringList>{{"Tank 1", kLampId}}));
}

class PagesRefused : public PagesEndToEnd {
protected:
    PagesRefused() : PagesEndToEnd({"--refuse-connect"}) {}
};

TEST_F(PagesRefused, TheOverlayGoesAndTheUserIsTold) {
    ASSERT_TRUE(discoverLamp());
    ASSERT_TRUE(connectFromThePage()) << "the overlay stayed up";
    EXPECT_EQ(alerts, std::vector<QString>{kNotConnected});
    EXPECT_FALSE(nav().connected());
    EXPECT_FALSE(link().is_connected());
}

class PagesNoAnswer : public PagesEndToEnd {
protected:
    // The lamp answers its name (commands 1 and 2), then nothing. BlueZ would wait 30 s for
    // the answer: the link's own rules must end the reads first.
    PagesNoAnswer() : PagesEndToEnd({"--no-answer-from", "3"}) {}
};

TEST_F(PagesNoAnswer, TheReadsAreGivenUpTheUserIsToldAndALaterConnectWorks) {
    ASSERT_TRUE(discoverLamp());
    const double start = dispatch.now();
    ASSERT_TRUE(connectFromThePage()) << "the overlay stayed up";
    EXPECT_LT(dispatch.now() - start, 10.0);
    EXPECT_FALSE(log.matching("!!!").empty()) << "the command was not given up by the link";
    EXPECT_EQ(alerts, std::vector<QString>{kNotConnected});
    EXPECT_FALSE(nav().connected());
    EXPECT_TRUE(waitUntil([] { return !link().is_connected(); }, 5.0));

    standIn.clearFaults();
    alerts.clear();
    ASSERT_TRUE(discoverLamp());
    ASSERT_TRUE(connectFromThePage());
    EXPECT_TRUE(waitUntil([&] { return nav().connected(); }, 10.0));
    EXPECT_TRUE(alerts.empty());
}

}  // namespace
}  // namespace aq::test
