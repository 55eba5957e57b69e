// The info page: the read chain, the device list and the clock.
#include <QDateTimeEdit>
#include <QLabel>
#include <QTimer>

#include "PagesFixture.h"
#include "pages/ClockCare.h"

namespace aq::test {
namespace {

using InfoTest = PagesFixture;

TEST_F(InfoTest, ShowsWhatTheLampReportsAndRebuildsTheDeviceList) {
    struct Case {
        std::size_t slaves;
        std::uint64_t serial;
        std::uint32_t energy;
        const char* firmware;
        const char* shownSlaves;
        const char* shownSerial;
        const char* shownEnergy;
    };
    const Case cases[] = {
        {0, 6699, 0, "1.0.7", "0", "0x0000000000001A2B", "0 kWh"},
        {3, 0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFu, "2.1", "3", "0xFFFFFFFFFFFFFFFF", "4294967295 kWh"},
    };
    connectLamp();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shownSerial);
        lamp->updateModel([&](SimLampModel& m) {
            m.setSlaveCount(c.slaves);
            m.serialNumber = c.serial;
            m.powerConsumption = c.energy;
            m.setFirmwareText(c.firmware);
        });
        lamp->setClock(LampDateTime{2026, 3, 7, 14, 5, 9});
        info().tfPowerConsumption()->clear();
        click(barButton("info"));
        ASSERT_TRUE(
            dispatch.runUntilTrue([&] { return !info().tfPowerConsumption()->text().isEmpty(); }));

        EXPECT_EQ(info().tfSlaves()->text(), c.shownSlaves);
        EXPECT_EQ(info().tfFirmware()->text(), c.firmware);
        EXPECT_EQ(info().tfSerialNumber()->text(), c.shownSerial);
        EXPECT_EQ(info().tfPowerConsumption()->text(), c.shownEnergy);
        EXPECT_EQ(store().devices().size(), 1 + c.slaves);
        EXPECT_EQ(info().dpRtc()->dateTime(), QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)));
    }
}

TEST_F(InfoTest, ChainStopsWhereTheLampStopsAnswering) {
    connectLamp();
    info().tfFirmware()->setText("before");
    info().tfSerialNumber()->setText("before");
    lamp->setClock(LampDateTime{2030, 1, 2, 3, 4, 5});
    lamp->setFaults({.forCommands = {{0x95, SimFault::NoAnswer, kCommandCharacteristicUUID}}});
    visit("info");
    EXPECT_EQ(info().dpRtc()->date(), QDate(2030, 1, 2));
    EXPECT_EQ(store().devices().size(), 3u);
    EXPECT_EQ(info().tfFirmware()->text(), "before");
    EXPECT_EQ(info().tfSerialNumber()->text(), "before");
}

// Three edits 0.2 s apart send one clock, 0.5 s after the last, with its
// value; leaving the page does not lose an edit still waiting.
TEST_F(InfoTest, ClockEditsAreSentOnceAfterTheLastOne) {
    connectLamp();
    lamp->setClock(LampDateTime{2026, 3, 7, 14, 5, 9});
    visit("info");
    lamp->clearReceived();
    log.clear();
    QDateTimeEdit* picker = info().dpRtc();
    ASSERT_EQ(picker->time(), QTime(14, 5, 9));
    picker->setFocus();
    picker->setCurrentSection(QDateTimeEdit::MinuteSection);
    double last = 0;
    for (int i = 0; i < 3; ++i) {
        if (i) dispatch.runUntil(dispatch.now() + 0.2);
        QTest::keyClick(picker, Qt::Key_Up);
        last = dispatch.now();
    }
    EXPECT_EQ(picker->time(), QTime(14, 8, 9));
    dispatch.runUntil(last + 0.45);
    EXPECT_TRUE(sentWith({0x11}).empty());
    dispatch.runUntil(last + 0.55);
    const auto sent = sentWith({0x11});
    ASSERT_EQ(sent.size(), 1u);
    // second, minute, hour, weekday (Saturday), day, month, year - 2000
    EXPECT_EQ(sent[0], (Bytes{0x11, 0x00, 9, 8, 14, 7, 7, 3, 26}));
    EXPECT_EQ(log.matching("saved rtc").size(), 1u);
    dispatch.runUntil(last + 5.0);
    EXPECT_EQ(sentWith({0x11}).size(), 1u);

    // An edit is sent also when the page is left before it was due.
    QTest::keyClick(picker, Qt::Key_Down);
    visit("settings");
    dispatch.runUntil(dispatch.now() + 0.6);
    EXPECT_EQ(sentWith({0x11}).size(), 2u);
}

