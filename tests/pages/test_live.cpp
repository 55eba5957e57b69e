// The live page against the simulated lamp: live mode on entry, one slider
// per channel sending as it moves, the lamp keys, normal mode on leaving.
#include <QLabel>

#include <algorithm>
#include <functional>
#include <map>

#include "PagesFixture.h"
#include "pages/AQLiveController.h"

namespace aq::test {
namespace {

class LiveTest : public PagesFixture {
protected:
    AQLiveController& page() { return *pageOf<AQLiveController>(nav()); }

    void enterLive() { visit("livecontroller"); }

    // The mode and live value commands, in the order the page issued them
    // (by command number), as hex text.
    std::vector<std::string> issued() const {
        std::map<unsigned long, std::string> byNumber;
        for (const std::string& e : log.entries()) {
            const auto arrow = e.find(" --> <");
            if (arrow == std::string::npos) continue;
            const std::string bytes = e.substr(arrow + 6, e.find('>', arrow + 6) - arrow - 6);
            if (bytes.rfind("12", 0) == 0 || bytes.rfind("0a", 0) == 0) {
                byNumber[std::stoul(e.substr(0, arrow))] = bytes;
            }
        }
        std::vector<std::string> out;
        for (const auto& [n, b] : byNumber) out.push_back(b);
        return out;
    }

    static std::vector<std::string> modeThenZeros(const char* mode) {
        std::vector<std::string> out{mode};
        for (int c = 0; c < 6; ++c) out.push_back("0a000" + std::to_string(c) + "00");
        return out;
    }

    std::vector<std::uint8_t> masterLive() const { return lamp->model().devices[0].liveValues; }
};

TEST_F(LiveTest, EntryAndLeaveSwitchModeAndDarkenEveryChannel) {
    lamp->updateModel([](SimLampModel& m) {
        m.devices[0].liveValues = {9, 9, 9, 9, 9, 9};
        m.devices[1].liveValues = {9, 9, 9, 9, 9, 9};
    });
    connectLamp();
    log.clear();
    enterLive();
    EXPECT_EQ(issued(), modeThenZeros("120002"));
    EXPECT_EQ(lamp->model().mode, 2);
    EXPECT_EQ(masterLive(), std::vector<std::uint8_t>(6, 0));
    // Only the master is driven.
    EXPECT_EQ(lamp->model().devices[1].liveValues, std::vector<std::uint8_t>(6, 9));

    // Each row drives its own channel, in percent truncated to 0 … 255.
    ASSERT_EQ(page().slider().size(), 6);
    for (int row = 0; row < 6; ++row) dragSlider(page().slider()[row], {0, 10.0 * (row + 1)});
    dispatch.runUntilIdle();
    ASSERT_EQ(masterLive(), (std::vector<std::uint8_t>{25, 51, 76, 102, 127, 153}));

    log.clear();
    visit("info");
    EXPECT_EQ(issued(), modeThenZeros("120000"));
    EXPECT_EQ(lamp->model().mode, 0);
    EXPECT_EQ(masterLive(), std::vector<std::uint8_t>(6, 0));
    for (AQSlider* s : page().slider()) EXPECT_EQ(s->value(), 0);
}

// A fast drag leaves at most one value waiting behind the one on the air,
// and the lamp ends on the slider's last value.
TEST_F(LiveTest, BurstLeavesAtMostOneWaitingValue) {
    connectLamp();
    enterLive();
    lamp->clearReceived();
    AQSlider* s = page().rows()[2]->slChannel();
    sendMouse(s, QEvent::MouseButtonPress, sliderPoint(*s, 0), Qt::LeftButton);
    for (int v = 1; v <= 40; ++v) {
        sendMouse(s, QEvent::MouseMove, sliderPoint(*s, v), Qt::LeftButton);
        EXPECT_LE(store().btController().waitingCommandCount(), 1u);
    }
    sendMouse(s, QEvent::MouseButtonRelease, sliderPoint(*s, 40), Qt::NoButton);
    dispatch.runUntilIdle();
    EXPECT_LE(lamp->received().size(), 2u);
    EXPECT_EQ(masterLive()[2], 102);
}

// A live value only ever replaces this channel's own value still waiting:
// a key, the entry's zeros or another channel's value reach the lamp all the
// same.
TEST_F(LiveTest, NothingWaitingIsDropped) {
    connectLamp();
    enterLive();
    AQSlider* ch1 = page().rows()[1]->slChannel();
    AQSlider* ch4 = page().rows()[4]->slChannel();

    // A key pressed in the middle of a drag, another channel moved while
    // the first one's value waits.
    sendMouse(ch1, QEvent::MouseButtonPress, sliderPoint(*ch1, 0), Qt::LeftButton);
    sendMouse(ch1, QEvent::MouseMove, sliderPoint(*ch1, 20), Qt::LeftButton);
    click(page().btnNavPush());
    sendMouse(ch1, QEvent::MouseMove, sliderPoint(*ch1, 30), Qt::LeftButton);
    ch4->setValue(90);
    sendMouse(ch1, QEvent::MouseButtonRelease, sliderPoint(*ch1, 30), Qt::NoButton);
    dispatch.runUntilIdle();
    EXPECT_EQ(lamp->model().navKeys, std::vector<std::uint8_t>{8});
    EXPECT_EQ(masterLive()[1], 76);
    EXPECT_EQ(masterLive()[4], 229);

    // Moved before the entry's zeros have gone out.
    visit("info");
    click(barButton("livecontroller"));
    dragSlider(ch4, {0, 50});
    dispatch.runUntilIdle();
    EXPECT_EQ(masterLive()[4], 127);
}

// However the page is left, the lamp goes back to normal operation with
// every channel dark: the zeros and the mode reach it before a Disconnect
// drops the link or the application quits.
TEST_F(LiveTest, EveryWayOutLeavesTheLampInNormalOperation) {
    const std::pair<const char*, std::function<void()>> routes[] = {
        {"another page", [this] { click(barButton("weather")); }},
        {"disconnect", [this] { click(nav().btnDiscover()); }},
        {"quit", [this] { delegate->window()->close(); }},
    };
    for (const auto& [name, leave] : routes) {
        SCOPED_TRACE(name);
        connectLamp();
        enterLive();
        for (AQSlider* s : page().slider()) dragSlider(s, {20, 60});
        dispatch.runUntilIdle();
        ASSERT_EQ(masterLive(), std::vector<std::uint8_t>(6, 153));
        // Left in the middle of a drag, its last value still on its way.
        AQSlider* last = page().slider().back();
        sendMouse(last, QEvent::MouseButtonPress, sliderPoint(*last, 60), Qt::LeftButton);
        sendMouse(last, QEvent::MouseMove, sliderPoint(*last, 80), Qt::LeftButton);
        leave();
        dispatch.runUntilIdle();
        EXPECT_EQ(lamp->model().mode, 0);
        EXPECT_EQ(masterLive(), std::vector<std::uint8_t>(6, 0));
        sendMouse(last, QEvent::MouseButtonRelease, sliderPoint(*last, 80), Qt::NoButton);
        if (nav().connected()) nav().switchTo("discover");
        dispatch.runUntilIdle();
    }
}

// A lamp that does not take the return to normal operation before a
// Disconnect closes the link: the user is told it may still be in live mode.
TEST_F(LiveTest, ADisconnectTheLampDidNotConfirmIsTold) {
    connectLamp();
    enterLive();
    dispatch.runUntilIdle();
    lamp->setFaults({.noAnswerFrom = lamp->receivedCount() + 1});
    alerts.clear();
    click(nav().btnDiscover());
    dispatch.runUntilIdle(30.0);
    EXPECT_FALSE(nav().connected());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("may still be in live mode")));
}

