// The moon page against the simulated lamp: day and intensity, the chart,
// the sliders, the per-lamp moon flags and the moon window sheet.
#include <QLabel>
#include <QTimeEdit>

#include "DayTestSupport.h"
#include "PagesFixture.h"
#include "pages/AQMoonAdjustmentController.h"
#include "pages/AQTableSheetMCController.h"
#include "pages/MoonFrameSheet.h"
#include "pages/NSDayAdjustment.h"

namespace aq::test {
namespace {

constexpr std::uint8_t kSetMoonActive = 0x07;
constexpr std::uint8_t kSetMoonWnd = 0x0A;

class MoonTest : public PagesFixture {
protected:
    AQMoonAdjustmentController& page() { return *pageOf<AQMoonAdjustmentController>(nav()); }
    const DayAdjustmentGraph& graph() { return page().dayAdjustment()->daGraph(); }
    QString info() { return page().lbInfo()->text(); }
    bool deviceSheetUp() {
        QDialog* d = page().tscDevice()->sheet();
        return d && d->isVisible();
    }

    // Enters the page, lets every answer arrive and closes the device sheet
    // it opens.
    void enterMoon() {
        visit("moonadjustment");
        if (deviceSheetUp()) page().tscDevice()->closeSheet();
        dispatch.runUntilIdle();
        lamp->clearReceived();
    }
    void leaveMoon() { visit("info"); }
};

// The lamp's day and intensity as the page shows them, day 14 at half until
// the lamp answers. Day 28 is the cycle's last day, with the line at the
// right edge (not day 0).
TEST_F(MoonTest, ShowsTheLampsDayAndIntensity) {
    struct Case {
        std::uint8_t day;
        std::uint8_t max;
        int shownDay;
        int daySlider;
        float line;
        int shownMax;
    };
    const Case cases[] = {
        {28, 100, 28, 100, 1.0f, 100},
        {1, 0, 1, 4, 0.0f, 0},
        {29, 100, 1, 4, 0.0f, 100},
        {56, 255, 28, 100, 1.0f, 100},
    };
    connectLamp();
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.day));
        lamp->updateModel([&](SimLampModel& m) {
            m.moonDay = c.day;
            m.moonMax = c.max;
        });
        click(barButton("moonadjustment"));
        EXPECT_EQ(info(), "Intense: 50% Day: 14");
        EXPECT_FLOAT_EQ(graph().vLine(), 13.0f / 27.0f);
        EXPECT_EQ(page().slIntense()->value(), 50);
        enterMoon();
        EXPECT_EQ(info(), QString("Intense: %1% Day: %2").arg(c.shownMax).arg(c.shownDay));
        EXPECT_EQ(page().slDay()->value(), c.daySlider);
        EXPECT_EQ(page().slIntense()->value(), c.shownMax);
        EXPECT_FLOAT_EQ(graph().vLine(), c.line);
        leaveMoon();
    }
}

TEST_F(MoonTest, ArchPeaksAtTheIntensity) {
    struct Case {
        std::uint8_t max;
        double peak;
    };
    const Case cases[] = {{0, 0.0}, {100, 1.0}, {50, 0.5}, {1, 0.01}};
    connectLamp();
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.max));
        lamp->updateModel([&](SimLampModel& m) { m.moonMax = c.max; });
        enterMoon();
        ASSERT_EQ(graph().channelCount(), 1);
        const auto arch = graph().channelAtIndex(0);
        ASSERT_EQ(arch->PointCount(), 21);
        const CurvePoint* p = arch->Points();
        EXPECT_TRUE(test::sameCurve({p[0], p[10], p[20]}, {{0, 0}, {0.5, c.peak}, {1, 0}}));
        for (int i = 0; i < 21; ++i) EXPECT_LE(p[i].y, c.peak + 1e-6);
        leaveMoon();
    }
}

// One row per lamp; what the user ticks is written to each lamp, and the
// next visit shows the ticks as the user left them.
TEST_F(MoonTest, DeviceSheetSetsWhichLampsShowTheMoon) {
    lamp->updateModel([](SimLampModel& m) {
        m.setSlaveCount(1);
        m.devices[0].moonActive = 1;
        m.devices[1].moonActive = 0;
    });
    connectLamp();
    visit("moonadjustment");
    AQTableSheetMCController& sheet = *page().tscDevice();
    ASSERT_TRUE(deviceSheetUp());
    EXPECT_EQ(sheet.data(), QStringList({"Master #1", "Slave #2"}));
    EXPECT_EQ(sheet.status(), QList<bool>({true, false}));

    sheet.toggleRow(0);
    sheet.toggleRow(1);
    sheet.closeSheet();
    dispatch.runUntilIdle();
    EXPECT_EQ(sentWith({kSetMoonActive}).size(), 2u);
    EXPECT_EQ(lamp->model().devices[0].moonActive, 0);
    EXPECT_EQ(lamp->model().devices[1].moonActive, 1);

    lamp->updateModel([](SimLampModel& m) { m.devices[0].moonActive = 1; });
    leaveMoon();
    visit("moonadjustment");
    ASSERT_TRUE(deviceSheetUp());
    EXPECT_EQ(sheet.data(), QStringList({"Master #1", "Slave #2"}));
    EXPECT_EQ(sheet.status(), QList<bool>({false, true}));
}

