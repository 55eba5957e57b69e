// The three sheets: single choice, multiple choice and the set-point adjust
// sheet, opened window-modal on a window and driven as a user would.
#include "pages/AQAdjustController.h"
#include "pages/AQTableSheetController.h"
#include "pages/AQTableSheetMCController.h"

#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"

#include "DayTestSupport.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QStringListModel>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <optional>

namespace aq {
namespace {

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(600, 400);
        window.show();
    }

    // The sheet's closing button, clicked with the mouse.
    static void pressOk(QDialog* sheet) {
        ASSERT_NE(sheet, nullptr);
        auto* ok = sheet->findChild<AQButton*>();
        ASSERT_NE(ok, nullptr);
        test::click(*ok, QPointF(ok->width() / 2.0, ok->height() / 2.0));
    }

    static void key(QWidget& w, int k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    }

    QWidget window;
};

QStringList entries(int n) {
    QStringList out;
    for (int i = 0; i < n; ++i) out << QStringLiteral("Entry %1").arg(i);
    return out;
}

QPointF rowCentre(QAbstractItemView& view, int row) {
    return QRectF(view.visualRect(view.model()->index(row, 0))).center();
}

TEST_F(SheetTest, SingleChoiceOpensWithTheGivenRowAndHandsBackTheChoice) {
    struct Case {
        int count;
        std::optional<qint64> index;  // none: opened without an index
        qint64 expected;
    };
    const Case cases[] = {
        {5, std::nullopt, 0}, {5, 4, 4}, {5, 5, -1}, {5, -1, -1}, {0, std::nullopt, 0}, {0, 0, 0},
    };
    AQTableSheetController sheet;
    std::vector<qint64> results;
    sheet.setOnDone([&](qint64 row) { results.push_back(row); });
    for (const Case& c : cases) {
        results.clear();
        sheet.setData(entries(c.count));
        if (c.index) {
            sheet.openSheet(&window, *c.index);
        } else {
            sheet.openSheet(&window);
        }
        ASSERT_NE(sheet.sheet(), nullptr);
        EXPECT_EQ(sheet.sheet()->parentWidget(), &window);
        EXPECT_EQ(sheet.sheet()->windowModality(), Qt::WindowModal);
        EXPECT_EQ(sheet.selectedIndex(), c.expected)
            << c.count << " rows, index " << c.index.value_or(99);
        const QModelIndexList marked = sheet.tableView()->selectionModel()->selectedRows();
        if (c.expected >= 0 && c.expected < c.count) {
            ASSERT_EQ(marked.size(), 1);
            EXPECT_EQ(marked.first().row(), c.expected);
        } else {
            EXPECT_TRUE(marked.isEmpty());
        }
        pressOk(sheet.sheet());
        EXPECT_EQ(results, std::vector<qint64>{c.expected});
        EXPECT_EQ(sheet.sheet(), nullptr) << "the sheet is dropped when it ends";
    }
}

