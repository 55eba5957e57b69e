// aqlampctl's commands run in process against simulated lamps on virtual
// time: output, JSON shape, exit code and what the lamp holds afterwards.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "cli/Cli.h"
#include "session/PresetProgramme.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "sim/VirtualDispatch.h"
#include "state/MemoryPreferences.h"
#include "support/LogCapture.h"

namespace aq::test {
namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        context.names = &names;
        context.interrupts = &interrupts;
        context.now = [] { return QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26)); };
        // The same simulated lamps for every run of a test, so that one run
        // sees what the one before left.
        context.makeCentral = [this](const LampChoiceOptions& o) {
            auto central = std::make_unique<SimCentral>(dispatch, o.delay);
            if (lamps.empty()) {
                for (int i = 0; i < o.lamps; ++i) {
                    lamps.push_back(makeDemoLamps(*central, 2, std::size_t(i)));
                }
            } else {
                for (const auto& lamp : lamps) central->addLamp(lamp);
            }
            for (const auto& lamp : lamps) {
                applySimFaults(o.faults, *central, *lamp);
                if (faults) faults(*lamp);
            }
            return central;
        };
    }

    int run(QStringList arguments) {
        outText.clear();
        errText.clear();
        return cli::run(QStringList{"aqlampctl"} + arguments, context);
    }
    QJsonDocument json() const { return QJsonDocument::fromJson(outText.toUtf8()); }
    SimLampModel model(std::size_t i = 0) const { return lamps.at(i)->model(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& text) const {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    VirtualDispatch dispatch;
    MemoryPreferences preferences;
    LampNameBook names{preferences};
    QString outText;
    QString errText;
    QTextStream out{&outText};
    QTextStream err{&errText};
    cli::Context context{dispatch, out, err};
    std::atomic<int> interrupts{0};
    std::vector<std::shared_ptr<SimModelLamp>> lamps;
    std::function<void(SimModelLamp&)> faults;
    QTemporaryDir dir;
    LogCapture log;
};

TEST_F(CliTest, CommandLinesThatCannotBeFollowedAndLampsThatCannotBeReachedFail) {
    const struct {
        QStringList arguments;
        int code;
        const char* says;  // on stderr, or on stdout for 0
    } cases[] = {
        {{}, 1, "no command given"},
        {{"frobnicate"}, 1, "unknown command 'frobnicate'"},
        {{"--simulate", "info", "--full"}, 1, "--full does not apply to 'info'"},
        {{"--simulate=lamps=x", "info"}, 1, "lamps=N needs a number"},
        {{"--simulate=bogus", "info"}, 1, "bogus"},
        {{"--simulate", "clock", "set", "yesterday"}, 1, "YYYY-MM-DD HH:MM:SS"},
        {{"--simulate", "mode", "live"}, 1, "normal, preview or demo"},
        {{"--simulate", "name", "set", "Café"}, 1, "without accents"},
        {{"--simulate", "moon", "set", "--day", "29"},
         1,
         "--day needs a whole number from 1 to 28"},
        {{"--simulate", "live", "Green=50"}, 1, "no channel \"Green\""},
        {{"--simulate", "programme", "download"}, 1, "-o FILE.aqp"},
        {{"--simulate", "scan", "--time", "5s"}, 1, "--time needs a number of seconds"},
        {{"--simulate", "firmware", "update", "/nonexistent.hex"}, 5, "Nothing was sent"},
        {{"--simulate=refuse-connect", "info"}, 2, "refused the connection"},
        {{"--simulate=adapter-off", "scan"}, 2, "switched off"},
        {{"--help"}, 0, "Exit status:"},
        {{"programme", "upload", "--help"}, 0, "--no-verify"},
    };
    for (const auto& c : cases) {
        const int code = run(c.arguments);
        const std::string where = c.arguments.join(' ').toStdString();
        EXPECT_EQ(code, c.code) << where << "\n" << errText.toStdString();
        const QString& text = c.code == 0 ? outText : errText;
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.says)))
            << where << ": " << text.toStdString();
        // An error is one line.
        if (c.code != 0) {
            EXPECT_EQ(errText.count('\n'), 1) << where;
        }
    }
}

TEST_F(CliTest, TwoLampsWithoutChoiceListThemAndAChoiceFindsOne) {
    EXPECT_EQ(run({"--simulate=lamps=2", "info"}), 1);
    EXPECT_TRUE(errText.contains("AQ Lamp 2")) << errText.toStdString();
    EXPECT_TRUE(errText.contains(QString::fromStdString(lamps[0]->identifier())));
    EXPECT_EQ(run({"--simulate=lamps=2", "--lamp", "Nowhere", "info"}), 2);
    ASSERT_EQ(run({"--simulate=lamps=2", "--lamp", "aq lamp 2", "info", "--json"}), 0)
        << errText.toStdString();
    EXPECT_EQ(json()["identifier"].toString().toStdString(), lamps[1]->identifier());
    EXPECT_EQ(run({"--simulate=lamps=2", "scan", "--json"}), 0);
    EXPECT_EQ(json().array().size(), 2);
    EXPECT_TRUE(json().array()[1].toObject().contains("rssi"));
}

