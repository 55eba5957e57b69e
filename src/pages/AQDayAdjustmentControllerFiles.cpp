// The day page's preset files: the chart's curves as text, saved and loaded.
#include "pages/AQDayAdjustmentController.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include "pages/Alerts.h"
#include "pages/NSDayAdjustment.h"
#include "pages/PresetFile.h"

namespace aq {

namespace {

// Far beyond the largest chart (255 channels of 144 points): anything bigger
// is not a preset file and is not read into memory.
constexpr qint64 kMaxPresetFileSize = 4 * 1024 * 1024;

const QString kSaveFailed = QStringLiteral("The preset file could not be saved");
const QString kLoadFailed = QStringLiteral("The preset file could not be loaded");

QString shownName(const QString& path) {
    return QStringLiteral("\u201c%1\u201d").arg(QFileInfo(path).fileName());
}

}  // namespace

void AQDayAdjustmentController::btnSavePressed() {
    auto* dialog = new QFileDialog(mainWindow(), QStringLiteral("Save Preset"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("Preset files (*.aqp)"));
    dialog->setDefaultSuffix(QStringLiteral("aqp"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { saveToFile(path); });
    dialog->open();
}

void AQDayAdjustmentController::btnLoadPressed() {
    auto* dialog = new QFileDialog(mainWindow(), QStringLiteral("Load Preset"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(
        {QStringLiteral("Preset files (*.aqp)"), QStringLiteral("All files (*)")});
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
        showAlert(mainWindow(), kSaveFailed,
                  QStringLiteral("%1 could not be written: %2. The curves are still in the chart.")
                      .arg(shownName(path), file.errorString()));
    }
    return ok;
}

bool AQDayAdjustmentController::loadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showAlert(mainWindow(), kLoadFailed,
                  QStringLiteral("%1 could not be read: %2. The chart was not changed.")
                      .arg(shownName(path), file.errorString()));
        return false;
    }
    if (file.size() > kMaxPresetFileSize) {
        showAlert(mainWindow(), kLoadFailed,
                  QStringLiteral("%1 is too large to be a preset file. The chart was not changed.")
                      .arg(shownName(path)));
        return false;
    }
    const QByteArray bytes = file.read(kMaxPresetFileSize + 1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    if (utf8.hasError() || file.error() != QFileDevice::NoError) {
        showAlert(mainWindow(), kLoadFailed,
                  QStringLiteral("%1 is not a text file. The chart was not changed.")
                      .arg(shownName(path)));
        return false;
    }
    const std::string text = decoded.toStdString();
    const auto channels = presetChannels(text);
    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    const std::size_t usable = std::min<std::size_t>(channels.size(), graph.channelCount());
    QStringList skipped;
    // Empty channels alone (a file of "?" and noise) do not make a preset.
    bool anyReadable = false;
    for (std::size_t i = 0; i < usable; ++i) {
        if (!channels[i]) {
            skipped << QString::number(i + 1);
        } else if (!channels[i]->empty()) {
            anyReadable = true;
        }
    }
    if (!anyReadable) {
        showAlert(mainWindow(), kLoadFailed,
                  QStringLiteral("%1 holds no day curves this chart can read. The chart was not "
                                 "changed.")
                      .arg(shownName(path)));
        return false;
    }
    // File channel i goes into chart channel i; further ones on either side
    // are left alone. The load is one step of the chart's history.
    std::vector<ChannelChange> changes;
    for (std::size_t i = 0; i < usable; ++i) {
        if (!channels[i]) continue;
        const auto ch = static_cast<std::uint8_t>(i);
        changes.push_back(ChannelChange{ch, channelPoints(graph, ch), {}});
        const auto channel = graph.channelAtIndex(ch);
        channel->setSelectedPoint(-1);
        if (channels[i]->empty()) {
            channel->clear();
        } else {
            channel->channelFromString(*channels[i]);
        }
    }
    for (ChannelChange& change : changes) change.after = channelPoints(graph, change.channel);
    record(std::move(changes), tr("load preset file"));
    _dayAdjustment->update();
    if (!skipped.isEmpty()) {
        showAlert(mainWindow(), QStringLiteral("Part of the preset file could not be read"),
                  QStringLiteral("Channel %1 of %2 could not be read and kept its curve.")
                      .arg(skipped.join(QStringLiteral(", ")), shownName(path)));
    }
    return true;
}

}  // namespace aq
