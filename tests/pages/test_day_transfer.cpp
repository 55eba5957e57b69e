// The day page's transfers against the simulated lamp: what goes out on an
// upload and in which order, what a download shows, and what happens when
// the lamp stops answering halfway. How a transfer plans, converts and
// checks is the session layer's and tested there; these check the page.
#include "DayPageFixture.h"

namespace aq {
namespace {

using test::chooseRow;
using test::DayPageFixture;

using DayTransferTest = DayPageFixture;

SimProgramme programmeOf(std::vector<std::vector<SimSetPoint>> channels) {
    channels.resize(6);
    return channels;
}

// One lamp gets the chart as it was when the upload started, in lamp units;
// an empty channel is its count of 0 and no points.
TEST_F(DayTransferTest, UploadSendsTheChartAsItWasWhenItStarted) {
    enter(1);  // the master
    setCurve(0, {{0.25, 0.5}, {0.75, 1.0}});
    setCurve(1, {});
    page->btnUploadPressed();
    // The chart changes while the worker waits for its first answer.
    setCurve(0, {{0.5, 0.1}});
    finish();
    const std::vector<Bytes> counts = sentWith({0x0E});
    ASSERT_EQ(counts.size(), 6u) << "one lamp only";
    EXPECT_EQ(counts[1], (Bytes{0x0E, 0, 1, 0}));
    for (const Bytes& b : sentWith({0x0F})) EXPECT_NE(b[2], 1) << "no points for channel 1";
    EXPECT_EQ(lamp->model().devices[0].programme[0],
              (std::vector<SimSetPoint>{{359, 127}, {1079, 255}}));
}

TEST_F(DayTransferTest, TheDeviceListChoosesTheTargetLamp) {
    struct Case {
        int row;
        int device;  // -1: the choice before stays
        int readFrom;
    };
    // all, Master #1, Slave #2, Slave #3; a cleared choice changes nothing.
    const Case cases[] = {{2, 1, 1}, {0, 255, 0}, {3, 2, 2}, {-1, 2, 2}, {1, 0, 0}, {-1, 0, 0}};
    enter(0);
    for (const Case& c : cases) {
        const int before = page->device();
        enter(c.row);
        EXPECT_EQ(page->device(), c.device < 0 ? before : c.device) << "row " << c.row;
        lamp->clearReceived();
        page->btnDownloadPressed();
        finish();
        const auto counts = sentWith({0x8E});
        ASSERT_EQ(counts.size(), 6u);
        for (const Bytes& b : counts) EXPECT_EQ(b[1], c.readFrom) << "row " << c.row;
    }
}

TEST_F(DayTransferTest, DownloadShowsTheLampsProgrammeInTheStoresCurves) {
    lamp->updateModel([](SimLampModel& m) {
        m.devices[0].programme = programmeOf({{{0, 0}, {1439, 255}}, {}, {{720, 51}}});
        m.devices[1].programme = programmeOf({{{100, 100}}});
    });
    enter(0);  // all lamps: the master is read
    const auto before = store().channels()[0]->presentChannel();
    page->btnDownloadPressed();
    SPProgressHUD* hud = SPProgressHUD::instance();
    EXPECT_TRUE(hud->displaying());
    finish();
    // A short note says it is done, and goes by itself.
    EXPECT_TRUE(hud->showingMessage());
    EXPECT_EQ(hud->status(), QStringLiteral("Downloaded from Master #1."));
    hud->expireMessage();
    EXPECT_FALSE(hud->displaying());
    ASSERT_EQ(graph().channelCount(), 6);
    EXPECT_TRUE(test::sameCurve(curve(0), {{0.0, 0.0}, {1.0, 1.0}}));
    EXPECT_TRUE(curve(1).empty()) << "a channel of 0 points is an empty curve";
    EXPECT_TRUE(test::sameCurve(curve(2), {{720 / 1439.0, 0.2}}));
    // The store's channels hold the new curves, which the chart shows.
    for (std::uint8_t ch = 0; ch < 6; ++ch) {
        EXPECT_EQ(store().channels()[ch]->presentChannel(), graph().channelAtIndex(ch));
    }
    EXPECT_NE(store().channels()[0]->presentChannel(), before);
}

TEST_F(DayTransferTest, ChoosingAPresettingDownloadsIt) {
    lamp->updateModel([](SimLampModel& m) {
        m.presettings[3].programme = programmeOf({{{360, 255}, {1080, 0}}});
    });
    enter(0);
    for (const int row : {3, -1}) {  // a cleared choice downloads nothing
        lamp->clearReceived();
        page->btnPresetsPressed();
        AQTableSheetController* sheet = page->tscPresets();
        ASSERT_NE(sheet->sheet(), nullptr);
        chooseRow(*sheet, row);
        sheet->closeSheet();
        finish();
        const auto counts = sentWith({0xA0});
        ASSERT_EQ(counts.size(), row < 0 ? 0u : 6u) << row;
        if (row >= 0) {
            EXPECT_EQ(counts[0], (Bytes{0xA0, 0, 3, 0}));
        }
        EXPECT_TRUE(test::sameCurve(curve(0), {{360 / 1439.0, 1.0}, {1080 / 1439.0, 0.0}}));
    }
}

// A lamp falling silent or a link lost halfway leaves the chart as it was
// and says where the read stopped; a lost link says so at once.
TEST_F(DayTransferTest, ADownloadBrokenOffLeavesTheChartAsItWas) {
    struct Case {
        const char* name;
        std::uint64_t answered;  // commands answered before the fault
        bool linkLost;           // else the lamp falls silent
        const char* place;       // where the alert says the read stopped
    };
    // Six counts come first, then the points channel by channel; the lost
    // link comes last.
    const Case cases[] = {
        {"silent during the counts", 3, false,
         "the number of set points of channel \u201cNavy Blue\u201d"},
        {"silent during the points", 6 + 3 + 1, false, "channel \u201cRed\u201d, set point 2 of 3"},
        {"link lost during the points", 6 + 3 + 1, true,
         "channel \u201cRed\u201d, set point 2 of 3"},
    };
    lamp->updateModel([](SimLampModel& m) {
        for (auto& channel : m.devices[0].programme) channel = {{0, 10}, {700, 200}, {1400, 30}};
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        alerts.clear();
        enter(1);
        setCurve(0, {{0.3, 0.3}});
        std::vector<std::shared_ptr<DayAdjustmentChannel>> before;
        for (std::uint8_t ch = 0; ch < 6; ++ch) before.push_back(graph().channelAtIndex(ch));
        if (c.linkLost) {
            lamp->setFaults({.dropLinkOnceAt = lamp->receivedCount() + c.answered + 1});
        } else {
            lampFallsSilentAfter(c.answered);
        }
        const double start = dispatch.now();
        page->btnDownloadPressed();
        ASSERT_TRUE(dispatch.runUntilTrue([&] { return !alerts.empty(); }, 3600.0));
        if (c.linkLost) {
            EXPECT_LT(dispatch.now() - start, 1.0) << "no wait for an answer";
        }
        finish();
        ASSERT_EQ(alerts.size(), 1u);
        if (!c.linkLost) {
            EXPECT_EQ(alerts[0].title, QStringLiteral("The lamp did not answer"));
        }
        EXPECT_TRUE(alerts[0].text.contains(QStringLiteral("left as they were")));
        EXPECT_TRUE(alerts[0].text.contains(QString::fromUtf8(c.place)))
            << alerts[0].text.toStdString();
        EXPECT_FALSE(SPProgressHUD::instance()->displaying());
        EXPECT_FALSE(page->busy());
        for (std::uint8_t ch = 0; ch < 6; ++ch) {
            EXPECT_EQ(graph().channelAtIndex(ch), before[ch]);
            EXPECT_EQ(store().channels()[ch]->presentChannel(), before[ch]);
        }
        EXPECT_TRUE(test::sameCurve(curve(0), {{0.3, 0.3}}));
        lamp->setFaults({});
    }
}

TEST_F(DayTransferTest, ALampSilentMidUploadSaysTheProgrammeMayBePartial) {
    enter(0);
    for (std::uint8_t ch = 0; ch < 6; ++ch) setCurve(ch, {{0.2, 0.2}, {0.8, 0.8}});
    // Lamp 1 takes all 36 commands (18 written, 18 read back); lamp 2 answers
    // its first channel only.
    lampFallsSilentAfter(36 + 6);
    page->btnUploadPressed();
    finish();
    ASSERT_EQ(alerts.size(), 1u);
    const QString text = alerts[0].text;
    for (const char* part : {"Slave #2", "\u201cRed\u201d", "partial programme", "the next lamp"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << text.toStdString();
    EXPECT_FALSE(SPProgressHUD::instance()->displaying());
    // Nothing was sent after the silence: the third lamp was never written.
    for (const Bytes& b : sentWith({0x0E, 0x0F})) EXPECT_NE(b[1], 2);
}

TEST_F(DayTransferTest, ASecondPressDuringATransferIsIgnored) {
    preferences.setValue(AQDayAdjustmentController::kVerifyUploadsKey,
                         PreferenceValue(std::int64_t{0}));
    enter(1);
    page->btnUploadPressed();
    EXPECT_TRUE(page->busy());
    page->btnUploadPressed();
    page->btnDownloadPressed();
    finish();
    EXPECT_EQ(sentWith({0x0E}).size(), 6u);
    EXPECT_TRUE(sentWith({0x8E}).empty());
}

class DayTransferWithoutLampsTest : public DayPageFixture {
protected:
    DayTransferWithoutLampsTest() { devicesInStore = 0; }
};

// Before the lamps behind the connection are read, "all" writes the
// connected lamp; the lists follow the store on every entry.
TEST_F(DayTransferWithoutLampsTest, AllLampsWritesTheConnectedLampAndTheListsFollowTheStore) {
    enter(0);
    EXPECT_EQ(page->tscDevice()->data(), QStringList{"all"});
    page->btnUploadPressed();
    finish();
    const auto counts = sentWith({0x0E});
    ASSERT_EQ(counts.size(), 6u);
    for (const Bytes& b : counts) EXPECT_EQ(b[1], 0);
    EXPECT_TRUE(alerts.empty());

    page->onLeave();
    // Meanwhile the lamps behind the connection were read, and another lamp
    // with other channels and presettings was connected.
    GlobalStore::deviceAdd();
    GlobalStore::deviceAdd();
    GlobalStore::channelRemove(5);
    store().setPresets({"Morning"});
    enter(2);
    EXPECT_EQ(page->tscDevice()->data(), (QStringList{"all", "Master #1", "Slave #2"}));
    EXPECT_EQ(page->device(), 1);
    EXPECT_EQ(page->tscChannel()->data().size(), 5);
    EXPECT_EQ(page->tscPresets()->data(), QStringList{"Morning"});
    EXPECT_EQ(graph().channelCount(), 5);
}

// --- only what the lamp lacks, verified ------------------------------------

class KnownProgrammeTest : public DayPageFixture {
protected:
    // Three points on every channel of every lamp.
    void fillLamps() {
        lamp->updateModel([](SimLampModel& m) {
            for (auto& device : m.devices) {
                for (auto& channel : device.programme) channel = {{60, 10}, {600, 200}, {1200, 0}};
            }
        });
    }
    void download() {
        page->btnDownloadPressed();
        finish();
        SPProgressHUD::instance()->expireMessage();
    }
    // Uploads and returns the commands the lamp received.
    std::uint64_t upload(bool everything = false) {
        const std::uint64_t before = lamp->receivedCount();
        // The question's check box starts checked for Shift+Upload.
        answer.option = everything;
        page->upload(everything);
        finish();
        return lamp->receivedCount() - before;
    }
    void movePoint(std::uint8_t ch) {
        auto points = curve(ch);
        points[1].y = 0.5;
        setCurve(ch, points);
    }
};

TEST_F(KnownProgrammeTest, AnUploadSendsOnlyTheChannelsTheLampDoesNotHold) {
    fillLamps();
    enter(1);
    download();
    // Nothing changed: nothing sent, and the user is told so.
    lamp->clearReceived();
    EXPECT_EQ(upload(), 0u);
    EXPECT_EQ(SPProgressHUD::instance()->status(),
              QStringLiteral("The lamp already holds this programme."));
    EXPECT_FALSE(page->busy());
    SPProgressHUD::instance()->expireMessage();
    // One point moved: that channel alone, written whole and read back.
    movePoint(3);
    EXPECT_EQ(upload(), 2u * (1 + 3));
    EXPECT_EQ(sentWith({0x0E}), std::vector<Bytes>{(Bytes{0x0E, 0, 3, 3})});
    EXPECT_EQ(lamp->model().devices[0].programme[3][1].intensity, 127);
    EXPECT_TRUE(alerts.empty());
    // Send everything: the check box, as Shift+Upload does.
    EXPECT_EQ(upload(true), 6u * 2 * (1 + 3));
    answer.option = true;
    lamp->clearReceived();
    page->upload(false);
    finish();
    EXPECT_EQ(sentWith({0x0E}).size(), 6u);
    ASSERT_FALSE(questions.empty());
    EXPECT_FALSE(questions.back().option.isEmpty());

    // Not verified, a written channel is not known: it goes again each time.
    page->verifyAction()->setChecked(false);
    EXPECT_EQ(preferences.value(AQDayAdjustmentController::kVerifyUploadsKey),
              PreferenceValue(std::int64_t{0}));
    movePoint(0);
    EXPECT_EQ(upload(), 1u + 3) << "written, not read back";
    EXPECT_EQ(upload(), 1u + 3) << "so not known";
}

TEST_F(KnownProgrammeTest, DisconnectAndLostCommandsForgetWhatTheLampHolds) {
    enum class Loss { Disconnect, NoAnswer, LinkDropped };
    BTLEController& link = store().btController();
    fillLamps();
    enter(1);
    for (const Loss loss : {Loss::Disconnect, Loss::NoAnswer, Loss::LinkDropped}) {
        SCOPED_TRACE(int(loss));
        download();
        ASSERT_EQ(upload(), 0u);
        if (loss == Loss::Disconnect) {
            link.disconnect();
        } else {
            SimFaults f;
            (loss == Loss::NoAnswer ? f.noAnswerAt : f.dropLinkOnceAt) = lamp->receivedCount() + 1;
            lamp->setFaults(f);
            link.getSlaves([](std::uint8_t) {});
            finish();
            lamp->setFaults({});
        }
        if (loss != Loss::NoAnswer) connectLamp();
        EXPECT_EQ(upload(), 6u * 2 * (1 + 3));
        EXPECT_TRUE(alerts.empty());
    }
}

TEST_F(KnownProgrammeTest, VerificationNamesTheFirstPointThatDiffers) {
    // A dropped point and an altered one differ alike (the session's
    // mismatch table); the page names the point in the alert.
    enter(1);
    setCurve(0, {{0.1, 0.2}, {720 / 1439.0, 0.5}, {0.9, 0.3}});
    // The count, the first point, then the second.
    lamp->setFaults({.spoilPointAt = lamp->receivedCount() + 3, .spoilPointByDropping = false});
    lamp->clearReceived();
    upload(true);
    lamp->setFaults({});
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("The lamp does not hold what was sent"));
    EXPECT_TRUE(alerts[0].text.startsWith(
        QStringLiteral("Master #1, channel Royal Blue: point 2 reads 12:00 49 %, sent 12:00 50 %")))
        << alerts[0].text.toStdString();
    // Nothing after the failed channel was written.
    for (const Bytes& b : sentWith({0x0E})) EXPECT_EQ(b[2], 0);
    // What was read is known: the next upload mends that channel.
    lamp->clearReceived();
    upload();
    EXPECT_EQ(sentWith({0x0E}).at(0), (Bytes{0x0E, 0, 0, 3}));
    EXPECT_EQ(lamp->model().devices[0].programme[0][1], (SimSetPoint{720, 127}));
    EXPECT_EQ(alerts.size(), 1u);
}

}  // namespace
}  // namespace aq
