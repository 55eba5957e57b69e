// The day page: what entering it shows, the channel list, and preset files
// saved and loaded through the page.
#include "DayPageFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <cmath>

namespace aq {
namespace {

using test::chooseRow;
using test::DayPageFixture;

class DayPageTest : public DayPageFixture {
protected:
    QString pathOf(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    std::vector<std::vector<CurvePoint>> allCurves() {
        std::vector<std::vector<CurvePoint>> out;
        for (std::uint8_t ch = 0; ch < graph().channelCount(); ++ch) out.push_back(curve(ch));
        return out;
    }

    QTemporaryDir dir;
};

TEST_F(DayPageTest, FirstEntryShowsFlatLinesAStepApart) {
    enter(0);
    ASSERT_EQ(graph().channelCount(), 6);
    for (std::uint8_t ch = 0; ch < 6; ++ch) {
        const double level = static_cast<double>(0.1f + 0.05f * ch) + 0.02;
        // Off the grid's 10 % lines, where a line would hide behind the grid.
        EXPECT_GT(std::abs(level * 10 - std::round(level * 10)), 0.1) << int(ch);
        const auto points = curve(ch);
        ASSERT_EQ(points.size(), 2u) << int(ch);
        EXPECT_EQ(points[0].x, 0.0);
        EXPECT_EQ(points[1].x, 1.0);
        EXPECT_EQ(points[0].y, level) << int(ch);
        EXPECT_EQ(points[1].y, level) << int(ch);
        // The chart shows the store's own curves, named and coloured as the channels.
        const auto channel = store().channels()[ch];
        EXPECT_EQ(graph().channelAtIndex(ch), channel->presentChannel());
        EXPECT_EQ(graph().channelAtIndex(ch)->name(), channel->name());
        EXPECT_EQ(graph().channelAtIndex(ch)->Color(), channel->color());
    }
    // Entering reads nothing from the lamp.
    dispatch.runUntilIdle();
    EXPECT_TRUE(lamp->received().empty());
}

TEST_F(DayPageTest, EditedCurvesSurviveLeavingAndComingBack) {
    enter(0);
    setCurve(2, {{0.5, 0.9}});
    page->onLeave();
    enter(0);
    ASSERT_EQ(curve(2).size(), 1u);
    EXPECT_EQ(curve(2)[0].y, 0.9);
}

TEST_F(DayPageTest, TheChannelListSelectsTheCurveToEdit) {
    enter(0);
    EXPECT_EQ(page->tscChannel()->data(),
              (QStringList{"Royal Blue", "Red", "Moonlight", "Navy Blue", "White", "Purple"}));
    // Each row shows its channel's colour.
    page->btnChannelPressed();
    QAbstractItemModel* rows = page->tscChannel()->tableView()->model();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rows->data(rows->index(i, 0), Qt::DecorationRole).value<QColor>(),
                  QColor::fromRgbF(float(0.1 * i), 0.5f, 1.0f))
            << i;
    }
    page->tscChannel()->closeSheet();
    struct Case {
        int row;
        int selected;  // the curve being edited afterwards
    };
    const Case cases[] = {{4, 4}, {1, 1}, {-1, 1}, {5, 5}};
    for (const Case& c : cases) {
        const int before = graph().selectedChannelIndex();
        page->btnChannelPressed();
        AQTableSheetController* sheet = page->tscChannel();
        ASSERT_NE(sheet->sheet(), nullptr);
        EXPECT_EQ(sheet->selectedIndex(), before) << "opens on the curve being edited";
        chooseRow(*sheet, c.row);
        sheet->closeSheet();
        EXPECT_EQ(graph().selectedChannelIndex(), c.selected) << "row " << c.row;
    }
}

TEST_F(DayPageTest, SaveThenLoadRestoresEveryPoint) {
    enter(0);
    const std::vector<CurvePoint> original[] = {
        {{0.0, 0.0}, {0.123456, 0.987654}, {1.0, 1.0}},
        {{0.3333333, 0.6666666}},
        {},
        {{0.0005, 0.0009}, {0.9999, 0.5}},
    };
    for (std::uint8_t ch = 0; ch < 4; ++ch) setCurve(ch, original[ch]);
    const QString path = pathOf("reef.aqp");
    ASSERT_TRUE(page->saveToFile(path));
    EXPECT_EQ(readFile(path).left(30), QByteArray("0000,0000;0123,0987;1000,1000?"));

    for (std::uint8_t ch = 0; ch < 6; ++ch) setCurve(ch, {{0.5, 0.5}});
    ASSERT_TRUE(page->loadFromFile(path));
    EXPECT_TRUE(alerts.empty());
    // Loaded back, the chart saves to the same text; how the text truncates
    // to thousandths is the channel's own round-trip test.
    ASSERT_TRUE(page->saveToFile(pathOf("again.aqp")));
    EXPECT_EQ(readFile(pathOf("again.aqp")), readFile(path));
}

// Channels the file lacks, and a channel it holds that cannot be read, keep
// their curves; the user is told which one was skipped.
TEST_F(DayPageTest, ChannelsAFileLacksOrCannotGiveKeepTheirCurves) {
    enter(0);
    for (std::uint8_t ch = 0; ch < 6; ++ch) setCurve(ch, {{0.4, 0.6}});
    const QString path = pathOf("mixed.aqp");
    writeFile(path, "0000,0200;1000,0200?oops?0100,0300\r\n");
    ASSERT_TRUE(page->loadFromFile(path));
    EXPECT_EQ(curve(0), (std::vector<CurvePoint>{{0.0, 0.2}, {1.0, 0.2}}));
    EXPECT_EQ(curve(1)[0].y, 0.6) << "the unreadable channel is left alone";
    // The loaded curves are the store's own.
    EXPECT_EQ(store().channels()[2]->presentChannel()->Points()[0].y, 0.3);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].text.contains(QStringLiteral("Channel 2 ")))
        << alerts[0].text.toStdString();
}

