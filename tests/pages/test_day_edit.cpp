// The day chart's history and its keyboard editing: every kind of edit is
// one step that undo and redo take back and make again exactly.
#include "DayPageFixture.h"

#include "pages/AQAdjustController.h"
#include "widgets/AQSlider.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <functional>

#include <gtest/gtest.h>

namespace aq {
namespace {

using test::DayPageFixture;

class DayEditTest : public DayPageFixture {
protected:
    NSDayAdjustment& view() { return *page->dayAdjustment(); }
    QPointF at(const CurvePoint& p) {
        const ViewPoint v = graph().curveToView(p);
        return QPointF(v.x, v.y);
    }
    std::string chart() { return graph().channelsAsString(); }
    void key(int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&view(), Qt::Key(k), m);
    }

    // Enters on the master with curve 0 at three known points and the view laid out.
    void start() {
        enter(1);
        setCurve(0, {{0.25, 0.5}, {0.5, 0.2}, {0.75, 0.8}});
        graph().setChannel(0);
        (void)view().grab();
    }
};

TEST_F(DayEditTest, EveryEditKindIsOneStepUndoneAndRedoneExactly) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.aqp"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("0100,0200;0900,0300?0500,0500");
    }
    lamp->updateModel([](SimLampModel& m) {
        m.devices[0].programme.resize(6);
        m.devices[0].programme[0] = {{60, 10}, {600, 200}};
        m.presettings.resize(2);
        m.presettings[1].programme.resize(6);
        m.presettings[1].programme[2] = {{300, 30}};
    });
    struct Case {
        const char* undoText;
        std::function<void()> edit;
    };
    const Case cases[] = {
        {"Undo move point",
         [&] {
             test::press(view(), at({0.5, 0.2}));
             test::dragTo(view(), at({0.55, 0.3}));
             test::release(view(), at({0.55, 0.3}));
         }},
        {"Undo move curve",
         [&] {
             test::press(view(), at({0.1, 0.9}));
             test::dragTo(view(), at({0.1, 0.9}));
             test::dragTo(view(), at({0.2, 0.8}));
             test::release(view(), at({0.2, 0.8}));
         }},
        {"Undo add point",
         [&] {
             test::doubleClick(view(), at({0.6, 0.9}), test::DoubleClickForm::PressThenDoubleClick);
         }},
        {"Undo remove point",
         [&] {
             test::doubleClick(view(), at({0.75, 0.8}),
                               test::DoubleClickForm::PressThenDoubleClick);
         }},
        {"Undo adjust point",
         [&] {
             test::press(view(), at({0.25, 0.5}), Qt::RightButton);
             AQAdjustController* sheet = view().adjustSheet();
             ASSERT_NE(sheet, nullptr);
             sheet->slIntense()->setValue(90);
             sheet->okPressed();
         }},
        {"Undo move point",
         [&] {
             view().setFocus();
             key(Qt::Key_Tab);
             key(Qt::Key_Up, Qt::ShiftModifier);
         }},
        {"Undo load preset file", [&] { ASSERT_TRUE(page->loadFromFile(file)); }},
        {"Undo download",
         [&] {
             page->btnDownloadPressed();
             finish();
         }},
        {"Undo load presetting",
         [&] {
             page->downloadPreset(1);
             finish();
         }},
    };
    for (const Case& c : cases) {
        start();
        QUndoStack& history = *page->history();
        const int steps = history.index();
        const std::string before = chart();
        c.edit();
        const std::string after = chart();
        ASSERT_NE(after, before) << c.undoText;
        EXPECT_EQ(history.index(), steps + 1) << c.undoText;
        EXPECT_EQ(page->undoAction()->text().toStdString(), c.undoText);
        page->undoAction()->trigger();
        EXPECT_EQ(chart(), before) << c.undoText;
        page->redoAction()->trigger();
        EXPECT_EQ(chart(), after) << c.undoText;
        page->undoAction()->trigger();
    }
}

TEST_F(DayEditTest, TheHistoryIsKeptAcrossVisitsAndStartsAnewForAnotherLamp) {
    start();
    view().setFocus();
    key(Qt::Key_Tab);
    key(Qt::Key_Right);
    page->onLeave();
    EXPECT_FALSE(page->undoAction()->isEnabled()) << "only while the chart is shown";
    enter(1);
    EXPECT_TRUE(page->undoAction()->isEnabled());
    store().setConnectedUUID(std::string("00000000-0000-0000-0000-0000000000D2"));
    page->onLeave();
    enter(1);
    EXPECT_FALSE(page->undoAction()->isEnabled());
    EXPECT_EQ(page->history()->count(), 0);
}

