// Day programmes and presettings: download to and upload from preset files.
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSaveFile>

#include <cmath>

#include "cli/Cli.h"
#include "cli/CliText.h"
#include "session/PresetProgramme.h"

namespace aq::cli {

namespace {

QString channelName(Run& run, std::uint8_t channel) {
    const auto& channels = run.lampDescription().channels;
    return channel < channels.size() ? QString::fromStdString(channels[channel].name)
                                     : QString::number(channel);
}

QString pointText(const LampPoint& p) { return QString::fromStdString(lampPointText(p)); }

// A transfer control that reports to a progress bar on the main thread and
// stops between two commands once the user pressed Ctrl+C.
struct TransferWatch {
    explicit TransferWatch(Run& run)
        : progress(run, tr("commands"), false), control([this, &run](const TransferProgress& p) {
              if (run.interruptsSeen() > 0) control.requestCancel();
              if (p.commandTotal > 0) {
                  run.context.dispatch.postToMain([this, done = p.command, total = p.commandTotal] {
                      progress.update(done, total);
                  });
              }
          }) {}
    Progress progress;
    TransferControl control;
};

bool saveFile(Run& run, const QString& path, const std::string& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != qint64(text.size()) ||
        !file.commit()) {
        run.fail(kBadFile,
                 tr("Cannot write %1 (%2): choose another file.").arg(path, file.errorString()));
        return false;
    }
    return true;
}

QString stopText(Run& run, const TransferStop& stop, bool reading) {
    const QString where =
        reading ? tr("channel %1").arg(channelName(run, stop.channel))
                : tr("%1, channel %2").arg(deviceName(stop.device), channelName(run, stop.channel));
    const QString at =
        stop.point < 0 ? tr("its number of points") : tr("point %1").arg(stop.point + 1);
    return stop.cancelled ? tr("Stopped at %1, %2").arg(where, at)
                          : tr("The lamp stopped answering at %1, %2").arg(where, at);
}

// Reads the programme of the device (or the presetting, when `presetting`)
// into a preset file.
int download(Run& run, std::optional<std::uint8_t> presetting, std::uint8_t device,
             const QString& path) {
    TransferWatch watch(run);
    ProgrammeRead read;
    run.session->runOnWorkerAndWait([&] {
        read = presetting ? run.session->downloadPresetting(*presetting, &watch.control)
                          : run.session->downloadProgramme(device, &watch.control);
    });
    watch.progress.finish();
    if (read.stop) {
        return run.fail(
            kStopped, tr("%1: nothing was saved; try again.").arg(stopText(run, *read.stop, true)));
    }
    if (!saveFile(run, path, presetText(read.channels))) return kBadFile;
    return kOk;
}

std::optional<QString> outputOption(Run& run) {
    const std::optional<QString> path = run.value("o");
    if (!path || path->isEmpty()) {
        run.fail(kUsage, tr("Name the file to write with -o FILE.aqp."));
        return std::nullopt;
    }
    return path;
}

}  // namespace

int programmeDownloadCommand(Run& run) {
    if (!run.arguments.isEmpty())
        return run.fail(kUsage, tr("programme download takes no arguments."));
    const std::optional<QString> path = outputOption(run);
    if (!path) return kUsage;
    if (const int code = run.openLamp()) return code;
    const auto devices = devicesOption(run, "0");
    if (!devices) return kUsage;
    QJsonArray files;
    for (std::uint8_t device : *devices) {
        // With all, one file per device beside the name given.
        QString file = *path;
        if (devices->size() > 1) {
            const QFileInfo info(*path);
            const QString suffix = info.suffix().isEmpty() ? "aqp" : info.suffix();
            file = info.path() + '/' + info.completeBaseName() + '-' + QString::number(device) +
                   '.' + suffix;
        }
        if (const int code = download(run, std::nullopt, device, file)) return code;
        files.append(QJsonObject{{"device", device}, {"file", file}});
        if (!run.json) run.print(tr("%1's programme saved to %2.").arg(deviceName(device), file));
    }
    if (run.json) run.printJson(QJsonObject{{"files", files}});
    return kOk;
}

int presettingListCommand(Run& run) {
    if (!run.arguments.isEmpty())
        return run.fail(kUsage, tr("presetting list takes no arguments."));
    if (const int code = run.openLamp()) return code;
    const auto& names = run.lampDescription().presettings;
    QJsonArray list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QString name = QString::fromStdString(names[i]);
        list.append(QJsonObject{{"number", int(i + 1)}, {"name", name}});
        if (!run.json) run.print(QString("%1  %2").arg(i + 1).arg(name));
    }
    if (run.json) run.printJson(list);
    return kOk;
}

int presettingDownloadCommand(Run& run) {
    bool ok = false;
    const int number = run.arguments.size() == 1 ? run.arguments.front().toInt(&ok) : 0;
    if (!ok || number < 1 || number > 6) {
        return run.fail(kUsage, tr("presetting download needs a presetting number from 1 to 6."));
    }
    const std::optional<QString> path = outputOption(run);
    if (!path) return kUsage;
    if (const int code = run.openLamp()) return code;
    if (const int code = download(run, static_cast<std::uint8_t>(number - 1), 0, *path))
        return code;
    if (run.json) {
        run.printJson(QJsonObject{{"presetting", number}, {"file", *path}});
    } else {
        run.print(tr("Presetting %1 saved to %2.").arg(number).arg(*path));
    }
    return kOk;
}

