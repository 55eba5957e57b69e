// Small controls as a keyboard or mouse user meets them: connecting from the
// lamp table, check box labels, the weather and live values.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QTimeEdit>

#include "PagesFixture.h"
#include "pages/AQLiveController.h"
#include "pages/AQWeatherController.h"
#include "widgets/AQSlider.h"

namespace aq::test {
namespace {

using ControlsTest = PagesFixture;

TEST_F(ControlsTest, DoubleClickOrReturnOnALampConnectsIt) {
    struct Case {
        const char* name;
        std::function<void(AQTableView*)> act;
    };
    const Case cases[] = {
        {"double click",
         [](AQTableView* t) {
             const QPoint row(t->width() / 2, int(t->headerHeight() + t->cellHeight() / 2));
             QTest::mouseDClick(t, Qt::LeftButton, {}, row);
         }},
        {"arrow keys and Return",
         [](AQTableView* t) {
             t->setSelectedRow(-1);
             QTest::keyClick(t, Qt::Key_Down);
             QTest::keyClick(t, Qt::Key_Return);
         }},
    };
    addLamp("Reef Tank", kLampId);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        discoverLamps();
        c.act(discover().tblDevices());
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return nav().connected(); }));
        click(nav().btnDiscover());  // disconnects
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return !nav().connected(); }));
        dispatch.runUntilIdle(5.0);
    }
}

TEST_F(ControlsTest, ClickOnACheckBoxLabelTogglesTheBox) {
    connectLamp();
    visit("settings");
    AQButton* box = settings().chbDemoLoop();
    QLabel* label = nullptr;
    for (QLabel* l : box->window()->findChildren<QLabel*>()) {
        if (l->buddy() == box) label = l;
    }
    ASSERT_NE(label, nullptr);
    const bool before = box->isChecked();
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_NE(box->isChecked(), before);
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(box->isChecked(), before);
}

TEST_F(ControlsTest, WeatherGreysWhatIsOffAndShowsAWindowAcrossMidnight) {
    lamp->updateModel([](SimLampModel& m) {
        m.cloudsPerDay = 0;
        m.boltsPerHour = 10;
        m.boltsStart = 22 * 60;
        m.boltsEnd = 2 * 60;
    });
    connectLamp();
    visit("weather");
    auto& page = *pageOf<AQWeatherController>(nav());
    struct Case {
        QWidget* control;
        bool enabled;
    };
    const auto check = [&](std::initializer_list<Case> cases) {
        for (const Case& c : cases) EXPECT_EQ(c.control->isEnabled(), c.enabled) << c.control;
    };
    check({{page.sldCloudsPerDay(), false},
           {page.sldCloudDuration(), false},
           {page.sldCloudIntensity(), false},
           {page.sldBoltsPerHour(), true},
           {page.dpBegin(), true},
           {page.dpEnd(), true}});
    EXPECT_TRUE(page.lbMidnight()->isVisibleTo(page.view()));

    click(page.chbCloudSimulation());
    click(page.chbBoltSimulation());
    dispatch.runUntilIdle();
    check({{page.sldCloudsPerDay(), true},
           {page.sldCloudDuration(), true},
           {page.sldCloudIntensity(), true},
           {page.sldBoltsPerHour(), false},
           {page.dpBegin(), false},
           {page.dpEnd(), false}});

    page.dpEnd()->setTime(QTime(23, 0));
    EXPECT_FALSE(page.lbMidnight()->isVisibleTo(page.view()));
}

TEST_F(ControlsTest, LiveSlidersShowPercentInTheChannelsColour) {
    connectLamp();
    visit("livecontroller");
    const QList<AQTableCellView*> rows = pageOf<AQLiveController>(nav())->rows();
    ASSERT_FALSE(rows.isEmpty());
    for (int i = 0; i < rows.size(); ++i) {
        const auto colour = GlobalStore::channelColor(std::uint8_t(i));
        ASSERT_TRUE(colour.has_value());
        EXPECT_EQ(rows[i]->slChannel()->valueLineColor(),
                  QColor::fromRgbF(float(colour->red), float(colour->green), float(colour->blue)));
        EXPECT_EQ(rows[i]->lbValue()->text(), "0%");
    }
    keyStep(rows[0]->slChannel());
    EXPECT_EQ(rows[0]->lbValue()->text(), "1%");
}

TEST_F(ControlsTest, DisabledTextsAreDrawnOnce) {
    // The style's etched second copy made the disabled menu item look doubled.
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_EtchDisabledText), 0);
}

}  // namespace
}  // namespace aq::test
