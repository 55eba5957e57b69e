// The lamp session against simulated lamps on virtual time: finding a lamp,
// the ready chain, the value reads and writes, and the preset text.
#include <gtest/gtest.h>

#include "curve/DayAdjustmentChannel.h"
#include "session/LampSession.h"
#include "session/PresetProgramme.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "sim/VirtualDispatch.h"
#include "state/MemoryPreferences.h"
#include "support/LogCapture.h"

namespace aq::test {
namespace {

FoundLamp lamp(std::string id, std::optional<std::string> advertised,
               std::optional<std::string> stored = std::nullopt) {
    return FoundLamp{nullptr, std::move(id), std::move(advertised), std::move(stored),
                     std::nullopt};
}

TEST(ChooseLamp, FollowsTheRulesInOrder) {
    const std::vector<FoundLamp> lamps{
        lamp("00000000-0000-0000-0000-0000000000A1", "Lamp", "Tank"),
        lamp("00000000-0000-0000-0000-0000000000B2", "Lamp", "tank"),
        lamp("00000000-0000-0000-0000-0000000000C3", "Nano"),
    };
    using M = LampChoice::Match;
    const struct {
        std::string query;
        M match;
        std::size_t index;
    } cases[] = {
        {"00000000-0000-0000-0000-0000000000b2", M::Found, 1},  // identifier, any case
        {"00:00:00:00:00:C3", M::Found, 2},                     // address with colons
        {"0000000000a1", M::Found, 0},                          // address without
        {"Tank", M::Found, 0},                                  // exact beats ignoring case
        {"NANO", M::Found, 2},                                  // advertised, ignoring case
        {"Lamp", M::Ambiguous, 0},                              // two advertise it
        {"TANK", M::Ambiguous, 0},                              // two stored, ignoring case
        {"Reef", M::NotFound, 0},
        {"", M::Ambiguous, 0},  // no query and more than one lamp
    };
    for (const auto& c : cases) {
        const LampChoice choice = chooseLamp(lamps, c.query);
        EXPECT_EQ(choice.match, c.match) << c.query;
        if (c.match == M::Found) {
            EXPECT_EQ(choice.index, c.index) << c.query;
        }
    }
    EXPECT_EQ(chooseLamp({lamps[2]}, "").match, M::Found);
    EXPECT_EQ(chooseLamp({}, "").match, M::NotFound);
}

TEST(LampRules, NamesTheLampCanHoldAndLiveLevels) {
    const struct {
        std::string name;
        bool acceptable;
    } names[] = {{"Tank", true},
                 {"", false},
                 {"   ", false},
                 {"Caf\xc3\xa9", false},
                 {std::string(24, 'x'), true},
                 {std::string(25, 'x'), false},
                 {"tab\there", false}};
    for (const auto& n : names) EXPECT_EQ(lampNameAcceptable(n.name), n.acceptable) << n.name;
    // As the live page sends its sliders.
    EXPECT_EQ(liveLevel(100), 255u);
    EXPECT_EQ(liveLevel(150), 255u);
    EXPECT_EQ(liveLevel(50), 127u);
    EXPECT_EQ(liveLevel(1), 2u);
    EXPECT_EQ(liveLevel(-5), 0u);
    // A name's bytes as the lamp keeps them, each above ASCII read as Latin-1.
    EXPECT_EQ(lampNameText("A\x7F\x80\xFF"), "A\x7F\xC2\x80\xC3\xBF");
}

class LampSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        model = makeDemoLamps(central, 2);
        const std::vector<FoundLamp> found =
            session.scan(10.0, [](const std::vector<FoundLamp>& lamps) { return !lamps.empty(); });
        ASSERT_EQ(found.size(), 1u);
        const double start = dispatch.now();
        ASSERT_TRUE(session.connect(0));
        // A program's connect ends soon after the link is ready, not at the
        // end of a one-second waiting period.
        EXPECT_LT(dispatch.now() - start, 0.5);
        EXPECT_EQ(session.link().readyPeriod(), 1.0);
        session.runOnWorkerAndWait([this] { description = session.readLamp(); });
        ASSERT_TRUE(description);
    }

    VirtualDispatch dispatch;
    SimCentral central{dispatch, 0.01};
    MemoryPreferences preferences;
    LampNameBook names{preferences};
    LampSession session{central, dispatch, &names};
    std::shared_ptr<SimModelLamp> model;
    std::optional<LampDescription> description;
    LogCapture log;
};

