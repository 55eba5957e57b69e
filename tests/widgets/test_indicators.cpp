#include "widgets/SPActivityIndicator.h"
#include "widgets/SPBezierPath.h"
#include "widgets/SPProgressIndicator.h"
#include "widgets/Theme.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace aq {
namespace {

using test::anyNear;
using test::near;
using test::renderOnMagenta;

TEST(SPActivityIndicator, BrightestFinStepsBackwardsLeavingAFadingTrail) {
    SPActivityIndicator s;
    s.startAnimation();
    EXPECT_TRUE(s.isAnimating());
    EXPECT_TRUE(s.timerRunning());
    for (int position : {0, 11, 10, 9}) {
        s.updateFrame();
        EXPECT_EQ(s.position(), position);
        EXPECT_FLOAT_EQ(s.finColors()[position].alphaF(), 1.0f);
    }
    EXPECT_LT(s.finColors()[10].alphaF(), 1.0f);
    EXPECT_LT(s.finColors()[11].alphaF(), s.finColors()[10].alphaF());
    // A new colour keeps each fin's brightness.
    QList<float> before;
    for (const QColor& c : s.finColors()) before.append(c.alphaF());
    s.setColor(QColor(0, 255, 0));
    for (int i = 0; i < SPActivityIndicator::kFinCount; ++i) {
        EXPECT_FLOAT_EQ(s.finColors()[i].alphaF(), before[i]) << "fin " << i;
        EXPECT_EQ(s.finColors()[i].green(), 255);
    }
}

TEST(SPActivityIndicator, StoppedSpinnerFadesForOneRoundAndAStartRestartsIt) {
    SPActivityIndicator s;
    s.startAnimation();
    s.updateFrame();
    s.updateFrame();
    s.startAnimation();
    EXPECT_EQ(s.position(), 11) << "a start while spinning changes nothing";
    s.stopAnimation();
    s.startAnimation();
    EXPECT_EQ(s.position(), 1) << "a start during the fade begins anew";
    EXPECT_FALSE(s.isFadingOut());

    s.stopAnimation();
    EXPECT_TRUE(s.isFadingOut());
    int ticks = 0;
    while (s.isAnimating() && ticks < 100) {
        s.updateFrame();
        ++ticks;
    }
    EXPECT_EQ(ticks, SPActivityIndicator::kFinCount);
    EXPECT_FALSE(s.isFadingOut());
    EXPECT_FALSE(s.timerRunning());
}

// The bright fin runs round clockwise on screen, from twelve to three.
TEST(SPActivityIndicator, PaintsRestingFinsFaintAndTheBrightOneFull) {
    SPActivityIndicator s;
    s.resize(40, 40);
    s.setColor(Qt::white);
    s.setBackgroundColor(Qt::black);
    // Fin 0 crosses (20, 7).
    const int resting = renderOnMagenta(s).pixelColor(20, 7).red();
    EXPECT_GT(resting, 10);
    EXPECT_LT(resting, 100);
    s.startAnimation();
    for (int i = 0; i < 13; ++i) s.updateFrame();  // once round, brightest at fin 0
    ASSERT_EQ(s.position(), 0);
    EXPECT_GT(renderOnMagenta(s).pixelColor(20, 7).red(), 240);
    for (int i = 0; i < 3; ++i) s.updateFrame();
    EXPECT_GT(renderOnMagenta(s).pixelColor(33, 20).red(), 240);
    EXPECT_TRUE(near(renderOnMagenta(s).pixelColor(1, 1), Qt::black));
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
TEST(SPProgressIndicator, ProgressFillsClockwiseAndNegativeProgressClears) {
    SPProgressIndicator ring;
    ring.resize(40, 40);
    ring.setRingThickness(4);
    ring.setRingRadius(15);
    ring.setRingColor(Qt::white, QColor(0, 0, 255));
    const auto at = [&](double degreesClockwiseFromTwelve) {
        const double a = degreesClockwiseFromTwelve * M_PI / 180;
        return renderOnMagenta(ring).pixelColor(int(20 + 15 * std::sin(a)),
                                                int(20 - 15 * std::cos(a)));
    };
    ring.showProgress(0.25f);
    EXPECT_TRUE(near(at(45), Qt::white, 40));
    EXPECT_TRUE(near(at(135), QColor(0, 0, 255), 40));
    EXPECT_TRUE(near(at(315), QColor(0, 0, 255), 40));
    EXPECT_TRUE(near(renderOnMagenta(ring).pixelColor(20, 20), Qt::magenta));

    // Negative progress takes both rings away; zero shows the track again.
    ring.showProgress(-1.0f);
    EXPECT_FALSE(ring.ringsShown());
    EXPECT_EQ(ring.strokeEnd(), 0.0);
    const QImage image = renderOnMagenta(ring);
    EXPECT_FALSE(anyNear(image, image.rect(), Qt::white, 100));
    EXPECT_FALSE(anyNear(image, image.rect(), QColor(0, 0, 255), 100));
    ring.showProgress(0.0f);
    EXPECT_TRUE(near(at(180), QColor(0, 0, 255), 40));

    // Cleared rings come back on a real change only, at the progress they had.
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
    const double small = ring.ringRadius();
    ring.resize(60, 60);
    EXPECT_DOUBLE_EQ(ring.ringRadius(), small + 10);
    ring.setRingRadius(10);
    ring.resize(80, 80);
    EXPECT_DOUBLE_EQ(ring.ringRadius(), 10);
}

// A path grown step by step: its conversion closes an open last subpath.
TEST(SPBezierPath, ConversionClosesAnOpenLastSubpath) {
    SPBezierPath path;
    const auto expectConverted = [&](const char* what, int elements, QPointF last) {
        const QPainterPath q = path.quartzPath();
        ASSERT_EQ(q.elementCount(), elements) << what;
        if (elements > 0) {
            EXPECT_EQ(QPointF(q.elementAt(elements - 1)), last) << what;
        }
    };
    expectConverted("empty", 0, {});
    path.moveTo({0, 0});
    expectConverted("a lone move", 1, {0, 0});
    path.lineTo({10, 0});
    expectConverted("an open line is closed", 3, {0, 0});
    path.lineTo({10, 10});
    expectConverted("and stays closed", 4, {0, 0});
    path.closePath();
    expectConverted("an explicit close is not doubled", 4, {0, 0});
    path.moveTo({20, 20});
    expectConverted("a move after it", 5, {20, 20});
    path.curveTo({30, 20}, {23, 25}, {27, 25});
    expectConverted("an open curve is closed", 9, {20, 20});
    // The curve keeps its control points in order, its end last.
    ASSERT_EQ(path.elementAt(path.elementCount() - 1).type, SPBezierPath::ElementType::CurveTo);
    const QPainterPath q = path.quartzPath();
    EXPECT_EQ(q.elementAt(5).type, QPainterPath::CurveToElement);
    EXPECT_EQ(QPointF(q.elementAt(5)), QPointF(23, 25));
    EXPECT_EQ(QPointF(q.elementAt(7)), QPointF(30, 20));
}

}  // namespace
}  // namespace aq
