#include "widgets/AQTableView.h"
#include "widgets/Theme.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace aq {
namespace {

using test::anyNear;
using test::click;
using test::near;
using test::renderOnMagenta;

QList<QStringList> rowsOf(int n) {
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i)
        rows.append({QString::number(i), QStringLiteral("x"), QStringLiteral("y")});
    return rows;
}

// A 300 × 200 table of three columns and n rows.
std::unique_ptr<AQTableView> tableOf(int n) {
    auto table = std::make_unique<AQTableView>();
    table->resize(300, 200);
    table->setColumns({"A", "B", "C"});
    table->setRows(rowsOf(n));
    return table;
}

TEST(AQTableView, ClickSelectsTheRowUnderThePointer) {
    struct Case {
        double y;
        int rows;
        qint64 expected;
    };
    // Header 32, cells 24: rows span 32 … 32 + 24 n, both ends excluded.
    const Case cases[] = {
        {60, 3, 1},    {20, 3, -1},  {32, 3, -1},  {32.5, 3, 0}, {56, 3, 1},
        {103.9, 3, 2}, {104, 3, -1}, {150, 3, -1}, {60, 0, -1},  {60, 1, -1},
    };
    for (const Case& c : cases) {
        auto table = tableOf(c.rows);
        table->setSelectedRow(7);
        click(*table, QPointF(150, c.y));
        EXPECT_EQ(table->selectedRow(), c.expected) << "y " << c.y << " with " << c.rows << " rows";
    }
}

TEST(AQTableView, PaintsGridLinesWhereTheyBelong) {
    auto table = tableOf(3);
    table->setSelectedRow(-1);
    table->setGridColor(QColor(0, 0, 255));
    QImage image = renderOnMagenta(*table);
    const QColor blue(0, 0, 255);
    EXPECT_TRUE(near(image.pixelColor(100, 150), blue)) << "column line below the rows";
    EXPECT_TRUE(near(image.pixelColor(200, 150), blue));
    EXPECT_TRUE(near(image.pixelColor(150, 104), blue)) << "line under the last row";
    EXPECT_TRUE(near(image.pixelColor(150, 128), Qt::white)) << "no line under a missing row";

    table->setGridDrawColumns(false);
    table->setGridDrawRows(false);
    image = renderOnMagenta(*table);
    EXPECT_TRUE(near(image.pixelColor(100, 150), Qt::white));
    EXPECT_TRUE(near(image.pixelColor(150, 104), Qt::white));
}

TEST(AQTableView, HighlightsTheSelectedRowOnlyWhenItExists) {
    struct Case {
        const char* what;
        int rows;
        qint64 selected;
        int highlightedY;  // -1: no highlight anywhere
    };
    const Case cases[] = {
        {"a new table highlights the second row", 2, 1, 32 + 24 + 12},
        {"first row", 3, 0, 32 + 12},
        {"selection past the rows", 3, 3, -1},
        {"the new table's row 1 with one row", 1, 1, -1},
        {"no selection", 3, -1, -1},
    };
    for (const Case& c : cases) {
        auto table = tableOf(c.rows);
        if (c.selected != 1) table->setSelectedRow(c.selected);
        const QImage image = renderOnMagenta(*table);
        if (c.highlightedY < 0) {
            EXPECT_FALSE(anyNear(image, image.rect(), Qt::red, 20)) << c.what;
        } else {
            EXPECT_TRUE(near(image.pixelColor(290, c.highlightedY), Qt::red)) << c.what;
        }
    }
}

TEST(AQTableView, BackgroundCornersRoundOnlyWithABorder) {
    AQTableView table;
    table.resize(300, 200);
    table.setBorderSize(0.0);  // leave the corners to the backgrounds
    table.setBorderCornerRadius(10);
    QImage image = renderOnMagenta(table);
    EXPECT_TRUE(near(image.pixelColor(0, 0), Qt::magenta));
    EXPECT_TRUE(near(image.pixelColor(299, 199), Qt::magenta));
    EXPECT_TRUE(near(image.pixelColor(10, 10), theme::darkGray()));

    table.setDrawBorder(false);
    image = renderOnMagenta(table);
    EXPECT_TRUE(near(image.pixelColor(0, 0), theme::darkGray()));
    EXPECT_TRUE(near(image.pixelColor(299, 199), Qt::white));
}

TEST(AQTableView, LongTextsStayInTheirColumnAndOddRowsDrawSafely) {
    auto table = tableOf(0);
    table->setColumns({"A", "B"});
    table->setGridDrawColumns(false);
    table->setSelectedRow(-1);
    table->setRows({{QString(80, QLatin1Char('W')), QString()}});
    const QImage image = renderOnMagenta(*table);
    EXPECT_TRUE(anyNear(image, QRect(10, 34, 130, 20), Qt::black, 60)) << "text drawn";
    EXPECT_FALSE(anyNear(image, QRect(150, 34, 145, 20), Qt::black, 60))
        << "nothing past the column";

    // Rows shorter or longer than the columns, and no columns at all.
    table->setColumns({});
    table->setRows({{"only one"}, {}});
    EXPECT_EQ(table->columnCount(), 1);
    renderOnMagenta(*table);
    table->setColumns({"A", "B", "C"});
    renderOnMagenta(*table);
    // More rows than an 8-bit counter holds: all of them are drawn and can be chosen.
    table->setRows(rowsOf(300));
    renderOnMagenta(*table);
    EXPECT_EQ(AQTableView::rowAt(32 + 299 * 24 + 1, 32, 24, 300), 299);
}

TEST(AQTableView, ArrowKeysMoveTheSelection) {
    auto table = tableOf(3);
    table->setSelectedRow(-1);
    const std::pair<int, qint64> steps[] = {{Qt::Key_Down, 0}, {Qt::Key_Up, 0},
                                            {Qt::Key_Down, 1}, {Qt::Key_End, 2},
                                            {Qt::Key_Down, 2}, {Qt::Key_Home, 0}};
    for (const auto& [key, expected] : steps) {
        test::key(*table, key);
        EXPECT_EQ(table->selectedRow(), expected) << "key " << key;
    }
}

}  // namespace
}  // namespace aq
