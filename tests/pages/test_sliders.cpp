// Every way of moving a slider on the moon, weather and live pages reaches
// the lamp: keys, the wheel and clicks on the track once they have been
// quiet for a moment (a burst gives one command); a click on the knob that
// does not move it sends nothing.
#include <QWheelEvent>

#include <functional>

#include "PageInput.h"
#include "PagesFixture.h"
#include "pages/AQLiveController.h"
#include "pages/AQMoonAdjustmentController.h"
#include "pages/AQWeatherController.h"
#include "pages/SliderCommit.h"

namespace aq::test {
namespace {

void wheel(AQSlider* s, int notches) {
    const QPointF at = s->rect().center();
    QWheelEvent e(at, s->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(s, &e);
}

void clickAtPercent(AQSlider* s, double percent) {
    sendMouse(s, QEvent::MouseButtonPress, sliderPoint(*s, percent), Qt::LeftButton);
    sendMouse(s, QEvent::MouseButtonRelease, sliderPoint(*s, percent), Qt::NoButton);
}

using SliderSendTest = PagesFixture;

struct SliderCase {
    const char* page;
    std::function<AQSlider*(AQNavigationController&)> slider;
    // What the lamp holds for the slider's value, and what it should hold.
    std::function<unsigned(const SimLampModel&)> held;
    std::function<unsigned(int position)> expected;
};

struct Action {
    const char* name;
    std::function<void(AQSlider*)> act;
    bool sends;
};

TEST_F(SliderSendTest, EveryChangeReachesTheLampOnceQuiet) {
    using W = AQWeatherController;
    const SliderCase sliders[] = {
        {"moonadjustment",
         [](AQNavigationController& n) { return pageOf<AQMoonAdjustmentController>(n)->slIntense(); },
         [](const SimLampModel& m) { return unsigned(m.moonMax); },
         [](int p) { return unsigned(p); }},
        {"weather", [](AQNavigationController& n) { return pageOf<W>(n)->sldCloudsPerDay(); },
         [](const SimLampModel& m) { return unsigned(m.cloudsPerDay); },
         [](int p) { return W::sliderToValue(p, W::kCloudsPerDayFull); }},
        {"weather", [](AQNavigationController& n) { return pageOf<W>(n)->sldBoltsPerHour(); },
         [](const SimLampModel& m) { return unsigned(m.boltsPerHour); },
         [](int p) { return W::sliderToValue(p, W::kBoltsPerHourFull); }},
        {"livecontroller",
         [](AQNavigationController& n) {
             return pageOf<AQLiveController>(n)->rows()[3]->slChannel();
         },
         [](const SimLampModel& m) { return unsigned(m.devices[0].liveValues[3]); },
         [](int p) { return AQLiveController::sliderToLive(p); }},
    };
    const Action actions[] = {
        {"arrow keys",
         [](AQSlider* s) {
             for (int i = 0; i < 3; ++i) keyStep(s, Qt::Key_Right);
             keyStep(s, Qt::Key_Left);
         },
         true},
        {"page key", [](AQSlider* s) { keyStep(s, Qt::Key_PageUp); }, true},
        {"wheel",
         [](AQSlider* s) {
             wheel(s, 1);
             wheel(s, 1);
         },
         true},
        {"click on the track", [](AQSlider* s) { clickAtPercent(s, 80); },
         true},
        {"click on the knob",
         [](AQSlider* s) { clickAtPercent(s, s->percent()); }, false},
    };
    // Clouds and lightning on: their sliders are greyed while they are off.
    lamp->updateModel([](SimLampModel& m) {
        m.cloudsPerDay = 10;
        m.boltsPerHour = 10;
    });
    connectLamp();
    for (const SliderCase& c : sliders) {
        click(barButton(c.page));
        dispatch.runUntilIdle();
        // The moon page opens its lamp sheet on entry.
        if (QWidget* sheet = QApplication::activeModalWidget()) sheet->close();
        dispatch.runUntilIdle();
        AQSlider* slider = c.slider(nav());
        for (const Action& a : actions) {
            SCOPED_TRACE(std::string(c.page) + ", " + a.name);
            {
                const QSignalBlocker quiet(slider);
                slider->setValue(37);
            }
            lamp->clearReceived();
            a.act(slider);
            const int shown = slider->value();
            EXPECT_EQ(shown != 37, a.sends);
            // A burst is one command, sent once the slider has been quiet.
            dispatch.runUntil(dispatch.now() + SliderCommit::kQuietSeconds * 0.8);
            EXPECT_TRUE(lamp->received().empty());
            dispatch.runUntilIdle();
            EXPECT_EQ(lamp->received().size(), a.sends ? 1u : 0u);
            if (a.sends) {
                EXPECT_EQ(c.held(lamp->model()), c.expected(shown));
            }
        }
    }
}

}  // namespace
}  // namespace aq::test