TEST_F(CliTest, InfoJsonDescribesTheLamp) {
    ASSERT_EQ(run({"--simulate", "info", "--json"}), 0) << errText.toStdString();
    const QJsonObject o = json().object();
    const SimLampModel m = model();
    EXPECT_EQ(o["serial"].toString(), QString::fromStdString(serialText(m.serialNumber)));
    EXPECT_EQ(o["firmware"].toString().toStdString(), m.firmwareText());
    EXPECT_EQ(o["slaves"].toInt(), 2);
    EXPECT_EQ(o["mode"].toString(), "normal");
    ASSERT_EQ(o["channels"].toArray().size(), int(m.channels.size()));
    EXPECT_EQ(o["channels"].toArray()[1].toObject()["name"].toString().toStdString(),
              m.channels[1].name);
    EXPECT_EQ(o["presettings"].toArray().size(), 6);
    EXPECT_TRUE(o["clock_difference_s"].isDouble());
    // The lamp's name is recorded for it, as the app does.
    EXPECT_TRUE(names.lookUp(lamps[0]->identifier()).has_value());
}

TEST_F(CliTest, WritesLeaveTheLampHoldingWhatWasAsked) {
    const struct {
        QStringList arguments;
        std::function<bool(const SimLampModel&)> holds;
        const char* says;
    } cases[] = {
        {{"clock", "set", "2025-01-02 03:04:05"},
         [this](const SimLampModel&) { return lamps[0]->clock().year == 2025; },
         "2025-01-02 03:04"},
        {{"clock", "sync"},
         [this](const SimLampModel&) { return lamps[0]->clock().day == 14; },
         "2026-03-14 15:09"},
        {{"name", "set", "Tank"},
         [](const SimLampModel& m) { return m.nameText() == "Tank"; },
         "\"Tank\""},
        {{"mode", "demo"}, [](const SimLampModel& m) { return m.mode == 3; }, "demo mode"},
        {{"demo-loop", "on"}, [](const SimLampModel& m) { return m.demoLoop == 1; }, "is on"},
        {{"moon", "set", "--day", "9", "--intensity", "30", "--lamps", "0,2", "--window",
          "20:00-06:30"},
         [](const SimLampModel& m) {
             return m.moonDay == 9 && m.moonMax == 30 && m.moonStart == 1200 && m.moonEnd == 390 &&
                    m.devices[1].moonActive == 0 && m.devices[2].moonActive != 0;
         },
         "Slave #1: moon off"},
        {{"weather", "set", "--clouds", "4", "--lightning-off", "--bolt-window", "10:00-11:00"},
         [](const SimLampModel& m) {
             return m.cloudsPerDay == 4 && m.boltsPerHour == 0 && m.boltsStart == 600;
         },
         "4 a day"},
        {{"test", "bolt"}, [](const SimLampModel& m) { return m.testBolts == 1; }, "lightning"},
        {{"live", "Red=50", "0=100"},
         [](const SimLampModel& m) {
             return m.mode == 2 && m.devices[0].liveValues[1] == 127 &&
                    m.devices[0].liveValues[0] == 255 && m.devices[0].liveValues[2] == 0;
         },
         "stays in live mode"},
    };
    for (const auto& c : cases) {
        const std::string where = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run(QStringList{"--simulate"} + c.arguments), 0)
            << where << errText.toStdString();
        EXPECT_TRUE(c.holds(model())) << where;
        EXPECT_TRUE(outText.contains(c.says)) << where << ": " << outText.toStdString();
    }
    EXPECT_EQ(names.lookUp(lamps[0]->identifier()), "Tank");
}

TEST_F(CliTest, LiveHoldReturnsToNormalOnInterrupt) {
    dispatch.singleShot(30.0, [this] { interrupts.fetch_add(1); });
    ASSERT_EQ(run({"--simulate", "live", "White=80", "--hold"}), 0) << errText.toStdString();
    EXPECT_EQ(model().mode, 0);
    EXPECT_EQ(model().devices[0].liveValues[4], 0);
    EXPECT_TRUE(outText.contains("back in normal operation"));
}