// Without the flags read, or with the page left before they came, no lamps
// sheet opens; a read the lamp did not answer is told.
TEST_F(MoonTest, NoLampsSheetWithoutTheFlagsOnThePage) {
    connectLamp();
    for (const bool unanswered : {false, true}) {
        SCOPED_TRACE(unanswered);
        SimFaults f;
        if (unanswered)
            f.forCommands.push_back({0x87, SimFault::NoAnswer, kCommandCharacteristicUUID});
        lamp->setFaults(f);
        click(barButton("moonadjustment"));
        if (!unanswered) click(barButton("weather"));
        dispatch.runUntilIdle();
        EXPECT_FALSE(deviceSheetUp());
        EXPECT_EQ(alerts.size(), unanswered ? 1u : 0u);
        EXPECT_TRUE(sentWith({kSetMoonActive}).empty());
    }
}

// Each picker sends half a second after its last change, with the other
// end as last read; closing the sheet does not lose a waiting edit.
TEST_F(MoonTest, WindowSheetSendsTheOtherEndAsRead) {
    lamp->updateModel([](SimLampModel& m) {
        m.moonStart = 360;
        m.moonEnd = 540;
    });
    connectLamp();
    enterMoon();
    click(page().btnTimeframe());
    MoonFrameSheet* sheet = page().timeFrameSheet();
    ASSERT_TRUE(sheet && sheet->isVisible());
    EXPECT_FALSE(page().dtpTimeframeTo()->isEnabled());
    dispatch.runUntilIdle();
    ASSERT_TRUE(page().dtpTimeframeTo()->isEnabled());
    EXPECT_EQ(page().dtpTimeframeFrom()->time(), QTime(6, 0));
    EXPECT_EQ(page().dtpTimeframeTo()->time(), QTime(9, 0));
    EXPECT_EQ(lamp->received().size(), 1u);  // the read only

    for (const QTime& t : {QTime(10, 0), QTime(10, 15), QTime(10, 30)}) {
        page().dtpTimeframeTo()->setTime(t);
        dispatch.runUntil(dispatch.now() + 0.3);
    }
    EXPECT_TRUE(sentWith({kSetMoonWnd}).empty());
    dispatch.runUntilIdle();
    EXPECT_EQ(sentWith({kSetMoonWnd}),
              std::vector<Bytes>{Bytes({kSetMoonWnd, 0x00, 0x68, 0x01, 0x76, 0x02})});

    lamp->clearReceived();
    page().dtpTimeframeFrom()->setTime(QTime(5, 0));
    click(sheet->btnClose());
    EXPECT_EQ(page().timeFrameSheet(), nullptr);
    dispatch.runUntilIdle();
    EXPECT_EQ(sentWith({kSetMoonWnd}).size(), 1u);
    EXPECT_EQ(lamp->model().moonStart, 300);
    EXPECT_EQ(lamp->model().moonEnd, 630);

    click(page().btnTimeframe());
    ASSERT_NE(page().timeFrameSheet(), nullptr);
    dispatch.runUntilIdle();
    EXPECT_EQ(page().dtpTimeframeFrom()->time(), QTime(5, 0));
    EXPECT_EQ(page().dtpTimeframeTo()->time(), QTime(10, 30));
    page().closeSheet();
}

// Escape takes the sheet's edits back: a waiting one is dropped, one already
// sent is undone with the window as it was read.
TEST_F(MoonTest, EscapeOnTheWindowSheetLeavesTheWindowAsItWas) {
    lamp->updateModel([](SimLampModel& m) {
        m.moonStart = 360;
        m.moonEnd = 540;
    });
    connectLamp();
    enterMoon();
    for (const bool sentBeforeEscape : {false, true}) {
        click(page().btnTimeframe());
        MoonFrameSheet* sheet = page().timeFrameSheet();
        ASSERT_NE(sheet, nullptr);
        dispatch.runUntilIdle();
        lamp->clearReceived();
        page().dtpTimeframeTo()->setTime(QTime(11, 0));
        if (sentBeforeEscape) dispatch.runUntilIdle();
        EXPECT_EQ(sentWith({kSetMoonWnd}).size(), sentBeforeEscape ? 1u : 0u);
        QTest::keyClick(sheet, Qt::Key_Escape);
        EXPECT_EQ(page().timeFrameSheet(), nullptr);
        EXPECT_FALSE(page().timerToPending());
        dispatch.runUntilIdle();
        EXPECT_EQ(sentWith({kSetMoonWnd}).size(), sentBeforeEscape ? 2u : 0u) << sentBeforeEscape;
        EXPECT_EQ(lamp->model().moonStart, 360);
        EXPECT_EQ(lamp->model().moonEnd, 540);
        EXPECT_EQ(page().end(), 540);
    }
}

}  // namespace
}  // namespace aq::test