TEST_F(SheetTest, SingleChoiceFollowsTheUsersClicks) {
    AQTableSheetController sheet;
    sheet.setData(entries(4));
    std::vector<qint64> results;
    sheet.setOnDone([&](qint64 row) { results.push_back(row); });

    // A click chooses a row; a control-click on the chosen row clears the choice.
    sheet.openSheet(&window, 1);
    QWidget* viewport = sheet.tableView()->viewport();
    test::click(*viewport, rowCentre(*sheet.tableView(), 2));
    EXPECT_EQ(sheet.selectedIndex(), 2);
    test::click(*viewport, rowCentre(*sheet.tableView(), 2), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(sheet.selectedIndex(), -1);
    pressOk(sheet.sheet());

    // The arrow keys move the choice; Return takes it.
    sheet.openSheet(&window, 1);
    key(*sheet.tableView(), Qt::Key_Down);
    EXPECT_EQ(sheet.selectedIndex(), 2);
    key(*sheet.tableView(), Qt::Key_Return);
    EXPECT_EQ(sheet.sheet(), nullptr);

    // A double click on a row chooses it and ends the sheet.
    sheet.openSheet(&window);
    test::doubleClick(*sheet.tableView()->viewport(), rowCentre(*sheet.tableView(), 3),
                      test::DoubleClickForm::PressThenDoubleClick);
    EXPECT_EQ(sheet.sheet(), nullptr);

    EXPECT_EQ(results, (std::vector<qint64>{-1, 2, 3}));
}

TEST_F(SheetTest, EscapeCancelsEverySheetAndLeavesTheOwnersValues) {
    // Each sheet is opened, changed and then left with Escape.
    AQTableSheetController single;
    single.setData(entries(4));
    int singleCalls = 0;
    single.setOnDone([&](qint64) { ++singleCalls; });
    single.openSheet(&window, 1);
    key(*single.tableView(), Qt::Key_Down);
    key(*single.sheet(), Qt::Key_Escape);
    EXPECT_EQ(single.sheet(), nullptr);
    EXPECT_EQ(singleCalls, 0);

    AQTableSheetMCController multi;
    multi.addData(QStringLiteral("a"), true);
    multi.addData(QStringLiteral("b"), false);
    int multiCalls = 0;
    multi.setOnDone([&](const QList<bool>&) { ++multiCalls; });
    multi.openSheet(&window);
    key(*multi.tableView(), Qt::Key_Space);
    key(*multi.sheet(), Qt::Key_Escape);
    EXPECT_EQ(multiCalls, 0);
    EXPECT_EQ(multi.status(), (QList<bool>{true, false})) << "the ticks as they were";

    AQAdjustController adjust;
    int adjustCalls = 0;
    adjust.setOnDone([&](float, float) { ++adjustCalls; });
    adjust.openSheet(&window, 0.5f, 0.5f);
    adjust.slIntense()->setValue(90);
    key(*adjust.sheet(), Qt::Key_Escape);
    EXPECT_EQ(adjustCalls, 0);
}

TEST_F(SheetTest, ACompletionMayOpenTheSheetAgain) {
    AQTableSheetController sheet;
    sheet.setData(entries(3));
    int calls = 0;
    sheet.setOnDone([&](qint64) {
        if (++calls == 1) sheet.openSheet(&window, 2);
    });
    sheet.openSheet(&window);
    sheet.closeSheet();
    ASSERT_NE(sheet.sheet(), nullptr);
    EXPECT_TRUE(sheet.sheet()->isVisible());
    EXPECT_EQ(sheet.selectedIndex(), 2);
    sheet.closeSheet();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(sheet.sheet(), nullptr);
}

TEST_F(SheetTest, MultipleChoiceClicksToggleMarksAndNeverSelect) {
    struct Case {
        const char* name;
        std::vector<int> clickedRows;
        QList<bool> expected;
    };
    const Case cases[] = {
        {"untouched", {}, {true, false, true}},
        {"one click", {1}, {true, true, true}},
        {"same row twice", {0, 0}, {true, false, true}},
    };
    for (const Case& c : cases) {
        AQTableSheetMCController sheet;
        sheet.addData(QStringLiteral("Master #1"), true);
        sheet.addData(QStringLiteral("Slave #2"), false);
        sheet.addData(QStringLiteral("Slave #3"), true);
        std::vector<QList<bool>> results;
        sheet.setOnDone([&](const QList<bool>& status) { results.push_back(status); });
        sheet.openSheet(&window);
        EXPECT_EQ(sheet.selectedIndex(), -1);
        QListWidget* list = sheet.tableView();
        ASSERT_NE(list, nullptr);
        for (int row : c.clickedRows) test::click(*list->viewport(), rowCentre(*list, row));
        for (int row = 0; row < 3; ++row) {
            auto* cell = qobject_cast<AQTableCellMCViewSheet*>(list->itemWidget(list->item(row)));
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->check()->text(), c.expected[row] ? QStringLiteral("\u2713") : QString())
                << c.name << " row " << row;
        }
        EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty()) << c.name;
        pressOk(sheet.sheet());
        ASSERT_EQ(results.size(), 1u) << c.name;
        EXPECT_EQ(results[0], c.expected) << c.name;
        EXPECT_EQ(sheet.status(), c.expected) << c.name;
    }
}

