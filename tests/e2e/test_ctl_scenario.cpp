// aqlampctl as a script runs it, against the stand-in BlueZ: scan, info as
// JSON, a programme uploaded and downloaded back.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

#include "StandInBus.h"
#include "session/PresetProgramme.h"

namespace aq::test {
namespace {

struct CtlRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

class CtlScenario : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(standIn.start({"--slaves", "0", "--delay-ms", "2"}, error)) << error;
    }
    void TearDown() override {
        if (HasFailure()) std::cerr << "---- stand-in log\n" << standIn.log() << "----\n";
        standIn.stop();
    }

    // Without a display, with settings and log of its own.
    CtlRun ctl(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_STATE_HOME", home.filePath("state"));
        process.setProcessEnvironment(env);
        process.start(qEnvironmentVariable("AQ_CTL"), arguments);
        CtlRun run;
        if (!process.waitForFinished(60000)) return run;
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = process.readAllStandardOutput();
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    StandIn standIn;
    QTemporaryDir home;
};

TEST_F(CtlScenario, ScanInfoUploadAndDownloadBack) {
    const CtlRun scan = ctl({"scan", "--json", "--time", "3"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    const QJsonArray found = QJsonDocument::fromJson(scan.out).array();
    ASSERT_EQ(found.size(), 1) << scan.out.toStdString();
    const QString lamp = found[0].toObject()["identifier"].toString();
    ASSERT_FALSE(lamp.isEmpty());

    const CtlRun info = ctl({"--lamp", lamp, "info", "--json"});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(info.out).object();
    EXPECT_EQ(o["identifier"].toString(), lamp);
    const int channels = o["channels"].toArray().size();
    ASSERT_GT(channels, 0);
    EXPECT_EQ(o["slaves"].toInt(), 0);

    // A presetting's programme sent as the day programme, then read back.
    const QString preset = home.filePath("preset.aqp");
    const CtlRun saved = ctl({"--lamp", lamp, "presetting", "download", "2", "-o", preset});
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    const CtlRun upload = ctl({"--lamp", lamp, "programme", "upload", preset, "--json"});
    ASSERT_EQ(upload.exitCode, 0) << upload.err.toStdString();
    EXPECT_TRUE(QJsonDocument::fromJson(upload.out)["verified"].toBool());

    QFile file(preset);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const PresetProgramme sent = presetProgramme(file.readAll().toStdString(), channels);
    ASSERT_TRUE(sent.complete);
    const auto held = standIn.programme(0, 0);
    ASSERT_EQ(held.size(), sent.channels.size());
    for (std::size_t c = 0; c < held.size(); ++c) {
        ASSERT_EQ(held[c].size(), sent.channels[c].size()) << "channel " << c;
        for (std::size_t p = 0; p < held[c].size(); ++p) {
            EXPECT_EQ(held[c][p].first, sent.channels[c][p].offset) << c << "/" << p;
            EXPECT_EQ(held[c][p].second, sent.channels[c][p].level) << c << "/" << p;
        }
    }

    const QString back = home.filePath("back.aqp");
    const CtlRun download = ctl({"--lamp", lamp, "programme", "download", "-o", back});
    ASSERT_EQ(download.exitCode, 0) << download.err.toStdString();
    QFile backFile(back);
    ASSERT_TRUE(backFile.open(QIODevice::ReadOnly));
    const PresetProgramme read = presetProgramme(backFile.readAll().toStdString(), channels);
    ASSERT_TRUE(read.complete);
    // Read back through the preset text's three decimals, every point is
    // the one sent to within the text's precision.
    ASSERT_EQ(read.channels.size(), sent.channels.size());
    for (std::size_t c = 0; c < read.channels.size(); ++c) {
        ASSERT_EQ(read.channels[c].size(), sent.channels[c].size()) << "channel " << c;
        for (std::size_t p = 0; p < read.channels[c].size(); ++p) {
            EXPECT_NEAR(read.channels[c][p].offset, sent.channels[c][p].offset, 2) << c << "/" << p;
            EXPECT_NEAR(read.channels[c][p].level, sent.channels[c][p].level, 1) << c << "/" << p;
        }
    }
    // The same file sent again finds nothing to send.
    const CtlRun same = ctl({"--lamp", lamp, "programme", "upload", preset});
    ASSERT_EQ(same.exitCode, 0) << same.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(same.out).trimmed(), "The lamp already holds this programme.");
}

}  // namespace
}  // namespace aq::test