TEST_F(LampSessionTest, ReadyChainReadsTheLampAndRecordsItsName) {
    const SimLampModel m = model->model();
    EXPECT_EQ(description->channels.size(), m.channels.size());
    EXPECT_EQ(description->channels[1].name, m.channels[1].name);
    EXPECT_EQ(description->channels[1].color,
              (Color{m.channels[1].red / 255.0f, m.channels[1].green / 255.0f,
                     m.channels[1].blue / 255.0f, 1.0}));
    EXPECT_EQ(description->presettings.size(), 6u);
    EXPECT_EQ(description->presettings[0], m.presettings[0].name);
    EXPECT_EQ(description->slaves, 2);
    EXPECT_EQ(names.lookUp(model->identifier()), description->name);
    EXPECT_FALSE(description->name.empty());
}

TEST_F(LampSessionTest, InfoReadsEveryValueInOrderAndEndsOnce) {
    std::vector<LampSession::InfoField> order;
    int ends = 0;
    LampInfo info;
    session.readInfo(
        true, [&](const LampInfo&, LampSession::InfoField f) { order.push_back(f); },
        [&](const LampInfo& i) {
            info = i;
            ++ends;
        });
    ASSERT_TRUE(session.runUntil([&] { return ends > 0; }, 30.0));
    dispatch.runLoopFor(1.0);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(order.size(), 7u);
    const SimLampModel m = model->model();
    EXPECT_EQ(info.firmware, m.firmwareText());
    EXPECT_EQ(info.serial, m.serialNumber);
    EXPECT_EQ(info.energyKWh, m.powerConsumption);
    EXPECT_EQ(info.slaves, 2);
    EXPECT_EQ(info.mode, m.mode);
    EXPECT_EQ(info.demoLoop, m.demoLoop != 0);
}

TEST_F(LampSessionTest, InfoEndsWithWhatItHasWhenTheLampGoesAway) {
    LampInfo info;
    bool ended = false;
    session.readInfo(false, {}, [&](const LampInfo& i) {
        info = i;
        ended = true;
    });
    central.switchOff(central.lamps().front());
    ASSERT_TRUE(session.runUntil([&] { return ended; }, 30.0));
    EXPECT_FALSE(info.energyKWh);
}

TEST_F(LampSessionTest, MoonAndWeatherWrittenAreReadBack) {
    MoonSettings moon;
    moon.day = 9;
    moon.intensity = 40;
    moon.start = 20 * 60;
    moon.end = 6 * 60;
    moon.active = {false, true, std::nullopt};
    WeatherSettings weather;
    weather.cloudsPerDay = 0;
    weather.cloudDuration = 999;
    weather.cloudDimming = 100;
    weather.boltsPerHour = 7;
    weather.boltStart = 60;
    weather.boltEnd = 120;
    int written = 0;
    session.writeMoon(moon, [&](bool ok) { written += ok; });
    session.writeWeather(weather, [&](bool ok) { written += ok; });
    ASSERT_TRUE(session.runUntil([&] { return written == 2; }, 30.0));

    std::optional<MoonSettings> moonRead;
    std::optional<WeatherSettings> weatherRead;
    session.readMoon([&](const MoonSettings& m) { moonRead = m; });
    session.readWeather([&](const WeatherSettings& w) { weatherRead = w; });
    ASSERT_TRUE(session.runUntil([&] { return moonRead && weatherRead; }, 30.0));
    EXPECT_EQ(moonRead->day, 9);
    EXPECT_EQ(moonRead->intensity, 40);
    EXPECT_EQ(moonRead->start, 20 * 60);
    EXPECT_EQ(moonRead->end, 6 * 60);
    ASSERT_EQ(moonRead->active.size(), 3u);
    EXPECT_EQ(moonRead->active[0], false);
    EXPECT_EQ(moonRead->active[1], true);
    EXPECT_EQ(weatherRead->cloudsPerDay, 0u);
    EXPECT_EQ(weatherRead->cloudDuration, 999u);
    EXPECT_EQ(weatherRead->cloudDimming, 100u);
    EXPECT_EQ(weatherRead->boltsPerHour, 7u);
    EXPECT_EQ(weatherRead->boltStart, 60u);
    EXPECT_EQ(weatherRead->boltEnd, 120u);

    // Half a bolt window is not sent; a wait for what never comes ends as failed.
    WeatherSettings half;
    half.boltStart = 300;
    session.writeWeather(half, [&](bool ok) { written += ok; });
    ASSERT_TRUE(session.runUntil([&] { return written == 3; }, 30.0));
    EXPECT_EQ(model->model().boltsStart, 60);
    EXPECT_FALSE(session.runUntil([] { return false; }, 1.0));
}

