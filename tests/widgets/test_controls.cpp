#include "widgets/AQButton.h"
#include "widgets/AQColorView.h"
#include "widgets/AQSlider.h"
#include "widgets/AQTableRowView.h"
#include "widgets/AQTableView.h"
#include "widgets/Theme.h"

#include "WidgetTestSupport.h"

#include <QListWidget>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace aq {
namespace {

using test::anyNear;
using test::click;
using test::mouse;
using test::near;
using test::renderOnMagenta;

// Every colour distinct, so that each case names the one it expects.
void distinctColours(AQButton& b) {
    b.setBorderColor(QColor(1, 1, 1));
    b.setTextColor(QColor(2, 2, 2));
    b.setBackgroundColor(QColor(3, 3, 3));
    b.setTextColorPressed(QColor(4, 4, 4));
    b.setBackgroundColorPressed(QColor(5, 5, 5));
}

TEST(AQButton, TitleColourFollowsPressOnAndEnabled) {
    struct Case {
        const char* what;
        bool toggle, highlighted, on, enabled;
        QColor expected;
    };
    const Case cases[] = {
        {"toggle held while on", true, true, true, true, QColor(4, 4, 4)},
        {"toggle released and on", true, false, true, true, QColor(5, 5, 5)},
        {"toggle released and off", true, false, false, true, QColor(2, 2, 2)},
        {"plain button that is on", false, false, true, true, QColor(2, 2, 2)},
        {"disabled plain button", false, false, false, false, QColor(1, 1, 1)},
        {"disabled toggle that is on", true, false, true, false, QColor(5, 5, 5)},
    };
    for (const Case& c : cases) {
        AQButton b;
        distinctColours(b);
        b.setToggleButton(c.toggle);
        EXPECT_EQ(b.titleColor(c.highlighted, c.on, c.enabled), c.expected) << c.what;
    }
}

TEST(AQButton, PaintsPressedInAccentAndDisabledInTheBorderColour) {
    AQButton b(QStringLiteral("MMMM"));
    b.resize(120, 30);
    const QImage released = renderOnMagenta(b);
    b.setDown(true);
    const QImage pressed = renderOnMagenta(b);
    EXPECT_TRUE(near(released.pixelColor(15, 15), Qt::black));
    EXPECT_TRUE(near(pressed.pixelColor(15, 15), theme::accent()));
    // The corner pixel lies outside the rounded outline; the gray border runs along the edge.
    EXPECT_TRUE(near(pressed.pixelColor(0, 0), Qt::magenta));
    EXPECT_TRUE(near(released.pixelColor(0, 15), theme::gray(), 40));

    b.setDown(false);
    b.setBorderColor(QColor(0, 255, 0));
    b.setEnabled(false);
    const QImage disabled = renderOnMagenta(b);
    const QRect title(30, 5, 60, 20);
    EXPECT_TRUE(anyNear(disabled, title, QColor(0, 255, 0), 60));
    EXPECT_FALSE(anyNear(disabled, title, Qt::white, 60));
}

TEST(AQButton, CheckboxDrawsItsBoxAndTickButNeverTheTitle) {
    struct Case {
        const char* what;
        bool on;
        bool tickExpected;
    };
    for (const Case& c : {Case{"off", false, false}, Case{"on", true, true}}) {
        AQButton b(QStringLiteral("MMMMMMMM"));
        b.setCheckboxButton(true);
        b.resize(160, 24);
        b.setChecked(c.on);
        const QImage image = renderOnMagenta(b);
        // Right of the box nothing is painted at all.
        EXPECT_FALSE(anyNear(image, QRect(26, 0, 134, 24), Qt::white, 200)) << c.what;
        EXPECT_TRUE(anyNear(image, QRect(0, 0, 24, 24), theme::gray(), 40)) << c.what;
        EXPECT_EQ(anyNear(image, QRect(4, 4, 16, 16), Qt::white, 60), c.tickExpected) << c.what;
    }
}

TEST(AQSlider, MouseFollowsThePaintedKnob) {
    AQSlider s;
    s.resize(200, 20);
    s.setValue(0);
    int pressed = 0, released = 0;
    QObject::connect(&s, &QAbstractSlider::sliderPressed, [&] { ++pressed; });
    QObject::connect(&s, &QAbstractSlider::sliderReleased, [&] { ++released; });

    // A press on the track puts the knob's centre under the pointer:
    // centre x = 8 + 184 × 75 %.
    mouse(s, QEvent::MouseButtonPress, QPointF(8 + 138, 10));
    EXPECT_EQ(s.value(), 75);
    mouse(s, QEvent::MouseButtonRelease, QPointF(8 + 138, 10));
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(s.value(), 75);

    // Taking the knob 3 px right of its centre and moving 46 px adds 25 %:
    // the knob does not jump by the 3 px.
    s.setValue(50);
    mouse(s, QEvent::MouseButtonPress, QPointF(100 + 3, 10));
    EXPECT_EQ(s.value(), 50);
    mouse(s, QEvent::MouseMove, QPointF(100 + 3 + 46, 10));
    EXPECT_EQ(s.value(), 75);
    mouse(s, QEvent::MouseMove, QPointF(500, 10));
    EXPECT_EQ(s.value(), 100);
    mouse(s, QEvent::MouseButtonRelease, QPointF(500, 10));
    EXPECT_FALSE(s.isSliderDown());
}

TEST(AQSlider, PaintsTrackBarAndKnobAtItsPercent) {
    AQSlider s;
    s.resize(200, 20);
    s.setValue(50);
    s.setFullLineColor(QColor(0, 255, 0));
    s.setValueLineColor(QColor(255, 0, 0));
    s.setKnobColor(QColor(0, 0, 255));
    const QImage image = renderOnMagenta(s);
    // The value bar up to the knob at half way, the track after it.
    EXPECT_TRUE(near(image.pixelColor(40, 10), QColor(255, 0, 0))) << "value bar";
    EXPECT_TRUE(near(image.pixelColor(160, 10), QColor(0, 255, 0))) << "track";
    EXPECT_TRUE(near(image.pixelColor(100, 10), QColor(0, 0, 255))) << "knob centre";
    // An empty range is at nought (the percent of a range is the accessibility tests').
    s.setRange(5, 5);
    EXPECT_DOUBLE_EQ(s.percent(), 0.0);
}

TEST(AQColorView, FillsWithItsColourOrNotAtAll) {
    AQColorView v;
    v.resize(10, 10);
    EXPECT_TRUE(near(renderOnMagenta(v).pixelColor(5, 5), Qt::magenta));
    v.setFillColor(QColor(10, 200, 30));
    const QImage image = renderOnMagenta(v);
    EXPECT_TRUE(near(image.pixelColor(9, 9), QColor(10, 200, 30), 0));
}

TEST(AQTableRowView, SelectedRowsGetARoundedAccentBar) {
    struct Case {
        const char* what;
        bool selected;
        QAbstractItemView::SelectionMode mode;
        bool accent;
    };
    const Case cases[] = {
        {"selected", true, QAbstractItemView::SingleSelection, true},
        {"not selected", false, QAbstractItemView::SingleSelection, false},
        {"selection switched off", true, QAbstractItemView::NoSelection, false},
    };
    for (const Case& c : cases) {
        QListWidget list;
        list.addItem(QStringLiteral("row"));
        list.setSelectionMode(c.mode);
        AQTableRowView delegate;
        QStyleOptionViewItem option;
        option.initFrom(&list);
        option.widget = &list;
        option.rect = QRect(0, 0, 120, 20);
        option.state = QStyle::State_Enabled;
        if (c.selected) option.state |= QStyle::State_Selected;
        QImage image(120, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::magenta);
        {
            QPainter painter(&image);
            delegate.paint(&painter, option, list.model()->index(0, 0));
        }
        EXPECT_EQ(near(image.pixelColor(110, 10), theme::accent()), c.accent) << c.what;
        // Radius 6: the bar leaves the corner unpainted.
        if (c.accent) {
            EXPECT_TRUE(near(image.pixelColor(0, 0), Qt::magenta)) << c.what;
        }
    }
}

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
        {32, 3, -1}, {32.5, 3, 0}, {56, 3, 1}, {103.9, 3, 2}, {104, 3, -1}, {60, 1, -1},
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
