// The day chart's history and its keyboard editing: every kind of edit is
// one step that undo and redo take back and make again exactly.
#include "DayPageFixture.h"

#include "pages/AQAdjustController.h"
#include "widgets/AQSlider.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <functional>
#include <map>

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
    writeFile(file, "0100,0200;0900,0300?0500,0500");
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
        // t Tab, b Shift+Tab, r Right, d Down, L Shift+Left, U Shift+Up, x Delete, i Insert
        const char* keys;
        int held;  // the point held afterwards, -1 for none
        int steps;
        std::vector<CurvePoint> expected;
    };
    const auto m = [](int minutes) { return minutes / 1439.0; };
    // The three points start() gives curve 0.
    const CurvePoint p0{0.25, 0.5}, p1{0.5, 0.2}, p2{0.75, 0.8};
    const Case cases[] = {
        {"tab walks forward", "tt", 1, 0, {p0, p1, p2}},
        {"shift-tab walks back", "ttb", 0, 0, {p0, p1, p2}},
        {"past the last point lets go", "tttt", -1, 0, {p0, p1, p2}},
        {"a minute and a percent", "trd", 0, 2, {{m(361), 0.49}, p1, p2}},
        {"15 minutes and 10 percent", "tLU", 0, 2, {{m(345), 0.6}, p1, p2}},
        {"delete holds the next point", "ttx", 1, 1, {p0, p2}},
        {"insert halves the segment after", "ti", 1, 1, {p0, {0.375, 0.35}, p1, p2}},
        {"insert after the last runs into the next day", "bi", 3, 1, {p0, p1, p2, {1.0, 0.65}}},
    };
    const std::map<char, std::pair<int, Qt::KeyboardModifiers>> keys = {
        {'t', {Qt::Key_Tab, Qt::NoModifier}},     {'b', {Qt::Key_Backtab, Qt::ShiftModifier}},
        {'r', {Qt::Key_Right, Qt::NoModifier}},   {'d', {Qt::Key_Down, Qt::NoModifier}},
        {'L', {Qt::Key_Left, Qt::ShiftModifier}}, {'U', {Qt::Key_Up, Qt::ShiftModifier}},
        {'x', {Qt::Key_Delete, Qt::NoModifier}},  {'i', {Qt::Key_Insert, Qt::NoModifier}},
    };
    for (const Case& c : cases) {
        start();
        view().setFocus();
        const int steps = page->history()->index();
        for (const char* k = c.keys; *k; ++k) key(keys.at(*k).first, keys.at(*k).second);
        EXPECT_TRUE(test::sameCurve(curve(0), c.expected)) << c.name;
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
