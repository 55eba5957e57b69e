// Every way of moving a slider on the moon, weather and live pages reaches
// the lamp: keys, the wheel and clicks on the track once they have been
// quiet for a moment (a burst gives one command); a click on the knob that
// does not move it sends nothing.
#include <QLabel>
#include <QWheelEvent>

#include <functional>

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

template <typename P>
std::function<AQSlider*(AQNavigationController&)> sliderOf(AQSlider* (P::*get)() const) {
    return [get](AQNavigationController& n) { return (pageOf<P>(n)->*get)(); };
}
template <typename P>
std::function<QString(AQNavigationController&)> textOf(QLabel* (P::*get)() const) {
    return [get](AQNavigationController& n) { return (pageOf<P>(n)->*get)()->text(); };
}
template <typename T>
std::function<unsigned(const SimLampModel&)> held(T SimLampModel::*field) {
    return [field](const SimLampModel& m) { return unsigned(m.*field); };
}

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
    // Every page's sliders send through the same commit: a weather and a
    // live slider stand for all; the drag test below covers each page's wiring.
    const SliderCase sliders[] = {
        {"weather", sliderOf(&W::sldCloudsPerDay), held(&SimLampModel::cloudsPerDay),
         [](int p) { return W::sliderToValue(p, W::kCloudsPerDayFull); }},
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
        {"wheel",
         [](AQSlider* s) {
             wheel(s, 1);
             wheel(s, 1);
         },
         true},
        {"click on the track", [](AQSlider* s) { clickAtPercent(s, 80); }, true},
        {"click on the knob", [](AQSlider* s) { clickAtPercent(s, s->percent()); }, false},
    };
    // Clouds on: their sliders are greyed while they are off.
    lamp->updateModel([](SimLampModel& m) { m.cloudsPerDay = 10; });
    connectLamp();
    for (const SliderCase& c : sliders) {
        visit(c.page);
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

// The page shows the value as the mouse drags and writes it once, at the
// release, not while the button is held. The moon day's last day is 28.
TEST_F(SliderSendTest, ADragWritesOnceAtTheReleaseWhatThePageShows) {
    using M = AQMoonAdjustmentController;
    using W = AQWeatherController;
    using L = SimLampModel;
    struct Case {
        const char* page;
        std::function<AQSlider*(AQNavigationController&)> slider;
        std::function<QString(AQNavigationController&)> shown;
        std::function<unsigned(const SimLampModel&)> lamp;
        double to;
        const char* text;
        unsigned value;
    };
    // In this order: each moon row shows what the rows before it set.
    const Case cases[] = {
        {"moonadjustment", sliderOf(&M::slDay), textOf(&M::lbInfo), held(&L::moonDay), 0,
         "Intense: 40% Day: 1", 1},
        {"moonadjustment", sliderOf(&M::slDay), textOf(&M::lbInfo), held(&L::moonDay), 100,
         "Intense: 40% Day: 28", 28},
        {"moonadjustment", sliderOf(&M::slDay), textOf(&M::lbInfo), held(&L::moonDay), 30,
         "Intense: 40% Day: 9", 9},
        {"moonadjustment", sliderOf(&M::slIntense), textOf(&M::lbInfo), held(&L::moonMax), 0,
         "Intense: 0% Day: 9", 0},
        {"moonadjustment", sliderOf(&M::slIntense), textOf(&M::lbInfo), held(&L::moonMax), 73,
         "Intense: 73% Day: 9", 73},
        // Half the slider is half the scale, halves rounded up.
        {"weather", sliderOf(&W::sldCloudsPerDay), textOf(&W::lbCloudsPerDay),
         held(&L::cloudsPerDay), 50, "128 per day", 128},
        {"weather", sliderOf(&W::sldCloudDuration), textOf(&W::lbCloudDuration),
         held(&L::cloudDuration), 50, "500 min", 500},
        {"weather", sliderOf(&W::sldCloudIntensity), textOf(&W::lbCloudIntensity),
         held(&L::cloudDimming), 50, "50%", 50},
        {"weather", sliderOf(&W::sldBoltsPerHour), textOf(&W::lbBoltsPerHour),
         held(&L::boltsPerHour), 50, "90 per hour", 90},
    };
    lamp->updateModel([](SimLampModel& m) {
        m.moonDay = 5;
        m.moonMax = 40;
        m.cloudsPerDay = 10;
        m.boltsPerHour = 10;
    });
    connectLamp();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (nav().currentController()->ident() != QLatin1String(c.page)) {
            visit(c.page);
            // The moon page opens its lamp sheet on entry.
            if (QWidget* sheet = QApplication::activeModalWidget()) sheet->close();
            dispatch.runUntilIdle();
        }
        AQSlider* slider = c.slider(nav());
        lamp->clearReceived();
        sendMouse(slider, QEvent::MouseButtonPress, sliderPoint(*slider, 60), Qt::LeftButton);
        EXPECT_EQ(slider->value(), 60);
        for (double at : {20.0, 90.0, c.to})
            sendMouse(slider, QEvent::MouseMove, sliderPoint(*slider, at), Qt::LeftButton);
        EXPECT_EQ(c.shown(nav()), c.text);
        dispatch.runUntilIdle();
        EXPECT_TRUE(lamp->received().empty());
        sendMouse(slider, QEvent::MouseButtonRelease, sliderPoint(*slider, c.to), Qt::NoButton);
        dispatch.runUntilIdle();
        EXPECT_EQ(lamp->received().size(), 1u);
        EXPECT_EQ(c.lamp(lamp->model()), c.value);
    }
}

}  // namespace
}  // namespace aq::test
