// The weather page against the simulated lamp: the read on entry, the
// sliders, the on/off boxes, the bolt window and the test buttons.
#include <QLabel>
#include <QTimeEdit>

#include "PagesFixture.h"
#include "pages/AQWeatherController.h"

namespace aq::test {
namespace {

constexpr std::uint8_t kSetBoltsPerHour = 0x01;
constexpr std::uint8_t kSetBoltsWnd = 0x02;
constexpr std::uint8_t kSetCloudsPerDay = 0x05;

// The count a value label shows, without its unit.
QString number(const QLabel* label) {
    return label->text().section(QLatin1Char(' '), 0, 0);
}

class WeatherTest : public PagesFixture {
protected:
    AQWeatherController& page() { return *pageOf<AQWeatherController>(nav()); }

    void setWeather(std::uint8_t clouds, std::uint16_t duration, std::uint8_t dimming,
                    std::uint8_t bolts) {
        lamp->updateModel([&](SimLampModel& m) {
            m.cloudsPerDay = clouds;
            m.cloudDuration = duration;
            m.cloudDimming = dimming;
            m.boltsPerHour = bolts;
            m.boltsStart = 1200;
            m.boltsEnd = 1380;
        });
    }

    void enterWeather() {
        visit("weather");
        lamp->clearReceived();
    }
};

TEST_F(WeatherTest, EntryShowsWhatTheLampHolds) {
    setWeather(128, 999, 30, 0);
    connectLamp();
    enterWeather();
    EXPECT_EQ(page().lbCloudsPerDay()->text(), "128 per day");
    EXPECT_EQ(page().lbCloudDuration()->text(), "999 min");
    EXPECT_EQ(page().lbCloudIntensity()->text(), "30%");
    EXPECT_EQ(page().lbBoltsPerHour()->text(), "0 per hour");
    EXPECT_EQ(page().sldCloudsPerDay()->value(), 50);
    EXPECT_EQ(page().sldCloudDuration()->value(), 100);
    EXPECT_EQ(page().sldCloudIntensity()->value(), 30);
    EXPECT_EQ(page().sldBoltsPerHour()->value(), 0);
    EXPECT_TRUE(page().chbCloudSimulation()->isChecked());
    EXPECT_FALSE(page().chbBoltSimulation()->isChecked());
    EXPECT_EQ(page().dpBegin()->time(), QTime(20, 0));
    EXPECT_EQ(page().dpEnd()->time(), QTime(23, 0));
    // Showing is no change.
    EXPECT_TRUE(lamp->received().empty());
}

// The clouds and bolts boxes switch to 0 and back to the count remembered.
struct Switch {
    const char* name;
    AQButton* (AQWeatherController::*box)() const;
    AQSlider* (AQWeatherController::*slider)() const;
    QLabel* (AQWeatherController::*label)() const;
    std::uint8_t opcode;
    std::uint8_t SimLampModel::*field;
    int sliderAt128;
};
const Switch kSwitches[] = {
    {"clouds", &AQWeatherController::chbCloudSimulation, &AQWeatherController::sldCloudsPerDay,
     &AQWeatherController::lbCloudsPerDay, kSetCloudsPerDay, &SimLampModel::cloudsPerDay, 50},
    {"bolts", &AQWeatherController::chbBoltSimulation, &AQWeatherController::sldBoltsPerHour,
     &AQWeatherController::lbBoltsPerHour, kSetBoltsPerHour, &SimLampModel::boltsPerHour, 71},
};

TEST_F(WeatherTest, BoxOnAfterZeroReadSendsOne) {
    setWeather(0, 100, 40, 0);
    connectLamp();
    enterWeather();
    for (const Switch& s : kSwitches) {
        SCOPED_TRACE(s.name);
        AQButton* box = (page().*s.box)();
        ASSERT_FALSE(box->isChecked());
        click(box);
        dispatch.runUntilIdle();
        EXPECT_TRUE(box->isChecked());
        EXPECT_EQ(number((page().*s.label)()), "1");
        EXPECT_EQ(sentWith({s.opcode}), std::vector<Bytes>{Bytes({s.opcode, 0x00, 0x01})});
        EXPECT_EQ(lamp->model().*s.field, 1);
    }
}

// Off and on again brings back the count; a drag to 0 switches the box off,
// and the box then brings back the count read from the lamp, not the one
// the drag started from.
TEST_F(WeatherTest, BoxOffAndOnRestoresTheCountReadFromTheLamp) {
    setWeather(128, 100, 40, 128);
    connectLamp();
    enterWeather();
    for (const Switch& s : kSwitches) {
        SCOPED_TRACE(s.name);
        AQButton* box = (page().*s.box)();
        AQSlider* slider = (page().*s.slider)();
        ASSERT_TRUE(box->isChecked());
        click(box);
        dispatch.runUntilIdle();
        EXPECT_EQ(number((page().*s.label)()), "0");
        EXPECT_EQ(slider->value(), 0);
        EXPECT_EQ(lamp->model().*s.field, 0);
        click(box);
        dispatch.runUntilIdle();
        EXPECT_EQ(slider->value(), s.sliderAt128);
        EXPECT_EQ(lamp->model().*s.field, 128);
        EXPECT_EQ(sentWith({s.opcode}).size(), 2u);

        dragSlider(slider, {50, 90});
        dispatch.runUntilIdle();
        ASSERT_GT(lamp->model().*s.field, 128);
        lamp->clearReceived();
        dragSlider(slider, {90, 40, 0});
        EXPECT_FALSE(box->isChecked());
        dispatch.runUntilIdle();
        EXPECT_EQ(sentWith({s.opcode}), std::vector<Bytes>{Bytes({s.opcode, 0x00, 0x00})});
        click(box);
        dispatch.runUntilIdle();
        EXPECT_TRUE(box->isChecked());
        EXPECT_EQ(number((page().*s.label)()), "128");
        EXPECT_EQ(lamp->model().*s.field, 128);
    }
}

// Only the last edit within half a second goes out, with the other end as
// last read.
TEST_F(WeatherTest, WindowEditSendsTheOtherEndAsRead) {
    setWeather(10, 10, 10, 10);
    connectLamp();
    enterWeather();
    struct Case {
        QTimeEdit* (AQWeatherController::*picker)() const;
        std::uint16_t start;
        std::uint16_t end;
    };
    const Case cases[] = {
        {&AQWeatherController::dpBegin, 21 * 60 + 15, 1380},
        {&AQWeatherController::dpEnd, 21 * 60 + 15, 23 * 60 + 50},
    };
    const QTime edits[][3] = {{QTime(21, 0), QTime(21, 10), QTime(21, 15)},
                              {QTime(23, 30), QTime(23, 40), QTime(23, 50)}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        QTimeEdit* picker = (page().*cases[i].picker)();
        ASSERT_TRUE(picker->isEnabled());
        for (const QTime& t : edits[i]) {
            picker->setTime(t);
            dispatch.runUntil(dispatch.now() + 0.3);
        }
        EXPECT_TRUE(sentWith({kSetBoltsWnd}).empty());
        dispatch.runUntilIdle();
        ASSERT_EQ(sentWith({kSetBoltsWnd}).size(), 1u);
        EXPECT_EQ(lamp->model().boltsStart, cases[i].start);
        EXPECT_EQ(lamp->model().boltsEnd, cases[i].end);
        lamp->clearReceived();
    }
}

// Without the window read, an edit of one end would carry a made-up other
// end; the pickers wait for the lamp.
TEST_F(WeatherTest, WindowPickersWaitForTheRead) {
    connectLamp();
    lamp->setFaults({.forCommands = {{0x82, SimFault::NoAnswer, kCommandCharacteristicUUID}}});
    enterWeather();
    EXPECT_FALSE(page().dpBegin()->isEnabled());
    EXPECT_FALSE(page().dpEnd()->isEnabled());
}

TEST_F(WeatherTest, TestButtonsShowOneCloudAndOneBolt) {
    connectLamp();
    enterWeather();
    click(page().btnTestCloud());
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().testClouds, 1u);
    EXPECT_EQ(lamp->model().testBolts, 0u);
    click(page().btnTestBolt());
    click(page().btnTestBolt());
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().testClouds, 1u);
    EXPECT_EQ(lamp->model().testBolts, 2u);
}

}  // namespace
}  // namespace aq::test
