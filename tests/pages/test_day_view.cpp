// The day-curve view: mouse gestures turned into the graph's editing, the
// point adjust sheet, moon mode and the status text beside a dragged point.
#include "pages/NSDayAdjustment.h"

#include "pages/AQAdjustController.h"
#include "support/LogCapture.h"

#include "DayTestSupport.h"

#include <QAccessible>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <vector>

namespace aq {
namespace {

using test::DoubleClickForm;

constexpr double kEps = 1e-6;

std::vector<CurvePoint> pointsOf(const DayAdjustmentChannel& channel) {
    return std::vector<CurvePoint>(channel.Points(), channel.Points() + channel.PointCount());
}

// An 800 x 400 view with the graph's default 55-point paddings, so the plot
// runs from (55, 55) to (745, 345); one curve with the given points.
class DayViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(800, 400);
        setPoints({{0.2, 0.5}, {0.4, 0.5}, {0.6, 0.5}});
    }

    void setPoints(const std::vector<CurvePoint>& points) {
        auto channel = std::make_shared<DayAdjustmentChannel>(Color{0.2, 0.6, 1.0, 1.0});
        for (const auto& p : points) channel->addPoint(p);
        view.daGraph().channelRemoveAll();
        view.daGraph().channelAdd(channel);
        view.daGraph().setChannel(0);
        // The graph maps the mouse through the layout of its last drawing.
        (void)view.grab();
    }

    DayAdjustmentChannel& channel() { return *view.daGraph().selectedChannel(); }
    std::vector<CurvePoint> points() { return pointsOf(channel()); }
    QPointF at(CurvePoint p) {
        const ViewPoint v = view.daGraph().curveToView(p);
        return QPointF(v.x, v.y);
    }

    NSDayAdjustment view;
    test::LogCapture log;
};

// Away from the points a double click adds one where it was; on a point it
// removes that point. Either way no point is left held. Clamping and the
// only point's rule are the graph's own test.
TEST_F(DayViewTest, DoubleClickAddsOrRemovesAPoint) {
    struct Case {
        std::vector<CurvePoint> before;
        QPointF position;  // view coordinates: the plot runs from (55, 55) to (745, 345)
        std::vector<CurvePoint> after;
    };
    const std::vector<CurvePoint> three = {{0.2, 0.5}, {0.4, 0.5}, {0.6, 0.5}};
    const Case cases[] = {
        {three,
         {55 + 690 * 0.8, 55 + 290 * 0.75},
         {{0.2, 0.5}, {0.4, 0.5}, {0.6, 0.5}, {0.8, 0.25}}},
        {{{0.2, 0.3}, {0.4, 0.5}, {0.7, 0.8}}, at({0.2, 0.3}), {{0.4, 0.5}, {0.7, 0.8}}},
    };
    for (const auto form :
         {DoubleClickForm::PressThenDoubleClick, DoubleClickForm::DoubleClickOnly}) {
        for (const Case& c : cases) {
            setPoints(c.before);
            test::doubleClick(view, c.position, form);
            EXPECT_TRUE(test::sameCurve(points(), c.after))
                << c.position.x() << "," << c.position.y();
            EXPECT_EQ(channel().SelectedPoint(), -1);
        }
    }
}