TEST_F(LampSessionTest, RenameWaitsForTheLinkAndRecordsWhatTheLampReads) {
    // Other reads under way: the rename waits until they are done.
    bool moonRead = false;
    session.readMoon([&](const MoonSettings&) { moonRead = true; });
    std::optional<std::optional<std::string>> read;
    session.rename("Nano Cube", [&](std::optional<std::string> n) { read = n; });
    ASSERT_TRUE(session.runUntil([&] { return read.has_value(); }, 30.0));
    EXPECT_TRUE(moonRead);
    EXPECT_EQ(*read, "Nano Cube");
    EXPECT_EQ(model->model().nameText(), "Nano Cube");
    EXPECT_EQ(names.lookUp(model->identifier()), "Nano Cube");

    // A name the lamp does not read back is reported as none and not recorded.
    SimFaults faults;
    faults.forCommands.push_back({0x8B, SimFault::ShortAnswer, {}});
    model->setFaults(faults);
    read.reset();
    session.rename("Reef", [&](std::optional<std::string> n) { read = n; });
    ASSERT_TRUE(session.runUntil([&] { return read.has_value(); }, 30.0));
    EXPECT_EQ(*read, std::nullopt);
    EXPECT_EQ(names.lookUp(model->identifier()), "Nano Cube");
}

TEST_F(LampSessionTest, ASessionWithoutANameBookStillReadsAndRenames) {
    LampSession bookless(central, dispatch, nullptr);
    ASSERT_EQ(bookless.scan(10.0, [](const auto& lamps) { return !lamps.empty(); }).size(), 1u);
    ASSERT_TRUE(bookless.connect(0));
    std::optional<LampDescription> read;
    bookless.runOnWorkerAndWait([&] { read = bookless.readLamp(); });
    ASSERT_TRUE(read);
    EXPECT_EQ(read->name, description->name);
    std::optional<std::optional<std::string>> renamed;
    bookless.rename("Nano", [&](std::optional<std::string> n) { renamed = n; });
    ASSERT_TRUE(bookless.runUntil([&] { return renamed.has_value(); }, 30.0));
    EXPECT_EQ(*renamed, "Nano");
}

TEST_F(LampSessionTest, AnEndHandedOverAfterItsSessionIsGoneCallsNothing) {
    int called = 0;
    SimCentral own(dispatch, 0.01);
    auto gone = std::make_unique<LampSession>(own, dispatch, &names);
    // No lamp: the read is given up, and the session goes with the first end
    // handed over; the others were handed over with it, to run later.
    gone->link().getMoonDay([](std::uint8_t) {});
    gone->link().whenIdle([&] { gone.reset(); });
    gone->readMoon([&](const MoonSettings&) { ++called; });
    gone->writeMoon(MoonSettings{}, [&](bool) { ++called; });
    gone->writeWeather(WeatherSettings{}, [&](bool) { ++called; });
    gone->readWeather([&](const WeatherSettings&) { ++called; });
    gone->readInfo(true, {}, [&](const LampInfo&) { ++called; });
    gone->setClock(LampDateTime{}, [&](std::optional<LampDateTime>) { ++called; });
    gone->rename("Reef", [&](std::optional<std::string>) { ++called; });
    gone->whenSent([&] { ++called; });
    ASSERT_TRUE(session.runUntil([&] { return !gone; }, 30.0));
    dispatch.runLoopFor(1.0);
    EXPECT_EQ(called, 0);
}

TEST_F(LampSessionTest, ClockIsReadBackAfterItIsSet) {
    LampDateTime time;
    time.year = 2026;
    time.month = 3;
    time.day = 14;
    time.hour = 15;
    time.minute = 9;
    time.second = 26;
    std::optional<std::optional<LampDateTime>> read;
    session.setClock(time, [&](std::optional<LampDateTime> t) { read = t; });
    ASSERT_TRUE(session.runUntil([&] { return read.has_value(); }, 30.0));
    ASSERT_TRUE(*read);
    EXPECT_EQ((*read)->day, 14u);
    EXPECT_EQ((*read)->minute, 9u);
}