TEST_F(DayPageTest, AnUnreadablePresetFileChangesNothingAndSaysSo) {
    struct Case {
        const char* name;  // in the test's folder, or a path from "/"
        QByteArray bytes;  // empty name: no file at all
        const char* says;
        bool pipe = false;  // a pipe without a writer under that name
    };
    // Which bytes are text and which are day curves is the preset text's
    // own test; these are the file's troubles and the alert for each kind.
    const Case cases[] = {
        {"missing.aqp", QByteArray(), "could not be read"},
        // Would block the page forever, or be read without end.
        {"pipe.aqp", QByteArray(), "no file but", true},
        {"/dev/zero", QByteArray(), "no file but"},
        {"too large.aqp", QByteArray(4 * 1024 * 1024 + 1, '0'), "too large"},
        {"latin1.aqp", QByteArray("0000,0100;1000,0100?caf\xe9"), "not a text file"},
        {"empty.aqp", QByteArray(""), "no day curves"},
    };
    enter(0);
    for (std::uint8_t ch = 0; ch < 6; ++ch) setCurve(ch, {{0.4, 0.6}, {0.6, 0.4}});
    const auto before = allCurves();
    for (const Case& c : cases) {
        alerts.clear();
        const QString path = c.name[0] == '/' ? QString::fromUtf8(c.name) : pathOf(c.name);
        if (!c.bytes.isEmpty() || QByteArray(c.name) == "empty.aqp") writeFile(path, c.bytes);
        if (c.pipe) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        EXPECT_FALSE(page->loadFromFile(path)) << c.name;
        ASSERT_EQ(alerts.size(), 1u) << c.name;
        EXPECT_EQ(alerts[0].title, QStringLiteral("The preset file could not be loaded"));
        EXPECT_TRUE(alerts[0].text.contains(QString::fromUtf8(c.says)))
            << c.name << ": " << alerts[0].text.toStdString();
        EXPECT_EQ(allCurves(), before) << c.name;
    }
}

TEST_F(DayPageTest, LoadedPointsAreClampedToTheChartInTheFilesOrder) {
    enter(0);
    for (std::uint8_t ch = 0; ch < 6; ++ch) setCurve(ch, {{0.4, 0.6}});
    const QString path = pathOf("off the chart.aqp");
    writeFile(path,
              "-5000,-100;0500,0500;99999999999999999999,2000;0250,+0750?"
              "\xEF\xBB\xBF"
              "0000,0100");
    ASSERT_TRUE(page->loadFromFile(path));
    EXPECT_EQ(curve(0),
              (std::vector<CurvePoint>{{0.0, 0.0}, {0.5, 0.5}, {1.0, 1.0}, {0.25, 0.75}}));
    EXPECT_EQ(curve(1), (std::vector<CurvePoint>{{0.4, 0.6}})) << "a mark inside is no text";
    // Saved back as it now stands, on the chart.
    ASSERT_TRUE(page->saveToFile(path));
    EXPECT_TRUE(readFile(path).startsWith("0000,0000;0500,0500;1000,1000;0250,0750?"));
}

TEST_F(DayPageTest, AFailedSaveKeepsTheOldFileAndSaysSo) {
    enter(0);
    const QString inMissingFolder = dir.filePath(QStringLiteral("no/such/folder/x.aqp"));
    EXPECT_FALSE(page->saveToFile(inMissingFolder));
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("The preset file could not be saved"));
    EXPECT_FALSE(QFile::exists(inMissingFolder));

    // A folder where the file should go cannot be replaced by it.
    const QString taken = pathOf("taken.aqp");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.aqp")));
    EXPECT_FALSE(page->saveToFile(taken));
    EXPECT_EQ(alerts.size(), 2u);
    EXPECT_TRUE(QFileInfo(taken).isDir());
}

TEST_F(DayPageTest, TheSaveAndOpenDialogsUseTheChosenFile) {
    enter(0);
    setCurve(0, {{0.25, 0.75}});
    page->btnSavePressed();
    auto* save = window.findChild<QFileDialog*>();
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->windowModality(), Qt::WindowModal);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save->defaultSuffix(), QStringLiteral("aqp"));
    save->fileSelected(pathOf("chosen.aqp"));
    save->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(readFile(pathOf("chosen.aqp")).startsWith("0250,0750?"));

    setCurve(0, {{0.5, 0.5}});
    page->btnLoadPressed();
    auto* open = window.findChild<QFileDialog*>();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    open->fileSelected(pathOf("chosen.aqp"));
    open->close();
    EXPECT_EQ(curve(0)[0].x, 0.25);
}

}  // namespace
}  // namespace aq
