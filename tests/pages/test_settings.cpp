// The settings page: name, demonstration mode and demo loop.
#include "PagesFixture.h"
#include "state/LampNames.h"

namespace aq::test {
namespace {

using SettingsTest = PagesFixture;

TEST_F(SettingsTest, ShowsTheLampsNameModeAndLoop) {
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
        click(barButton("settings"));
        dispatch.runUntilIdle();
        EXPECT_EQ(settings().tfName()->text(), kLampName);
        EXPECT_EQ(settings().chbDemo()->isChecked(), c.demoShown);
        EXPECT_EQ(settings().chbDemoLoop()->isChecked(), c.loopShown);
        // Showing is no change: the lamp keeps its mode.
        EXPECT_EQ(lamp->model().mode, c.mode);
        click(barButton("info"));
        dispatch.runUntilIdle();
    }
}

TEST_F(SettingsTest, CheckBoxesSetModeAndLoop) {
    lamp->updateModel([](SimLampModel& m) { m.mode = 2; });
    connectLamp();
    click(barButton("settings"));
    dispatch.runUntilIdle();
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

// The name stored is the one the lamp reports back, and the connection
// page lists the lamp under it from then on.
TEST_F(SettingsTest, RenameRecordsTheReportedName) {
    connectLamp();
    click(barButton("settings"));
    dispatch.runUntilIdle();

    QLineEdit* field = settings().tfName();
    field->selectAll();
    QTest::keyClicks(field, "Nano Cube");
    QTest::keyClick(field, Qt::Key_Return);
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().nameText(), "Nano Cube");
    EXPECT_EQ(GlobalStore::getNameForUUID(kLampId), std::optional<std::string>("Nano Cube"));

    // A lamp that keeps only part of the name: the store follows the lamp.
    lamp->craft(kCommandCharacteristicUUID, 0x8B,
                Bytes{0x8B, 'S', 'h', 'o', 'r', 't', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    lamp->craft(kCommandCharacteristicUUID, 0x8C, Bytes(13, 0xFF));
    field->selectAll();
    QTest::keyClicks(field, "Shortened by the lamp");
    click(settings().btnApplyName());
    dispatch.runUntilIdle();
    EXPECT_EQ(GlobalStore::getNameForUUID(kLampId), std::optional<std::string>("Short"));
    const auto table = preferences.value(kUUIDNameArray);
    ASSERT_TRUE(table && table->list());
    EXPECT_EQ(table->list()->size(), 3u);  // on connecting, and after each rename

    click(nav().btnDiscover());  // Disconnect
    discoverLamps();
    EXPECT_EQ(tableNames(), QStringList{"Short"});
}

// Renamed while the page is still reading the mode and the loop: the name
// read back must be the new one, not the one the lamp had.
TEST_F(SettingsTest, RenameDuringTheEntryReadsRecordsTheNewName) {
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
}

TEST_F(SettingsTest, NameTheLampCannotHoldIsNotSent) {
    connectLamp();
    click(barButton("settings"));
    dispatch.runUntilIdle();
    lamp->clearReceived();
    settings().tfName()->setText(QString::fromUtf8("K\u00fcche"));
    click(settings().btnApplyName());
    dispatch.runUntilIdle();
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(sentWith(0x0B).empty());
    EXPECT_EQ(lamp->model().nameText(), kLampName);
}

}  // namespace
}  // namespace aq::test
