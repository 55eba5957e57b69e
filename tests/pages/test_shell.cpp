// The window, the page bar and the navigation between pages.
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
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
    // The connection page writes no entry line.
    EXPECT_TRUE(log.matching("onEnter").empty());
}

TEST_F(ShellTest, FirmwareItemIsTheThirdOfTheFirstMenuAndOffUntilConnected) {
    QMenu* first = delegate->window()->menuBar()->actions().value(0)->menu();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(nav().miFirmware(), nullptr);
    EXPECT_EQ(first->actions().value(2), nav().miFirmware());
    EXPECT_FALSE(nav().miFirmware()->isEnabled());
    connectLamp();
    EXPECT_TRUE(nav().miFirmware()->isEnabled());
}

TEST_F(ShellTest, StoreStartsWithTheSixPlaceholderChannels) {
    struct Expected {
        const char* name;
        Color color;
    };
    const Expected expected[] = {
        {"Royal Blue", {1.0, 0.0, 0.0, 1.0}}, {"Red", {0.0, 1.0, 0.0, 1.0}},
        {"Moonlight", {0.0, 0.0, 1.0, 1.0}},  {"Navy Blue", {1.0, 1.0, 0.0, 1.0}},
        {"White", {0.5, 0.0, 0.5, 1.0}},      {"Purple", {1.0, 0.5, 0.0, 1.0}},
    };
    const auto channels = store().channels();
    ASSERT_EQ(channels.size(), std::size(expected));
    for (std::size_t i = 0; i < channels.size(); ++i) {
        EXPECT_EQ(channels[i]->name(), expected[i].name) << i;
        EXPECT_EQ(channels[i]->color(), expected[i].color) << i;
    }
}

TEST_F(ShellTest, ContentIs850By600CentredOnTheScreen) {
    QMainWindow* window = delegate->window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->centralWidget()->size(), QSize(850, 600));
    const QRect area = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    // Equal margins left and right, above and below (to the pixel).
    EXPECT_LE(std::abs((frame.left() - area.left()) - (area.right() - frame.right())), 1);
    EXPECT_LE(std::abs((frame.top() - area.top()) - (area.bottom() - frame.bottom())), 1);
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

// Each page button enters its page, marks only its own button and shows its
// view; the moon page writes no entry line.
TEST_F(ShellTest, PageButtonsSwitchPages) {
    connectLamp();
    struct Case {
        const char* ident;
        bool entryLine;
    };
    const Case cases[] = {{"settings", true}, {"dayadjustment", true},  {"moonadjustment", false},
                          {"weather", true},  {"livecontroller", true}, {"info", true}};
    QString previous = "info";
    for (const Case& c : cases) {
        log.clear();
        click(barButton(c.ident));
        const std::string onLeave = "onLeave " + previous.toStdString() + "\n";
        const std::string onEnter = std::string("onEnter ") + c.ident + "\n";
        EXPECT_EQ(log.matching("onLeave").size(), 1u) << c.ident;
        EXPECT_TRUE(log.contains(onLeave)) << c.ident;
        EXPECT_EQ(log.contains(onEnter), c.entryLine) << c.ident;
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

TEST_F(ShellTest, PressingTheCurrentPagesButtonLeavesAndEntersItAgain) {
    connectLamp();
    log.clear();
    click(barButton("info"));
    const auto entries = log.entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0], "onLeave info\n");
    EXPECT_EQ(entries[1], "onEnter info\n");
    EXPECT_TRUE(barButton("info")->isChecked());
}

TEST_F(ShellTest, FirmwareItemOpensItsPageWithEveryButtonOff) {
    connectLamp();
    log.clear();
    nav().miFirmware()->trigger();
    EXPECT_EQ(nav().currentController()->ident(), "firmwareupdatecontroller");
    EXPECT_EQ(nav().tabView()->currentWidget()->objectName(), "firmwareupdatecontroller");
    EXPECT_TRUE(log.contains("onLeave info\n"));
    EXPECT_TRUE(log.contains("onEnter firmwareupdatecontroller\n"));
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
    recording.onCancel = [&] {
        dropped = true;
        leftBeforeDrop = log.contains("onLeave info\n");
        pageAtDrop = nav().currentController();
        connectedAtDrop = nav().connected();
        titleAtDrop = nav().btnDiscover()->text();
        infoEnabledAtDrop = barButton("info")->isEnabled();
    };
    click(nav().btnDiscover());
    recording.onCancel = nullptr;

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
    // The day chart's history is in the Edit menu.
    const QList<QAction*> menus = delegate->window()->menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    const QList<QAction*> edit = menus[1]->menu()->actions();
    ASSERT_EQ(edit.size(), 4);
    EXPECT_EQ(edit[0]->text(), QStringLiteral("Undo"));
    EXPECT_EQ(edit[0]->shortcut(), QKeySequence(QKeySequence::Undo));

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