TEST_F(DayEditTest, TheKeyboardSelectsMovesRemovesAndAddsPoints) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
        std::vector<CurvePoint> expected;
        int held;  // the point held afterwards, -1 for none
        int steps;
    };
    const auto m = [](int minutes) { return minutes / 1439.0; };
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier;
    const Case cases[] = {
        {"tab walks forward",
         {{Qt::Key_Tab, none}, {Qt::Key_Tab, none}},
         {{0.25, 0.5}, {0.5, 0.2}, {0.75, 0.8}},
         1,
         0},
        {"shift-tab walks back",
         {{Qt::Key_Tab, none}, {Qt::Key_Tab, none}, {Qt::Key_Backtab, shift}},
         {{0.25, 0.5}, {0.5, 0.2}, {0.75, 0.8}},
         0,
         0},
        {"past the last point lets go",
         {{Qt::Key_Tab, none}, {Qt::Key_Tab, none}, {Qt::Key_Tab, none}, {Qt::Key_Tab, none}},
         {{0.25, 0.5}, {0.5, 0.2}, {0.75, 0.8}},
         -1,
         0},
        {"a minute and a percent",
         {{Qt::Key_Tab, none}, {Qt::Key_Right, none}, {Qt::Key_Down, none}},
         {{m(361), 0.49}, {0.5, 0.2}, {0.75, 0.8}},
         0,
         2},
        {"shift steps 15 minutes and 10 percent",
         {{Qt::Key_Tab, none}, {Qt::Key_Left, shift}, {Qt::Key_Up, shift}},
         {{m(345), 0.6}, {0.5, 0.2}, {0.75, 0.8}},
         0,
         2},
        {"delete holds the next point",
         {{Qt::Key_Tab, none}, {Qt::Key_Tab, none}, {Qt::Key_Delete, none}},
         {{0.25, 0.5}, {0.75, 0.8}},
         1,
         1},
        {"insert halves the segment after",
         {{Qt::Key_Tab, none}, {Qt::Key_Insert, none}},
         {{0.25, 0.5}, {0.375, 0.35}, {0.5, 0.2}, {0.75, 0.8}},
         1,
         1},
        {"insert after the last runs into the next day",
         {{Qt::Key_Backtab, shift}, {Qt::Key_Insert, none}},
         {{0.25, 0.5}, {0.5, 0.2}, {0.75, 0.8}, {1.0, 0.65}},
         3,
         1},
    };
    for (const Case& c : cases) {
        start();
        view().setFocus();
        const int steps = page->history()->index();
        for (const auto& [k, mods] : c.keys) key(k, mods);
        const auto points = curve(0);
        ASSERT_EQ(points.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_NEAR(points[i].x, c.expected[i].x, 1e-9) << c.name << " point " << i;
            EXPECT_NEAR(points[i].y, c.expected[i].y, 1e-9) << c.name << " point " << i;
        }
        EXPECT_EQ(view().keyPoint(), c.held) << c.name;
        EXPECT_EQ(page->history()->index(), steps + c.steps) << c.name;
        key(Qt::Key_Escape);
        page->onLeave();
    }
}

TEST_F(DayEditTest, TheHeldPointShowsItsStatusAndNumberKeysPickTheChannel) {
    start();
    view().setFocus();
    EXPECT_EQ(view().statusText(), QString());
    key(Qt::Key_Tab);
    // 0.25 of the day is minute 359 at the lamp, 05:59.
    EXPECT_EQ(view().statusText(), QStringLiteral("50%@05:59"));
    key(Qt::Key_Down);
    EXPECT_EQ(view().statusText(), QStringLiteral("49%@06:00"));
    key(Qt::Key_3);
    EXPECT_EQ(graph().selectedChannelIndex(), 2);
    EXPECT_EQ(view().keyPoint(), -1) << "another curve holds no point";
    key(Qt::Key_9);  // no ninth channel
    EXPECT_EQ(graph().selectedChannelIndex(), 2);
}

}  // namespace
}  // namespace aq
