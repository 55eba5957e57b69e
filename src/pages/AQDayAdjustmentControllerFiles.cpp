// The day page's preset files: the chart's curves as text, saved and loaded.
#include "pages/AQDayAdjustmentController.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

#include "curve/PresetFile.h"
#include "link/RegularFile.h"
#include "pages/Alerts.h"
#include "pages/NSDayAdjustment.h"

namespace aq {

namespace {

QString saveFailed() { return AQDayAdjustmentController::tr("The preset file could not be saved"); }
QString loadFailed() { return AQDayAdjustmentController::tr("The preset file could not be loaded"); }

QString shownName(const QString& path) {
    return QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
}

}  // namespace

void AQDayAdjustmentController::btnSavePressed() {
    auto* dialog = new QFileDialog(mainWindow(), tr("Save Preset"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(tr("Preset files (*.aqp)"));
    dialog->setDefaultSuffix(QStringLiteral("aqp"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { saveToFile(path); });
    dialog->open();
}

void AQDayAdjustmentController::btnLoadPressed() {
    auto* dialog = new QFileDialog(mainWindow(), tr("Load Preset"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(
        {tr("Preset files (*.aqp)"), tr("All files (*)")});
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { loadFromFile(path); });
    dialog->open();
}

bool AQDayAdjustmentController::saveToFile(const QString& path) {
    const std::string text = _dayAdjustment->daGraph().channelsAsString();
    // Written aside and put in place only when complete, so a full disk or a
    // refused write never leaves a cut-off file where a good one was.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    ok = ok && file.write(text.data(), qint64(text.size())) == qint64(text.size());
    ok = ok && file.commit();
    if (!ok) {
        file.cancelWriting();
        showAlert(mainWindow(), saveFailed(),
                  tr("%1 could not be written: %2. The curves are still in the chart.")
                      .arg(shownName(path), file.errorString()));
    }
    return ok;
}

bool AQDayAdjustmentController::loadFromFile(const QString& path) {
    std::string bytes;
    int error = 0;
    switch (
        readRegularFile(QFile::encodeName(path).toStdString(), kMaxPresetFileSize, bytes, &error)) {
        case FileReadStatus::Read:
            break;
        case FileReadStatus::CannotOpen:
            showAlert(mainWindow(), loadFailed(),
                      tr("%1 could not be read: %2. The chart was not changed.")
                          .arg(shownName(path), QString::fromLocal8Bit(std::strerror(error))));
            return false;
        case FileReadStatus::NotAFile:
            showAlert(mainWindow(), loadFailed(),
                      tr("%1 is no file but a folder, pipe or device. The chart was not changed.")
                          .arg(shownName(path)));
            return false;
        case FileReadStatus::TooLarge:
            showAlert(
                mainWindow(), loadFailed(),
                tr("%1 is too large to be a preset file. The chart was not changed.")
                    .arg(shownName(path)));
            return false;
    }
    // The load is one step of the chart's history: every channel's points
    // before and after (a channel the file leaves alone comes back as it was).
    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    std::vector<ChannelChange> changes;
    for (std::size_t i = 0; i < graph.channelCount(); ++i) {
        const auto ch = static_cast<std::uint8_t>(i);
        changes.push_back(ChannelChange{ch, channelPoints(graph, ch), {}});
    }
    const PresetLoad loaded = loadPresetText(bytes, graph);
    switch (loaded.outcome) {
        case PresetLoad::Outcome::NotText:
            showAlert(mainWindow(), loadFailed(),
                      tr("%1 is not a text file. The chart was not changed.")
                          .arg(shownName(path)));
            return false;
        case PresetLoad::Outcome::NoCurves:
            showAlert(mainWindow(), loadFailed(),
                      tr("%1 holds no day curves this chart can read. The chart was "
                                     "not changed.")
                          .arg(shownName(path)));
            return false;
        case PresetLoad::Outcome::Loaded:
            break;
    }
    for (ChannelChange& change : changes) change.after = channelPoints(graph, change.channel);
    record(std::move(changes), tr("load preset file"));
    _dayAdjustment->update();
    if (!loaded.skipped.empty()) {
        QStringList skipped;
        for (const std::size_t channel : loaded.skipped) skipped << QString::number(channel + 1);
        showAlert(mainWindow(), tr("Part of the preset file could not be read"),
                  tr("Channel %1 of %2 could not be read and kept its curve.")
                      .arg(skipped.join(QStringLiteral(", ")), shownName(path)));
    }
    return true;
}

}  // namespace aq
