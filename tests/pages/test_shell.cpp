// The window, the page bar and the navigation between pages.
#include <QAction>
#include <QApplication>
#include <QStackedWidget>

#include "PagesFixture.h"
#include "pages/AQDayAdjustmentController.h"
#include "pages/AQTableSheetController.h"

namespace aq::test {
namespace {

using ShellTest = PagesFixture;

TEST_F(ShellTest, StartsOnTheConnectionPageWithOnlyItsButtonReachable) {
    EXPECT_EQ(nav().currentController(), &discover());
    EXPECT_FALSE(nav().connected());
    EXPECT_EQ(nav().tabView()->currentWidget()->objectName(), "discover");
    ASSERT_EQ(nav().buttons().size(), 7);
    for (AQButton* b : nav().buttons()) {
        const bool first = b->objectName() == "discover";
        EXPECT_EQ(b->isChecked(), first) << b->objectName().toStdString();
        EXPECT_EQ(b->isEnabled(), first) << b->objectName().toStdString();
    }
    EXPECT_EQ(nav().btnDiscover()->text(), "Connect");
    EXPECT_FALSE(nav().miFirmware()->isEnabled()) << "the firmware item waits for a lamp";
    // The connection page writes no entry line.
    EXPECT_TRUE(log.matching("onEnter").empty());
}

TEST_F(ShellTest, ConnectingEntersInfoBeforeTheBarTurnsConnected) {
    bool connectedAtEntry = true;
    bool infoEnabledAtEntry = true;
    QString titleAtEntry;
    LogSink capture = setLogSink([&](std::string_view entry) {
        if (entry == "onEnter info\n") {
            connectedAtEntry = nav().connected();
            infoEnabledAtEntry = barButton("info")->isEnabled();
            titleAtEntry = nav().btnDiscover()->text();
        }
    });
    discoverLamps();
    clickRow(0);
    click(discover().btnConnect());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return nav().connected(); }));
    setLogSink(std::move(capture));

    EXPECT_FALSE(connectedAtEntry);
    EXPECT_FALSE(infoEnabledAtEntry);
    EXPECT_EQ(titleAtEntry, "Connect");
    EXPECT_EQ(nav().btnDiscover()->text(), "Disconnect");
    for (AQButton* b : nav().buttons())
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(nav().currentController(), &info());
}

// Each page button leaves the page, enters its own, marks only its button and
// shows its view, also when it is the current page's; the moon page writes
// no entry line.
TEST_F(ShellTest, PageButtonsSwitchPages) {
    connectLamp();
    struct Case {
        const char* ident;
        bool entryLine;
    };
    const Case cases[] = {{"settings", true}, {"dayadjustment", true},  {"moonadjustment", false},
                          {"weather", true},  {"livecontroller", true}, {"info", true},
                          {"info", true}};
    QString previous = "info";
    for (const Case& c : cases) {
        log.clear();
        click(barButton(c.ident));
        const std::vector<std::string> lines = log.entries();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "onLeave " + previous.toStdString() + "\n") << "first the leave";
        EXPECT_EQ(log.matching("onLeave").size(), 1u) << c.ident;
        EXPECT_EQ(log.contains(std::string("onEnter ") + c.ident + "\n"), c.entryLine) << c.ident;
        EXPECT_EQ(nav().currentController()->ident(), c.ident);
        EXPECT_EQ(nav().tabView()->currentWidget()->objectName(), c.ident);
        for (AQButton* b : nav().buttons()) {
            EXPECT_EQ(b->isChecked(), b->objectName() == c.ident) << c.ident;
        }
        previous = c.ident;
        dispatch.runUntilIdle();
        // The moon page asks which lamps show the moon in a window-modal
        // sheet; it would hold back the next click on the bar.
        if (QWidget* sheet = QApplication::activeModalWidget()) sheet->close();
    }
}