TEST_F(CliTest, UploadSendsOnlyWhatDiffersAndSaysWhenNothingDoes) {
    const QString saved = file("day.aqp");
    ASSERT_EQ(run({"--simulate", "programme", "download", "-o", saved}), 0)
        << errText.toStdString();
    // Saved through the preset text's precision, the file differs a little
    // from what the lamp holds; once sent, the lamp holds exactly the file.
    ASSERT_EQ(run({"--simulate", "programme", "upload", saved, "--json"}), 0)
        << errText.toStdString();
    EXPECT_TRUE(json()["verified"].toBool());
    ASSERT_EQ(run({"--simulate", "programme", "upload", saved}), 0) << errText.toStdString();
    EXPECT_EQ(outText.trimmed(), "The lamp already holds this programme.");

    // A copy for slave 2 sends only there, and everything with --full.
    ASSERT_EQ(
        run({"--simulate", "programme", "upload", saved, "--device", "2", "--full", "--json"}), 0);
    const QJsonArray sent = json()["sent"].toArray();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].toObject()["device"].toInt(), 2);
    EXPECT_EQ(sent[0].toObject()["channels"].toArray().size(), int(model().channels.size()));
    EXPECT_EQ(model().devices[2].programme, model().devices[0].programme);

    ASSERT_EQ(
        run({"--simulate", "programme", "download", "--device", "all", "-o", file("all.aqp")}), 0);
    for (const char* name : {"all-0.aqp", "all-1.aqp", "all-2.aqp"}) {
        EXPECT_TRUE(QFile::exists(file(name))) << name;
    }
    ASSERT_EQ(run({"--simulate", "presetting", "download", "3", "-o", file("p3.aqp")}), 0);
    EXPECT_TRUE(presetProgramme(read("p3.aqp").toStdString(), model().channels.size()).complete);
}

TEST_F(CliTest, UploadFailuresSayWhatIsLeft) {
    const QString saved = file("day.aqp");
    ASSERT_EQ(run({"--simulate", "presetting", "download", "2", "-o", saved}), 0);
    const QByteArray text = read("day.aqp");

    // The lamp goes away part way: exit 3 naming the device and channels left.
    const std::uint64_t before = lamps[0]->receivedCount();
    const SimProgramme held = model().devices[0].programme;
    faults = [before](SimModelLamp& lamp) {
        SimFaults f;
        f.dropLinkAt = before + 60;
        lamp.setFaults(f);
    };
    EXPECT_EQ(run({"--simulate", "programme", "upload", saved, "--full"}), 3);
    EXPECT_TRUE(errText.contains("not written: Master: ")) << errText.toStdString();
    EXPECT_TRUE(errText.contains("Purple")) << errText.toStdString();

    // Ctrl+C stops between two commands and says what was not written.
    faults = {};
    dispatch.singleShot(2.0, [this] { interrupts.fetch_add(1); });
    EXPECT_EQ(run({"--simulate", "programme", "upload", saved, "--full"}), 3);
    EXPECT_TRUE(errText.contains("Interrupted: Stopped at Master, channel"))
        << errText.toStdString();
    EXPECT_TRUE(errText.contains("not written: Master: ")) << errText.toStdString();

    // A point read back differently: exit 4 naming device, channel and point.
    faults = [this](SimModelLamp& lamp) {
        SimFaults f;
        f.spoilPointAt = lamp.receivedCount() + 25;  // channel 0, its second point
        f.spoilPointByDropping = false;
        lamp.setFaults(f);
    };
    EXPECT_EQ(run({"--simulate", "programme", "upload", saved, "--full"}), 4);
    EXPECT_TRUE(
        errText.contains(QRegularExpression("Master, channel \\S.*: point \\d+ reads "
                                            "\\d\\d:\\d\\d \\d+ %, sent")))
        << errText.toStdString();
    faults = {};

    // A file with fewer channels than the lamp: exit 5, nothing sent.
    const SimProgramme now = model().devices[0].programme;
    const QString partial = write("partial.aqp", text.split('?').mid(0, 2).join('?'));
    EXPECT_EQ(run({"--simulate", "programme", "upload", partial, "--full"}), 5);
    EXPECT_TRUE(errText.contains("holds 2 channels")) << errText.toStdString();
    EXPECT_EQ(model().devices[0].programme, now);
}

TEST_F(CliTest, FirmwareRefusesBadFilesAndUnconfirmedRunsBeforeSending) {
    const QString bad = write("bad.hex", ":0400000001020304F2\r");  // no end record
    ASSERT_EQ(run({"--simulate", "info"}), 0);
    const std::uint64_t before = lamps[0]->receivedCount();
    EXPECT_EQ(run({"--simulate", "firmware", "update", bad, "--yes"}), 5);
    EXPECT_TRUE(errText.contains("cut short")) << errText.toStdString();
    EXPECT_EQ(lamps[0]->receivedCount(), before);

    const QString good = write("good.hex", ":0400000001020304F2\r:00000001FF\r");
    // Without a terminal a question cannot be asked.
    EXPECT_EQ(run({"--simulate", "firmware", "update", good}), 1);
    EXPECT_EQ(lamps[0]->receivedCount(), before);
    ASSERT_EQ(run({"--simulate", "firmware", "update", good, "--yes"}), 0) << errText.toStdString();
    EXPECT_EQ(lamps[0]->bootLoader().completedUpdates(), 1);
    EXPECT_TRUE(errText.contains("1/1 pages, 100%")) << errText.toStdString();
}

}  // namespace
}  // namespace aq::test