// The page and, once per connection, a notice above the pages tell how
// far the lamp's clock is from this computer's; nothing is set unasked.
TEST_F(InfoTest, TellsHowFarTheLampsClockIsOff) {
    struct Case {
        qint64 offset;  // lamp minus computer, seconds
        const char* text;
        bool notice;
    };
    const Case cases[] = {
        {-(3 * 3600 + 12 * 60), "3 h 12 min behind", true},
        {5 * 60 + 10, "5 min ahead", true},
        {-(2 * 86400 + 3 * 3600 + 59), "2 d 3 h behind", true},
        {90, "1 min ahead", false},
        {-30, "in step with this computer", false},
    };
    ClockNotice* notice = delegate->clockNotice();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        lamp->setClock(
            AQInfoController::lampFromDateTime(clockcare::computerNow().addSecs(c.offset)));
        connectLamp();
        EXPECT_EQ(info().lbClockOffset()->text(), c.text);
        EXPECT_EQ(!notice->isHidden(), c.notice);
        if (c.notice) {
            EXPECT_TRUE(notice->lbText()->text().contains(c.text));
        }
        // Entering the page again is no new connection.
        click(barButton("settings"));
        notice->hide();
        visit("info");
        EXPECT_TRUE(notice->isHidden());
        EXPECT_TRUE(sentWith({0x11}).empty());
        click(nav().btnDiscover());
        dispatch.runUntilIdle();
    }
}

// Either button sets the lamp to this computer's time with its weekday.
TEST_F(InfoTest, SetsTheLampToThisComputersTime) {
    lamp->setClock(LampDateTime{2024, 1, 1, 12, 0, 0});
    connectLamp();
    ASSERT_FALSE(delegate->clockNotice()->isHidden());
    for (AQButton* button : {delegate->clockNotice()->btnSet(), info().btnSetClock()}) {
        lamp->setClock(LampDateTime{2024, 1, 1, 12, 0, 0});
        lamp->clearReceived();
        click(button);
        dispatch.runUntilIdle();
        // The weekday is checked with an edited clock's bytes.
        EXPECT_EQ(sentWith({0x11}).size(), 1u);
        const auto held = lamp->model().clockAt(dispatch.now()).toLocalSeconds();
        const auto meant =
            AQInfoController::lampFromDateTime(clockcare::computerNow()).toLocalSeconds();
        ASSERT_TRUE(held && meant);
        EXPECT_LE(std::abs((*held - *meant).count()), 1);
        EXPECT_EQ(info().lbClockOffset()->text(), "in step with this computer");
        EXPECT_TRUE(delegate->clockNotice()->isHidden());
        // The notice's button gone, the focus does not pass to the clock.
        EXPECT_FALSE(info().dpRtc()->hasFocus());
    }
    // What the page shows is what the lamp reads back: a set the lamp never
    // answered is not shown as done.
    lamp->setClock(LampDateTime{2024, 1, 1, 12, 0, 0});
    visit("info");
    const QString before = info().lbClockOffset()->text();
    ASSERT_NE(before, "in step with this computer");
    lamp->setFaults({.noAnswerFrom = lamp->receivedCount() + 1});
    alerts.clear();
    click(info().btnSetClock());
    dispatch.runUntilIdle(30.0);
    EXPECT_EQ(info().lbClockOffset()->text(), before);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].contains("Set the clock again")) << alerts[0].toStdString();
}

TEST_F(InfoTest, ClockRunsOnWhileThePageIsShown) {
    lamp->setClock(LampDateTime{2026, 3, 7, 14, 5, 9});
    connectLamp();
    EXPECT_TRUE(info().clockTimer()->isActive());
    const QDateTime first = info().dpRtc()->dateTime();
    dispatch.runUntil(dispatch.now() + 5.0);
    info().tick();
    EXPECT_EQ(first.secsTo(info().dpRtc()->dateTime()), 5);
    // Showing the lamp's clock is no edit: nothing goes back to the lamp.
    dispatch.runUntilIdle();
    EXPECT_TRUE(sentWith({0x11}).empty());
    EXPECT_TRUE(log.matching("saved rtc").empty());
    click(barButton("settings"));
    EXPECT_FALSE(info().clockTimer()->isActive());
}

}  // namespace
}  // namespace aq::test