int programmeUploadCommand(Run& run) {
    if (run.arguments.size() != 1) {
        return run.fail(kUsage, tr("programme upload needs one preset file: programme upload "
                                   "FILE.aqp."));
    }
    const QString path = run.arguments.front();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return run.fail(
            kBadFile,
            tr("Cannot read %1 (%2): check the file name.").arg(path, file.errorString()));
    }
    const QByteArray bytes = file.read(qint64(kMaxPresetFileSize) + 1);
    if (bytes.size() > qint64(kMaxPresetFileSize)) {
        return run.fail(kBadFile,
                        tr("%1 is too large for a preset file: nothing was sent.").arg(path));
    }
    if (const int code = run.openLamp()) return code;
    const std::size_t channels = run.lampDescription().channels.size();
    const PresetProgramme preset =
        presetProgramme(std::string_view(bytes.constData(), std::size_t(bytes.size())), channels);
    if (!preset.complete) {
        QString why;
        if (preset.load.outcome != PresetLoad::Outcome::Loaded) {
            why = tr("%1 is no preset file").arg(path);
        } else if (!preset.load.skipped.empty()) {
            why = tr("%1: channel %2 cannot be read").arg(path).arg(preset.load.skipped.front());
        } else {
            why = tr("%1 holds %2 channels, the lamp has %3")
                      .arg(path)
                      .arg(preset.fileChannels)
                      .arg(channels);
        }
        return run.fail(kBadFile, tr("%1: nothing was sent; use a whole programme saved for "
                                     "this lamp.")
                                      .arg(why));
    }
    const auto devices = devicesOption(run, "0");
    if (!devices) return kUsage;
    const bool full = run.isSet("full");
    const bool verify = !run.isSet("no-verify");

    TransferWatch watch(run);
    LampSession::Upload upload;
    std::optional<std::pair<std::uint8_t, TransferStop>> readStop;
    run.session->runOnWorkerAndWait([&] {
        // A new connection knows nothing of the lamp: read what it holds, so
        // that only what differs is sent.
        if (!full) {
            for (std::uint8_t device : *devices) {
                const ProgrammeRead read = run.session->downloadProgramme(device, &watch.control);
                if (read.stop) {
                    readStop = std::make_pair(device, *read.stop);
                    return;
                }
            }
        }
        upload =
            run.session->uploadProgramme(*devices, preset.channels, full, verify, &watch.control);
    });
    watch.progress.finish();
    if (readStop) {
        return run.fail(
            kStopped, tr("%1's programme could not be read (%2): nothing was sent; "
                         "try again, or send everything with --full.")
                          .arg(deviceName(readStop->first), stopText(run, readStop->second, true)));
    }
    if (upload.plan.targets.empty()) {
        if (run.json) {
            run.printJson(
                QJsonObject{{"sent", QJsonArray()}, {"commands", 0}, {"verified", verify}});
        } else {
            run.print(tr("The lamp already holds this programme."));
        }
        return kOk;
    }
    const UploadResult& result = upload.result;
    if (result.stop) {
        const TransferStop& stop = *result.stop;
        // What was not written: the channel stopped at and those after it
        // on that device, and the devices after it.
        QStringList left;
        for (const UploadPlan::Target& t : upload.plan.targets) {
            QStringList names;
            for (std::uint8_t c : t.channels) {
                if (t.device > stop.device || (t.device == stop.device && c >= stop.channel)) {
                    names << channelName(run, c);
                }
            }
            if (!names.isEmpty()) left << tr("%1: %2").arg(deviceName(t.device), names.join(", "));
        }
        return run.fail(kStopped, tr("%1; not written: %2. Run the upload again.")
                                      .arg(stopText(run, stop, false), left.join("; ")));
    }
    if (result.mismatch) {
        const VerifyMismatch& m = *result.mismatch;
        const QString where =
            tr("%1, channel %2").arg(deviceName(m.device), channelName(run, m.channel));
        const QString what = m.point < 0
                                 ? tr("reads %1 points, sent %2").arg(m.readCount).arg(m.sentCount)
                                 : tr("point %1 reads %2, sent %3")
                                       .arg(m.point + 1)
                                       .arg(pointText(m.read), pointText(m.sent));
        return run.fail(kMismatch, tr("%1: %2. Run the upload again.").arg(where, what));
    }
    QJsonArray sent;
    for (const UploadPlan::Target& t : upload.plan.targets) {
        QJsonArray names;
        QStringList list;
        for (std::uint8_t c : t.channels) {
            names.append(channelName(run, c));
            list << channelName(run, c);
        }
        sent.append(QJsonObject{{"device", t.device}, {"channels", names}});
        if (!run.json) {
            run.print(tr("%1: sent %2%3.")
                          .arg(deviceName(t.device), list.join(", "),
                               verify ? tr(" (read back and checked)") : QString()));
        }
    }
    if (run.json) {
        run.printJson(
            QJsonObject{{"sent", sent}, {"commands", result.commands}, {"verified", verify}});
    }
    return kOk;
}

}  // namespace aq::cli
