#include "widgets/SPActivityIndicator.h"
#include "widgets/SPBezierPath.h"
#include "widgets/SPProgressIndicator.h"
#include "widgets/Theme.h"

#include "WidgetTestSupport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace aq {
namespace {

using test::anyNear;
using test::near;
using test::renderOnMagenta;

double brightest(const SPActivityIndicator& s) {
    double m = 0;
    for (const QColor& c : s.finColors()) m = std::max(m, double(c.alphaF()));
    return m;
}

TEST(SPActivityIndicator, FinsRunCounterClockwiseFromTwelve) {
    struct Case {
        int fin;
        QPointF outerEnd;
    };
    // 40 × 40: centre (20, 20), outer end 16.875 from it.
    const Case cases[] = {{0, {20, 3.125}}, {3, {3.125, 20}}, {6, {20, 36.875}}, {9, {36.875, 20}}};
    for (const Case& c : cases) {
        const QLineF fin = SPActivityIndicator::finLine(QSizeF(40, 40), c.fin);
        EXPECT_NEAR(fin.p2().x(), c.outerEnd.x(), 1e-9) << "fin " << c.fin;
        EXPECT_NEAR(fin.p2().y(), c.outerEnd.y(), 1e-9) << "fin " << c.fin;
        EXPECT_NEAR(fin.length(), 16.875 - 9.375, 1e-9);
    }
}

TEST(SPActivityIndicator, BrightestFinStepsBackwardsEachTick) {
    SPActivityIndicator s;
    s.startAnimation();
    EXPECT_TRUE(s.isAnimating());
    EXPECT_TRUE(s.timerRunning());
    const int expected[] = {0, 11, 10, 9};
    for (int position : expected) {
        s.updateFrame();
        EXPECT_EQ(s.position(), position);
        EXPECT_FLOAT_EQ(s.finColors()[position].alphaF(), 1.0f);
    }
    // The fin before it has dimmed once.
    EXPECT_NEAR(s.finColors()[10].alphaF(), 0.85, 1e-3);
}

TEST(SPActivityIndicator, StoppedSpinnerFadesForTwelveTicks) {
    SPActivityIndicator s;
    s.startAnimation();
    s.stopAnimation();
    EXPECT_TRUE(s.isFadingOut());
    int ticks = 0;
    while (s.isAnimating() && ticks < 100) {
        s.updateFrame();
        ++ticks;
        if (ticks == 11) {
            EXPECT_TRUE(s.isAnimating());
            EXPECT_NEAR(brightest(s), 0.167, 0.001);
        }
    }
    EXPECT_EQ(ticks, 12);
    EXPECT_FALSE(s.isFadingOut());
    EXPECT_FALSE(s.timerRunning());
}

TEST(SPActivityIndicator, StartWhileSpinningChangesNothingButRestartsAFade) {
    SPActivityIndicator s;
    s.startAnimation();
    s.updateFrame();
    s.updateFrame();
    s.startAnimation();
    EXPECT_EQ(s.position(), 11);
    s.stopAnimation();
    s.startAnimation();
    EXPECT_EQ(s.position(), 1);
    EXPECT_FALSE(s.isFadingOut());
    EXPECT_TRUE(s.timerRunning());
}

TEST(SPActivityIndicator, NewColourKeepsEachFinsBrightness) {
    SPActivityIndicator s;
    s.startAnimation();
    for (int i = 0; i < 3; ++i) s.updateFrame();
    QList<float> before;
    for (const QColor& c : s.finColors()) before.append(c.alphaF());
    s.setColor(QColor(0, 255, 0));
    for (int i = 0; i < SPActivityIndicator::kFinCount; ++i) {
        EXPECT_FLOAT_EQ(s.finColors()[i].alphaF(), before[i]) << "fin " << i;
        EXPECT_EQ(s.finColors()[i].green(), 255);
    }
}

TEST(SPActivityIndicator, PaintsRestingFinsFaintAndTheBrightOneFull) {
    SPActivityIndicator s;
    s.resize(40, 40);
    s.setColor(Qt::white);
    s.setBackgroundColor(Qt::black);
    // Fin 0 crosses (20, 7).
    int resting = renderOnMagenta(s).pixelColor(20, 7).red();
    EXPECT_NEAR(resting, 0.15 * 255, 6);
    s.startAnimation();
    for (int i = 0; i < 13; ++i) s.updateFrame();  // once round, brightest at fin 0
    ASSERT_EQ(s.position(), 0);
    EXPECT_GT(renderOnMagenta(s).pixelColor(20, 7).red(), 240);
    EXPECT_TRUE(near(renderOnMagenta(s).pixelColor(1, 1), Qt::black));
}

TEST(SPProgressIndicator, RingStartsAtTwelveAndRunsClockwise) {
    const QPointF c(20, 20);
    const QPolygonF ring = SPProgressIndicator::ringPolygon(c, 15);
    ASSERT_EQ(ring.size(), 73);
    EXPECT_EQ(ring.first(), ring.last());
    EXPECT_NEAR(ring[0].x(), 20, 1e-9);
    EXPECT_NEAR(ring[0].y(), 5, 1e-9);
    EXPECT_NEAR(ring[18].x(), 35, 1e-9);  // 3 o'clock after a quarter
    EXPECT_NEAR(ring[18].y(), 20, 1e-9);
    EXPECT_NEAR(ring[36].y(), 35, 1e-9);  // 6 o'clock after half
}

TEST(SPProgressIndicator, StrokeEndsWhereTheProgressSays) {
    struct Case {
        double fraction;
        int points;
        QPointF end;
    };
    const QPointF c(0, 0);
    const Case cases[] = {
        {0.0, 0, {}},        {0.25, 19, {10, 0}}, {0.5, 37, {0, 10}},
        {1.0, 73, {0, -10}}, {1.5, 73, {0, -10}}, {-0.5, 0, {}},
    };
    for (const Case& k : cases) {
        const QPolygonF s = SPProgressIndicator::ringStroke(c, 10, k.fraction);
        ASSERT_EQ(s.size(), k.points) << k.fraction;
        if (k.points == 0) continue;
        EXPECT_NEAR(s.last().x(), k.end.x(), 1e-9) << k.fraction;
        EXPECT_NEAR(s.last().y(), k.end.y(), 1e-9) << k.fraction;
    }
    // Half a segment: the end lies halfway along the first chord.
    const QPolygonF half = SPProgressIndicator::ringStroke(c, 10, 1.0 / 144);
    ASSERT_EQ(half.size(), 2);
    const QPolygonF ring = SPProgressIndicator::ringPolygon(c, 10);
    EXPECT_NEAR(half[1].x(), (ring[0].x() + ring[1].x()) / 2, 1e-9);
}

// The discovery ring of the connection page: thickness 4, radius 15.
struct RingFixture : testing::Test {
    RingFixture() {
        ring.resize(40, 40);
        ring.setRingThickness(4);
        ring.setRingRadius(15);
        ring.setRingColor(Qt::white, QColor(0, 0, 255));
    }
    QColor at(double degreesClockwiseFromTwelve) {
        const double a = degreesClockwiseFromTwelve * M_PI / 180;
        const QImage image = renderOnMagenta(ring);
        return image.pixelColor(int(20 + 15 * std::sin(a)), int(20 - 15 * std::cos(a)));
    }
    SPProgressIndicator ring;
};

TEST_F(RingFixture, QuarterFillsTwelveToThree) {
    test::LogCapture log;
    ring.showProgress(0.25f);
    EXPECT_TRUE(log.contains("-----0.250000\n"));
    EXPECT_TRUE(near(at(45), Qt::white, 40));
    EXPECT_TRUE(near(at(135), QColor(0, 0, 255), 40));
    EXPECT_TRUE(near(at(315), QColor(0, 0, 255), 40));
    EXPECT_TRUE(near(renderOnMagenta(ring).pixelColor(20, 20), Qt::magenta));
}

TEST_F(RingFixture, NegativeProgressTakesBothRingsAway) {
    ring.showProgress(0.5f);
    ring.showProgress(-1.0f);
    EXPECT_FALSE(ring.ringsShown());
    EXPECT_EQ(ring.strokeEnd(), 0.0);
    const QImage image = renderOnMagenta(ring);
    EXPECT_FALSE(anyNear(image, image.rect(), Qt::white, 100));
    EXPECT_FALSE(anyNear(image, image.rect(), QColor(0, 0, 255), 100));
    ring.showProgress(0.0f);
    EXPECT_TRUE(near(at(180), QColor(0, 0, 255), 40));
}

TEST_F(RingFixture, OnlyARealChangeRebuildsClearedRings) {
    ring.showProgress(0.5f);
    ring.clear();
    ring.setRingThickness(4);
    ring.setRingRadius(15);
    ring.setRingColor(Qt::white, QColor(0, 0, 255));
    EXPECT_FALSE(ring.ringsShown());
    ring.setRingThickness(5);
    EXPECT_TRUE(ring.ringsShown());
    EXPECT_DOUBLE_EQ(ring.strokeEnd(), 0.5);
}

TEST(SPProgressIndicator, RadiusFollowsTheWidthUntilSet) {
    SPProgressIndicator ring;
    ring.resize(40, 40);
    EXPECT_DOUBLE_EQ(ring.ringRadius(), 14);
    ring.resize(60, 60);
    EXPECT_DOUBLE_EQ(ring.ringRadius(), 24);
    ring.setRingRadius(10);
    ring.resize(80, 80);
    EXPECT_DOUBLE_EQ(ring.ringRadius(), 10);
    ring.setRingThickness(4);
    ring.sizeToFit();
    EXPECT_DOUBLE_EQ(ring.ringRadius(), 36);
}

TEST(SPBezierPath, ConversionClosesAnOpenLastSubpath) {
    using T = SPBezierPath::ElementType;
    struct Case {
        const char* what;
        std::function<void(SPBezierPath&)> build;
        int elements;
        QPointF last;
    };
    const Case cases[] = {
        {"empty", [](SPBezierPath&) {}, 0, {}},
        {"a lone move",
         [](SPBezierPath& p) {
             p.moveTo({1, 1});
         },
         1,
         {1, 1}},
        {"open lines are closed",
         [](SPBezierPath& p) {
             p.moveTo({0, 0});
             p.lineTo({10, 0});
             p.lineTo({10, 10});
         },
         4,
         {0, 0}},
        {"an open curve is closed",
         [](SPBezierPath& p) {
             p.moveTo({0, 0});
             p.curveTo({10, 0}, {3, 5}, {7, 5});
         },
         5,
         {0, 0}},
        {"an explicit close is kept, not doubled",
         [](SPBezierPath& p) {
             p.moveTo({0, 0});
             p.lineTo({10, 0});
             p.lineTo({10, 10});
             p.closePath();
             p.moveTo({20, 20});
         },
         5,
         {20, 20}},
    };
    for (const Case& c : cases) {
        SPBezierPath path;
        c.build(path);
        const QPainterPath q = path.quartzPath();
        ASSERT_EQ(q.elementCount(), c.elements) << c.what;
        if (c.elements == 0) continue;
        const QPainterPath::Element e = q.elementAt(c.elements - 1);
        EXPECT_EQ(QPointF(e.x, e.y), c.last) << c.what;
    }
    SPBezierPath curve;
    curve.moveTo({0, 0});
    curve.curveTo({10, 0}, {3, 5}, {7, 5});
    ASSERT_EQ(curve.elementAt(1).type, T::CurveTo);
    const QPainterPath q = curve.quartzPath();
    EXPECT_EQ(q.elementAt(1).type, QPainterPath::CurveToElement);
    EXPECT_EQ(QPointF(q.elementAt(1)), QPointF(3, 5));
    EXPECT_EQ(QPointF(q.elementAt(3)), QPointF(10, 0));
}

}  // namespace
}  // namespace aq