TEST_F(DayViewTest, DraggingAwayFromPointsShiftsTheWholeCurve) {
    struct Case {
        double dx, dy;  // pixels beyond the first, recording drag event
        std::vector<CurvePoint> after;
    };
    // A quarter of the 800-point width is a quarter day; 40 points up is a
    // tenth of the 400-point height. How times wrap and levels clamp is the
    // channel's own test.
    const Case cases[] = {
        {200, 0, {{0.15, 0.6}, {0.35, 0.2}, {0.75, 0.4}}},
        {0, -40, {{0.1, 0.3}, {0.5, 0.5}, {0.9, 0.7}}},
    };
    for (const Case& c : cases) {
        setPoints({{0.1, 0.2}, {0.5, 0.4}, {0.9, 0.6}});
        const QPointF start = at({0.3, 0.9});
        test::press(view, start);
        test::dragTo(view, start + QPointF(10, 10));
        EXPECT_TRUE(test::sameCurve(points(), {{0.1, 0.2}, {0.5, 0.4}, {0.9, 0.6}}));
        test::dragTo(view, start + QPointF(10 + c.dx, 10 + c.dy));
        test::release(view, start + QPointF(10 + c.dx, 10 + c.dy));
        EXPECT_TRUE(test::sameCurve(points(), c.after));
    }
}

TEST_F(DayViewTest, AHeldPointDraggedPastItsNeighboursStaysHeld) {
    test::press(view, at({0.2, 0.5}));
    ASSERT_EQ(channel().SelectedPoint(), 0);

    test::dragTo(view, at({0.5, 0.7}));
    EXPECT_EQ(channel().SelectedPoint(), 1);
    EXPECT_NEAR(channel().Points()[1].x, 0.5, kEps);
    EXPECT_NEAR(channel().Points()[1].y, 0.7, kEps);

    test::dragTo(view, at({0.65, 0.355}));
    EXPECT_EQ(channel().SelectedPoint(), 2);
    EXPECT_TRUE(test::sameCurve(points(), {{0.4, 0.5}, {0.6, 0.5}, {0.65, 0.355}}));
    EXPECT_EQ(view.statusText(), QStringLiteral("35%@15:35"));

    test::release(view, at({0.65, 0.355}));
    EXPECT_EQ(channel().SelectedPoint(), -1);
    EXPECT_TRUE(view.statusText().isEmpty());
}

TEST_F(DayViewTest, MoonModeRefusesEveryEdit) {
    struct Gesture {
        const char* name;
        void (*run)(NSDayAdjustment&, QPointF onPoint, QPointF away);
    };
    // Holding, moving, adding and removing a point in moon mode are refused
    // by the graph and tested there; these are the view's own gestures.
    const Gesture gestures[] = {
        {"drag the curve",
         [](NSDayAdjustment& v, QPointF, QPointF a) {
             test::press(v, a);
             test::dragTo(v, a + QPointF(10, 0));
             test::dragTo(v, a + QPointF(200, -50));
             test::release(v, a + QPointF(200, -50));
         }},
        {"double click away",
         [](NSDayAdjustment& v, QPointF, QPointF a) {
             test::doubleClick(v, a, DoubleClickForm::DoubleClickOnly);
         }},
        {"right click on a point",
         [](NSDayAdjustment& v, QPointF p, QPointF) { test::click(v, p, Qt::RightButton); }},
    };
    QWidget window;
    view.setWnd(&window);
    view.setMoonMode(true);
    for (const Gesture& g : gestures) {
        const auto before = points();
        g.run(view, at({0.4, 0.5}), at({0.5, 0.9}));
        EXPECT_TRUE(test::sameCurve(points(), before));
        EXPECT_EQ(channel().SelectedPoint(), -1) << g.name;
        EXPECT_EQ(view.adjustSheet(), nullptr) << g.name;
    }
}