TEST_F(ShellTest, FirmwareItemOpensItsPageWithEveryButtonOff) {
    connectLamp();
    log.clear();
    nav().miFirmware()->trigger();
    EXPECT_EQ(nav().tabView()->currentWidget()->objectName(), "firmwareupdatecontroller");
    EXPECT_TRUE(log.contains("onLeave info\n"));
    for (AQButton* b : nav().buttons()) EXPECT_FALSE(b->isChecked());
}

// Disconnect leaves the page, returns the bar and enters the connection
// page, and only then drops the link.
TEST_F(ShellTest, DisconnectDropsTheLinkLast) {
    connectLamp();
    log.clear();
    bool dropped = false;
    bool leftBeforeDrop = false;
    AQController* pageAtDrop = nullptr;
    bool connectedAtDrop = true;
    QString titleAtDrop;
    bool infoEnabledAtDrop = true;
    central.onCancel = [&] {
        dropped = true;
        leftBeforeDrop = log.contains("onLeave info\n");
        pageAtDrop = nav().currentController();
        connectedAtDrop = nav().connected();
        titleAtDrop = nav().btnDiscover()->text();
        infoEnabledAtDrop = barButton("info")->isEnabled();
    };
    click(nav().btnDiscover());
    central.onCancel = nullptr;

    ASSERT_TRUE(dropped);
    EXPECT_TRUE(leftBeforeDrop);
    EXPECT_EQ(pageAtDrop, &discover());
    EXPECT_FALSE(connectedAtDrop);
    EXPECT_EQ(titleAtDrop, "Connect");
    EXPECT_FALSE(infoEnabledAtDrop);
    EXPECT_FALSE(nav().miFirmware()->isEnabled());
    EXPECT_FALSE(store().btController().is_connected());
    EXPECT_TRUE(discover().tblDevices()->rows().isEmpty());
}

// A key pressed right after a page opens changes nothing on the lamp: no
// control that writes to it holds the focus.
TEST_F(ShellTest, StrayKeysOnAnOpenedPageSendNothing) {
    connectLamp();
    for (const char* page : {"info", "settings", "dayadjustment", "moonadjustment", "weather",
                             "livecontroller", "info"}) {
        SCOPED_TRACE(page);
        click(barButton(page));
        dispatch.runUntilIdle();
        lamp->clearReceived();
        QWidget* focus = delegate->window()->focusWidget();
        QWidget* target = focus ? focus : delegate->window();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_Right,
                            Qt::Key_Space, Qt::Key_Return}) {
            QTest::keyClick(target, key);
        }
        dispatch.runUntilIdle();
        EXPECT_TRUE(lamp->received().empty())
            << (focus ? focus->metaObject()->className() : "no focus");
    }
}

TEST_F(ShellTest, DisconnectDuringADayTransferAsksAndStopsItFirst) {
    connectLamp();
    click(barButton("dayadjustment"));
    auto* day = qobject_cast<AQDayAdjustmentController*>(nav().currentController());
    ASSERT_NE(day, nullptr);
    day->tscDevice()->closeSheet();
    day->btnUploadPressed();
    ASSERT_TRUE(day->busy());
    std::vector<QString> asked;
    bool stop = false;
    setQuestionFunction([&](QWidget*, const Question& q) {
        asked.push_back(q.text);
        return Answer{stop, false};
    });
    // Kept running: still connected, still on the day page.
    nav().switchTo(QStringLiteral("discover"));
    ASSERT_EQ(asked, std::vector<QString>{QStringLiteral("Stop the transfer and disconnect?")});
    EXPECT_TRUE(nav().connected());
    EXPECT_EQ(nav().currentController(), day);
    EXPECT_TRUE(barButton("dayadjustment")->isChecked());
    // Stopped: the disconnect waits for the transfer to say what it left undone.
    stop = true;
    nav().switchTo(QStringLiteral("discover"));
    EXPECT_TRUE(nav().connected());
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return !nav().connected(); }, 600.0));
    EXPECT_FALSE(day->busy());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].startsWith(QStringLiteral("Writing the day programme to ")));
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("was cancelled at ")));
    EXPECT_FALSE(store().btController().is_connected());
}

}  // namespace
}  // namespace aq::test