TEST_F(SheetTest, MultipleChoiceKeepsItsMarksBetweenShowingsAndTogglesWithSpace) {
    AQTableSheetMCController sheet;
    sheet.addData(QStringLiteral("a"), false);
    sheet.addData(QStringLiteral("b"), false);
    sheet.openSheet(&window);
    key(*sheet.tableView(), Qt::Key_Space);  // the first row is current
    sheet.closeSheet();
    sheet.openSheet(&window);
    auto* cell = qobject_cast<AQTableCellMCViewSheet*>(
        sheet.tableView()->itemWidget(sheet.tableView()->item(0)));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->check()->text(), QStringLiteral("\u2713"));
    sheet.closeSheet();
    EXPECT_EQ(sheet.status(), (QList<bool>{true, false}));
}

TEST_F(SheetTest, AdjustSheetShowsTruncatedTimeAndPercent) {
    struct Case {
        float w, h;
        QTime shown;
        int percent;
    };
    const Case cases[] = {
        {0.5f, 0.333f, QTime(12, 0), 33}, {0.999f, 1.0f, QTime(23, 58), 100},
        {0.0f, 0.0f, QTime(0, 0), 0},     {1.2f, 1.5f, QTime(23, 59), 100},
        {-0.1f, -0.2f, QTime(0, 0), 0},
    };
    for (const Case& c : cases) {
        AQAdjustController sheet;
        std::vector<std::pair<float, float>> results;
        sheet.setOnDone([&](float w, float h) { results.emplace_back(w, h); });
        sheet.openSheet(&window, c.w, c.h);
        ASSERT_NE(sheet.sheet(), nullptr);
        EXPECT_EQ(sheet.dpTime()->time(), c.shown) << c.w;
        EXPECT_EQ(sheet.slIntense()->value(), c.percent) << c.h;
        EXPECT_EQ(sheet.lbIntense()->text(), QStringLiteral("%1%").arg(c.percent));
        pressOk(sheet.sheet());
        // Untouched controls hand the values back exactly, not rounded.
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].first, c.w);
        EXPECT_EQ(results[0].second, c.h);
    }
}

TEST_F(SheetTest, AdjustSheetTakesWhatTheUserSets) {
    AQAdjustController sheet;
    std::vector<std::pair<float, float>> results;
    sheet.setOnDone([&](float w, float h) { results.emplace_back(w, h); });
    sheet.openSheet(&window, 0.5f, 0.333f);
    sheet.slIntense()->setValue(70);
    EXPECT_EQ(sheet.lbIntense()->text(), QStringLiteral("70%"));
    // Digits typed after a click into the hours replace the time.
    QTimeEdit& time = *sheet.dpTime();
    QLineEdit* field = time.findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    time.setFocus();
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(4, field->height() / 2));
    QTest::keyClicks(&time, QStringLiteral("0630"));
    EXPECT_EQ(time.time(), QTime(6, 30));
    key(time, Qt::Key_Return);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].first, 390.0f / 1440.0f);
    EXPECT_EQ(results[0].second, 70.0f / 100.0f);

    // The next showing starts from the values it is given, not the last ones.
    sheet.openSheet(&window, 0.75f, 0.1f);
    EXPECT_EQ(sheet.dpTime()->time(), QTime(18, 0));
    EXPECT_EQ(sheet.slIntense()->value(), 10);
    sheet.okPressed();
    EXPECT_EQ(results.back(), std::make_pair(0.75f, 0.1f));
}

}  // namespace
}  // namespace aq
