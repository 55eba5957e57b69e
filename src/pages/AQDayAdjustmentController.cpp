#include "pages/AQDayAdjustmentController.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QUndoStack>
#include <QVBoxLayout>

#include "link/BTLEController.h"
#include "pages/AQTableSheetController.h"
#include "pages/NSDayAdjustment.h"
#include "pages/PageLook.h"
#include "session/GlobalStore.h"
#include "widgets/AQButton.h"

#include <algorithm>

namespace aq {

AQDayAdjustmentController::AQDayAdjustmentController(QObject* parent)
    : AQController(QStringLiteral("dayadjustment"), parent),
      _tscDevice(new AQTableSheetController(this)),
      _tscChannel(new AQTableSheetController(this)),
      _tscPresets(new AQTableSheetController(this)) {
    _tscDevice->setTitle(tr("Lamp to program"));
    _tscChannel->setTitle(tr("Channel to edit"));
    _tscPresets->setTitle(tr("Presetting to load"));
    _sheetSetup = false;
    buildView();
    buildHistory();
    // Reading every uploaded channel back is on unless turned off here.
    _verifyAction = new QAction(tr("Verify Uploads"), this);
    _verifyAction->setCheckable(true);
    _verifyAction->setChecked(true);
    connect(_verifyAction, &QAction::toggled, this, [](bool on) {
        Preferences& preferences = GlobalStore::sharedInstance().preferences();
        preferences.setValue(kVerifyUploadsKey, PreferenceValue(std::int64_t{on ? 1 : 0}));
        preferences.synchronize();
    });
}

AQDayAdjustmentController::~AQDayAdjustmentController() = default;

void AQDayAdjustmentController::buildView() {
    // The chart wants the height: the heading sits closer to the top.
    QVBoxLayout* layout = newPageLayout(QString());
    QWidget* page = layout->parentWidget();
    layout->setContentsMargins(look::kPageMargin, look::kSpacing, look::kPageMargin,
                               look::kPageMargin);

    auto* heading = new QHBoxLayout;
    heading->addWidget(look::pageTitle(tr("Day programme")));
    heading->addStretch(1);
    _caption = look::caption(QString());
    heading->addWidget(_caption);
    layout->addLayout(heading);

    _dayAdjustment = new NSDayAdjustment;
    layout->addWidget(_dayAdjustment, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    const auto add = [&](const char* title,
                         void (AQDayAdjustmentController::*action)()) -> AQButton* {
        AQButton* b = look::button(tr(title));
        b->setMinimumWidth(0);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setObjectName(QString::fromUtf8(title));
        connect(b, &AQButton::clicked, this, action);
        buttons->addWidget(b);
        return b;
    };
    add(QT_TR_NOOP("Channel"), &AQDayAdjustmentController::btnChannelPressed);
    add(QT_TR_NOOP("Presets"), &AQDayAdjustmentController::btnPresetsPressed)
        ->setToolTip(tr("Loads one of the programmes stored in the lamp into the chart."));
    // Lit while the lamp shows the preview; a second click ends it.
    _btnPreview = add(QT_TR_NOOP("Preview"), &AQDayAdjustmentController::btnPreviewPressed);
    _btnPreview->setToggleButton(true);
    _btnPreview->setToolTip(
        tr("The lamp shows its day programme in preview mode until clicked again or the "
           "page is left."));
    look::styleToggle(*_btnPreview);
    buttons->addSpacing(look::kSpacing);
    add(QT_TR_NOOP("Download"), &AQDayAdjustmentController::btnDownloadPressed);
    add(QT_TR_NOOP("Upload"), &AQDayAdjustmentController::btnUploadPressed);
    buttons->addSpacing(look::kSpacing);
    add(QT_TR_NOOP("Save"), &AQDayAdjustmentController::btnSavePressed);
    add(QT_TR_NOOP("Load"), &AQDayAdjustmentController::btnLoadPressed);
    layout->addLayout(buttons);
    setView(page);

    _dayAdjustment->setOnEdit([this](ChannelChange change, const QString& what) {
        std::vector<ChannelChange> changes;
        changes.push_back(std::move(change));
        record(std::move(changes), what);
    });
    _dayAdjustment->setOnChannelPicked([this](std::uint8_t) { updateCaption(); });
}

void AQDayAdjustmentController::buildHistory() {
    _history = new QUndoStack(this);
    _undoAction = new QAction(tr("Undo"), this);
    _undoAction->setShortcut(QKeySequence::Undo);
    _redoAction = new QAction(tr("Redo"), this);
    _redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(_undoAction, &QAction::triggered, this, [this] {
        if (_undoAction->isEnabled()) _history->undo();
    });
    connect(_redoAction, &QAction::triggered, this, [this] {
        if (_redoAction->isEnabled()) _history->redo();
    });
    connect(_history, &QUndoStack::indexChanged, this, [this] { updateHistoryActions(); });
    updateHistoryActions();
}

void AQDayAdjustmentController::updateHistoryActions() {
    // Only while the chart is in front and no transfer is about to replace it.
    const bool usable = _active && !_busy;
    _undoAction->setEnabled(usable && _history->canUndo());
    _redoAction->setEnabled(usable && _history->canRedo());
    _undoAction->setText(_history->canUndo() ? tr("Undo %1").arg(_history->undoText())
                                             : tr("Undo"));
    _redoAction->setText(_history->canRedo() ? tr("Redo %1").arg(_history->redoText())
                                             : tr("Redo"));
}

void AQDayAdjustmentController::record(std::vector<ChannelChange> changes, const QString& what) {
    if (changes.empty()) return;
    _history->push(new CurveEdit(_dayAdjustment->daGraph(), std::move(changes), what,
                                 [this] { chartChanged(); }));
}

void AQDayAdjustmentController::chartChanged() {
    _dayAdjustment->update();
    updateCaption();
}

bool AQDayAdjustmentController::showsPlaceholders() const {
    return _placeholderStep >= 0 && _history->index() == _placeholderStep;
}

QWidget* AQDayAdjustmentController::mainWindow() const {
    if (_mainWindow) return _mainWindow;
    return view() ? view()->window() : nullptr;
}

QWidget* AQDayAdjustmentController::mainView() const {
    if (_mainView) return _mainView;
    QWidget* window = mainWindow();
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->centralWidget()) {
        return main->centralWidget();
    }
    return window ? window : view();
}

QString AQDayAdjustmentController::deviceName(std::uint8_t device) {
    return (device == 0 ? tr("Master #%1") : tr("Slave #%1")).arg(int(device) + 1);
}

void AQDayAdjustmentController::setOnce() {
    if (!_sheetSetup) {
        _sheetSetup = true;
        _tscDevice->setOnDone([this](qint64 row) { deviceChosen(row); });
        _tscChannel->setOnDone([this](qint64 row) { channelChosen(row); });
        _tscPresets->setOnDone([this](qint64 row) { presetChosen(row); });
    }
    // The lists follow the store on every entry: a lamp connected since
    // the last visit may have other slaves, channels and presettings, and a
    // list kept from before would offer lamps and names that are not there.
    QStringList devices{tr("all")};
    const std::uint8_t deviceCount = GlobalStore::deviceCount();
    for (int i = 0; i < deviceCount; ++i) devices << deviceName(static_cast<std::uint8_t>(i));
    _tscDevice->setData(devices);
    if (_device != kAllDevices && _device >= deviceCount && deviceCount > 0) _device = kAllDevices;

    QStringList channels;
    QList<QColor> colors;
    const std::uint8_t channelCount = GlobalStore::channelCount();
    for (int i = 0; i < channelCount; ++i) {
        const auto ch = static_cast<std::uint8_t>(i);
        channels << QString::fromStdString(GlobalStore::channelName(ch).value_or(std::string()));
        const Color c = GlobalStore::channelColor(ch).value_or(Color{});
        colors << QColor::fromRgbF(float(std::clamp(c.red, 0.0, 1.0)),
                                   float(std::clamp(c.green, 0.0, 1.0)),
                                   float(std::clamp(c.blue, 0.0, 1.0)));
    }
    _tscChannel->setData(channels);
    _tscChannel->setColors(colors);

    QStringList presets;
    for (const std::string& name : GlobalStore::sharedInstance().presets()) {
        presets << QString::fromStdString(name);
    }
    _tscPresets->setData(presets);
}

// A row of -1 (the user cleared the choice) or beyond the list chooses
// nothing, rather than some lamp, channel or presetting nobody picked.
void AQDayAdjustmentController::deviceChosen(qint64 row) {
    if (row < 0 || row >= _tscDevice->data().size()) return;
    _device = row == 0 ? kAllDevices : static_cast<std::uint8_t>(row - 1);
    updateCaption();
}

void AQDayAdjustmentController::channelChosen(qint64 row) {
    if (row < 0 || row >= _tscChannel->data().size()) return;
    _dayAdjustment->setChannel(static_cast<std::uint8_t>(row));
    updateCaption();
}

void AQDayAdjustmentController::presetChosen(qint64 row) {
    if (row < 0 || row >= _tscPresets->data().size()) return;
    downloadPreset(static_cast<std::uint8_t>(row));
}

void AQDayAdjustmentController::onEnter() {
    AQController::onEnter();
    _verifyAction->setChecked(verifyUploads());
    setOnce();
    // The history is of this lamp's chart; another lamp begins a new one.
    const std::optional<std::string> lamp = GlobalStore::sharedInstance().connectedUUID();
    if (lamp != _historyLamp) {
        _historyLamp = lamp;
        _history->clear();
        _placeholderStep = -1;
    }
    _active = true;
    _tscDevice->openSheet(mainWindow());

    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    graph.setDrawBorder(false);
    graph.setPaddingTop(12);
    // Room for "100%" and a marker's radius between it and the plot.
    graph.setPaddingLeft(65);
    // Room for half of the "23:59" label, which is centred on the right edge.
    graph.setPaddingRight(30);
    graph.setXParts(8);
    graph.setXLabel(
        {"00:00", "03:00", "06:00", "09:00", "12:00", "15:00", "18:00", "21:00", "23:59"});
    graph.setYParts(10);
    graph.setYLabel({"", "10%", "20%", "30%", "40%", "50%", "60%", "70%", "80%", "90%", "100%"});
    _dayAdjustment->setWnd(mainWindow());
    setPointsFromChannels();
    updateCaption();
    updateHistoryActions();
}

void AQDayAdjustmentController::onLeave() {
    AQController::onLeave();
    _active = false;
    updateHistoryActions();
    _previewing = false;
    _btnPreview->setChecked(false);
    link().setMode(0);
}

void AQDayAdjustmentController::btnChannelPressed() {
    _tscChannel->openSheet(mainWindow(), _dayAdjustment->daGraph().selectedChannelIndex());
}

void AQDayAdjustmentController::btnPresetsPressed() {
    _tscPresets->openSheet(mainWindow());
}

void AQDayAdjustmentController::btnPreviewPressed() {
    _previewing = !_previewing;
    // The button flips itself when clicked; a call from elsewhere sets it.
    _btnPreview->setChecked(_previewing);
    link().setMode(_previewing ? 1 : 0);
}

void AQDayAdjustmentController::setPointsFromChannels() {
    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    graph.channelRemoveAll();
    const std::vector<std::shared_ptr<Channel>> channels = GlobalStore::sharedInstance().channels();
    bool placeholders = false;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const std::shared_ptr<Channel>& channel = channels[i];
        if (!channel->presentChannel()) {
            placeholders = true;
            auto curve = std::make_shared<DayAdjustmentChannel>(channel->color());
            curve->setName(channel->name());
            // New curves start as flat lines a step apart, so none hides
            // another, each a little off the grid's 10 % lines.
            const double v = static_cast<double>(0.1f + 0.05f * static_cast<float>(i)) + 0.02;
            curve->addPoint(CurvePoint{0.0, v});
            curve->addPoint(CurvePoint{1.0, v});
            channel->setPresentChannel(curve);
        }
        graph.channelAdd(channel->presentChannel());
    }
    if (placeholders) {
        // Steps taken on other curves do not apply to these.
        _history->clear();
        _placeholderStep = 0;
    }
    // Keeps the chosen curve when the channels are the same, and a valid one otherwise.
    _dayAdjustment->setChannel(graph.selectedChannelIndex());
}

void AQDayAdjustmentController::updateCaption() {
    const DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    const auto channel = graph.selectedChannel();
    const QString lamp = _device == kAllDevices ? tr("all lamps") : deviceName(_device);
    _caption->setText(channel ? tr("Lamp: %1    Channel: %2")
                                    .arg(lamp, QString::fromStdString(channel->name()))
                              : tr("Lamp: %1").arg(lamp));
}

}  // namespace aq