TEST_F(DayViewTest, RightClickOnAPointEditsItThroughTheAdjustSheet) {
    QWidget window;
    window.resize(400, 300);
    window.show();
    view.setWnd(&window);

    test::click(view, at({0.6, 0.5}), Qt::RightButton);
    AQAdjustController* sheet = view.adjustSheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(sheet->sheet(), nullptr);
    EXPECT_EQ(sheet->sheet()->parentWidget(), &window);
    EXPECT_EQ(sheet->sheet()->windowModality(), Qt::WindowModal);
    EXPECT_FLOAT_EQ(sheet->w(), 0.6f);
    EXPECT_FLOAT_EQ(sheet->h(), 0.5f);
    EXPECT_EQ(log.matching("pn in 2\n").size(), 1u);

    sheet->dpTime()->setTime(QTime(6, 0));
    sheet->okPressed();
    // The sheet's values go in unclamped and unsorted: the point stays third.
    EXPECT_TRUE(test::sameCurve(points(), {{0.2, 0.5}, {0.4, 0.5}, {0.25, 0.5}}));
    EXPECT_EQ(log.matching("pn out 2").size(), 1u);

    // The same sheet serves the next right click, with the new point.
    test::click(view, at({0.2, 0.5}), Qt::RightButton);
    EXPECT_EQ(view.adjustSheet(), sheet);
    EXPECT_FLOAT_EQ(sheet->w(), 0.2f);
    sheet->okPressed();
    EXPECT_EQ(log.matching("pn mid").size(), 1u);

    // Away from the points, or without a window to open on, nothing opens.
    test::click(view, at({0.5, 0.9}), Qt::RightButton);
    EXPECT_TRUE(log.contains("pn in -1\n"));
    EXPECT_EQ(sheet->sheet(), nullptr);
    view.setWnd(nullptr);
    test::click(view, at({0.4, 0.5}), Qt::RightButton);
    EXPECT_TRUE(log.contains("pn in 1\n"));
    EXPECT_EQ(sheet->sheet(), nullptr);
}

TEST_F(DayViewTest, AnAdjustSheetClosingAfterTheViewIsGoneChangesNothing) {
    QWidget window;
    window.show();
    auto* view2 = new NSDayAdjustment;
    view2->resize(800, 400);
    (void)view2->grab();
    view2->setWnd(&window);
    // The view's own channel has no points; give it one to click on.
    view2->daGraph().selectedChannel()->addPoint(CurvePoint{0.5, 0.5});
    const ViewPoint q = view2->daGraph().curveToView(CurvePoint{0.5, 0.5});
    test::click(*view2, QPointF(q.x, q.y), Qt::RightButton);
    ASSERT_NE(view2->adjustSheet(), nullptr);
    QPointer<QDialog> dialog = view2->adjustSheet()->sheet();
    delete view2;  // takes its sheet with it, without running the completion
    EXPECT_TRUE(dialog.isNull());
    EXPECT_TRUE(log.matching("pn out").empty());
}

TEST(DayViewStatusText, BoxStaysInsideTheViewAndOffThePoint) {
    const QRectF bounds(0, 0, 800, 400);
    const QSizeF size(90, 24);
    const QPointF points[] = {{400, 200}, {2, 2}, {798, 2}, {2, 398}, {798, 398}, {795, 200}};
    for (const QPointF& p : points) {
        const QRectF box = NSDayAdjustment::statusTextRect(p, 5, size, bounds);
        EXPECT_TRUE(bounds.contains(box)) << p.x() << "," << p.y();
        EXPECT_EQ(box.size(), size);
        EXPECT_FALSE(box.adjusted(-5, -5, 5, 5).contains(p)) << "covers the point " << p.x();
    }
}

TEST_F(DayViewTest, ScreenReadersHearTheCurveAndTheHeldPoint) {
    channel().setName("Royal Blue");
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Chart);
    EXPECT_EQ(a->text(QAccessible::Name), "Day programme chart");
    EXPECT_TRUE(a->text(QAccessible::Description).contains("Double-click"));
    EXPECT_EQ(a->text(QAccessible::Value), "Royal Blue, 3 points");
    QTest::keyClick(&view, Qt::Key_Tab);
    ASSERT_EQ(view.keyPoint(), 0);
    EXPECT_TRUE(a->text(QAccessible::Value).startsWith("Royal Blue, point 1 of 3: "))
        << a->text(QAccessible::Value).toStdString();
    view.setMoonMode(true);
    EXPECT_TRUE(a->state().readOnly);
}

}  // namespace
}  // namespace aq
