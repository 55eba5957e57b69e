// The settings page: name, demonstration mode and demo loop.
#include <QLabel>

#include "PagesFixture.h"

namespace aq::test {
namespace {

using SettingsTest = PagesFixture;

TEST_F(SettingsTest, ShowsTheLampsModeAndLoop) {
    struct Case {
        std::uint8_t mode;
        std::uint8_t loop;
        bool demoShown;
        bool loopShown;
    };
    const Case cases[] = {
        {0, 0, false, false}, {2, 1, false, true}, {3, 0, true, false},
        {3, 7, true, true},   {1, 1, false, true},
    };
    connectLamp();
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        lamp->updateModel([&](SimLampModel& m) {
            m.mode = c.mode;
            m.demoLoop = c.loop;
        });
        settings().chbDemo()->setChecked(!c.demoShown);
        settings().chbDemoLoop()->setChecked(!c.loopShown);
        visit("settings");
        EXPECT_EQ(settings().chbDemo()->isChecked(), c.demoShown);
        EXPECT_EQ(settings().chbDemoLoop()->isChecked(), c.loopShown);
        // Showing is no change: the lamp keeps its mode.
        EXPECT_EQ(lamp->model().mode, c.mode);
        visit("info");
    }
}

TEST_F(SettingsTest, CheckBoxesSetModeAndLoop) {
    lamp->updateModel([](SimLampModel& m) { m.mode = 2; });
    connectLamp();
    visit("settings");
    ASSERT_FALSE(settings().chbDemo()->isChecked());

    click(settings().chbDemo());
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().mode, 3);
    click(settings().chbDemo());
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().mode, 0);

    click(settings().chbDemoLoop());
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().demoLoop, 1);
    click(settings().chbDemoLoop());
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().demoLoop, 0);
}

// Renamed while the page is still reading the mode and the loop, the new
// name is stored and the connection page lists the lamp under it from then
// on. That the name stored is the one the lamp reads back is the session's
// rename test.
TEST_F(SettingsTest, RenameIsStoredAndListed) {
    connectLamp();
    click(barButton("settings"));
    ASSERT_TRUE(dispatch.runUntilTrue([&] { return !settings().tfName()->text().isEmpty(); }));
    ASSERT_TRUE(store().btController().firedCommand());
    QLineEdit* field = settings().tfName();
    field->selectAll();
    QTest::keyClicks(field, "Nano Cube");
    QTest::keyClick(field, Qt::Key_Return);
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().nameText(), "Nano Cube");
    EXPECT_EQ(GlobalStore::getNameForUUID(kLampId), std::optional<std::string>("Nano Cube"));

    click(nav().btnDiscover());  // Disconnect
    discoverLamps();
    EXPECT_EQ(tableNames(), QStringList{"Nano Cube"});
}

// The field shows how much of the limit is used; a name that is empty or
// that the lamp cannot hold is refused with a word why, and nothing is sent.
TEST_F(SettingsTest, NameShowsItsLimitAndOneTheLampCannotHoldIsNotSent) {
    connectLamp();
    visit("settings");
    QLineEdit* name = settings().tfName();
    name->clear();
    QTest::keyClicks(name, "Nano");
    EXPECT_EQ(settings().lbNameLength()->text(), "4/24");
    QTest::keyClicks(name, QString(30, QLatin1Char('x')));
    EXPECT_EQ(settings().lbNameLength()->text(), "24/24");
    const std::pair<const char*, const char*> refused[] = {
        {"", "Give the lamp a name first."},
        {"   ", "Give the lamp a name first."},
        {"K\u00fcche", "only letters, digits, spaces"},
    };
    for (const auto& [text, why] : refused) {
        SCOPED_TRACE(text);
        alerts.clear();
        lamp->clearReceived();
        name->setText(QString::fromUtf8(text));
        click(settings().btnApplyName());
        dispatch.runUntilIdle();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_TRUE(alerts.front().contains(QString::fromUtf8(why))) << alerts[0].toStdString();
        EXPECT_TRUE(lamp->received().empty());
    }
    EXPECT_EQ(lamp->model().nameText(), kLampName);
}

}  // namespace
}  // namespace aq::test