TEST_F(LiveTest, KeysSendOnePressEach) {
    connectLamp();
    enterLive();
    dragSlider(page().rows()[1]->slChannel(), {0, 70});
    dispatch.runUntilIdle();
    for (AQButton* key : {page().btnNavLeft(), page().btnNavRight(), page().btnNavPush(),
                          page().btnNavLongPush()}) {
        click(key);
        dispatch.runUntilIdle();
    }
    EXPECT_EQ(lamp->model().navKeys, std::vector<std::uint8_t>({5, 6, 8, 9}));
}

// A row for each of the lamp's channels, named as the lamp names them; another
// lamp with other channels gets rows of its own.
TEST_F(LiveTest, RowsFollowTheLampsChannels) {
    connectLamp();
    enterLive();
    ASSERT_EQ(page().rows().size(), 6);
    click(nav().btnDiscover());  // Disconnect
    dispatch.runUntilIdle();
    lamp->updateModel([](SimLampModel& m) {
        m.setChannelCount(4);
        m.channels[3].name = "Deep Blue";
    });
    connectLamp();
    log.clear();
    enterLive();
    const QList<AQTableCellView*> rows = page().rows();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[3]->lbChannel()->text(), "Deep Blue");
    EXPECT_EQ(issued(),
              std::vector<std::string>({"120002", "0a000000", "0a000100", "0a000200", "0a000300"}));
    rows[3]->slChannel()->setValue(100);
    dispatch.runUntilIdle();
    EXPECT_EQ(masterLive()[3], 255);
}

}  // namespace
}  // namespace aq::test