TEST_F(LampSessionTest, DownloadedProgrammeRoundTripsThroughThePresetText) {
    ProgrammeRead read;
    session.runOnWorkerAndWait([&] { read = session.downloadProgramme(1); });
    ASSERT_FALSE(read.stop);
    const std::string text = presetText(read.channels);
    const PresetProgramme preset = presetProgramme(text, read.channels.size());
    ASSERT_TRUE(preset.complete);
    EXPECT_EQ(preset.channels.size(), read.channels.size());
    // What the lamp holds is known after the download: uploading the same
    // programme sends nothing.
    std::vector<LampChannel> same;
    for (const auto& channel : read.channels) {
        same.push_back(lampChannel(
            std::vector<CurvePoint>(channel->Points(), channel->Points() + channel->PointCount())));
    }
    LampSession::Upload upload;
    session.runOnWorkerAndWait([&] { upload = session.uploadProgramme({1}, same, false, true); });
    EXPECT_TRUE(upload.plan.targets.empty());
    // A file with fewer channels than the lamp is no whole programme.
    EXPECT_FALSE(presetProgramme(text, read.channels.size() + 1).complete);
    EXPECT_FALSE(presetProgramme("not a preset", read.channels.size()).complete);
}

TEST_F(LampSessionTest, ACancelledUploadStopsBetweenCommandsAndSaysSo) {
    const std::vector<LampChannel> wanted(description->channels.size(),
                                          LampChannel{{60, 10}, {600, 200}});
    const struct {
        const char* what;
        int cancelAfter;  // commands answered before the user cancels
        bool verify;
        int point;  // where it stopped: -1 for a channel's count
    } cases[] = {
        {"before the first count", 0, false, -1},
        {"after the count", 1, false, 0},
        {"before the read-back", 3, true, -1},  // count and two points written
        {"within the read-back", 4, true, 0},   // and the count read back
    };
    for (const auto& c : cases) {
        std::shared_ptr<TransferControl> control;
        control = std::make_shared<TransferControl>([&](const TransferProgress& p) {
            if (p.command >= c.cancelAfter) control->requestCancel();
        });
        if (c.cancelAfter == 0) control->requestCancel();
        const std::uint64_t before = model->receivedCount();
        LampSession::Upload upload;
        session.runOnWorkerAndWait(
            [&] { upload = session.uploadProgramme({0}, wanted, true, c.verify, control.get()); });
        ASSERT_TRUE(upload.result.stop) << c.what;
        EXPECT_TRUE(upload.result.stop->cancelled) << c.what;
        EXPECT_EQ(upload.result.stop->point, c.point) << c.what;
        EXPECT_EQ(model->receivedCount() - before, std::uint64_t(c.cancelAfter)) << c.what;
    }
}

TEST_F(LampSessionTest, AnUploadTheLampStopsAnsweringSaysWhereAndIsNoCancel) {
    const std::vector<LampChannel> wanted(description->channels.size(),
                                          LampChannel{{60, 10}, {600, 200}});
    const struct {
        const char* what;
        std::uint64_t silentFrom;  // counted from the upload's first write
        int point;                 // where it stopped: -1 for a channel's count
    } cases[] = {{"the first count", 1, -1}, {"a point", 2, 0}};
    for (const auto& c : cases) {
        SimFaults faults;
        faults.noAnswerFrom = model->receivedCount() + c.silentFrom;
        model->setFaults(faults);
        LampSession::Upload upload;
        session.runOnWorkerAndWait([&] {
            upload = session.uploadProgramme({0, 1}, wanted, true, true);
        });
        ASSERT_TRUE(upload.result.stop) << c.what;
        EXPECT_FALSE(upload.result.stop->cancelled) << c.what;
        EXPECT_EQ(upload.result.stop->device, 0) << c.what;
        EXPECT_EQ(upload.result.stop->point, c.point) << c.what;
        EXPECT_EQ(upload.result.stop->lampsLeft, 1) << c.what;
        model->setFaults({});
    }
}

}  // namespace
}  // namespace aq::test
