#include "pages/AQMoonAdjustmentController.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>
#include <string>
#include <vector>

#include "curve/DayAdjustmentChannel.h"
#include "link/BTLEController.h"
#include "pages/AQTableSheetMCController.h"
#include "pages/MoonFrameSheet.h"
#include "pages/NSDayAdjustment.h"
#include "pages/PageLook.h"
#include "pages/SliderCommit.h"
#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"

namespace aq {

namespace {
// What the page shows until the lamp has answered.
constexpr std::uint8_t kStartDay = 14;
constexpr std::uint8_t kStartIntense = 50;
constexpr std::uint8_t kMaxIntense = 100;

const Color kDayLineColor{0.0, 1.0, 0.0, 1.0};
const Color kArchColor{1.0, 1.0, 0.0, 1.0};

AQSlider* percentSlider() {
    auto* slider = new AQSlider;
    slider->setRange(0, 100);
    slider->setMinimumWidth(320);
    slider->setMinimumHeight(22);
    return slider;
}
}  // namespace

AQMoonAdjustmentController::AQMoonAdjustmentController(QObject* parent)
    : AQController(QStringLiteral("moonadjustment"), parent),
      _tscDevice(std::make_unique<AQTableSheetMCController>()) {
    _tscDevice->setTitle(tr("Lamps that show the moon"));
    _tscDevice->setOnDone([this](const QList<bool>& states) { writeDevices(states); });
    buildView();
}

AQMoonAdjustmentController::~AQMoonAdjustmentController() {
    if (_timerDispatch) {
        if (_timerFrom) _timerDispatch->cancel(*_timerFrom);
        if (_timerTo) _timerDispatch->cancel(*_timerTo);
    }
    delete _timeFrameSheet.data();
}

void AQMoonAdjustmentController::buildView() {
    QVBoxLayout* layout = newPageLayout(tr("Moon"));
    QWidget* page = layout->parentWidget();

    _dayAdjustment = new NSDayAdjustment;
    _dayAdjustment->setMinimumHeight(240);
    layout->addWidget(_dayAdjustment, 1);

    _slDay = percentSlider();
    _slIntense = percentSlider();
    _lbInfo = new QLabel;
    _btnTimeframe = look::button(tr("Time frame…"));
    _btnDevices = look::button(tr("Lamps…"));
    _btnDevices->setToolTip(tr("Chooses which of the connected lamps show the moon."));
    _btnTimeframe->setToolTip(tr("Sets the hours of the night during which the moon shines."));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(look::kSpacing * 2);
    grid->setVerticalSpacing(look::kSpacing);
    grid->addWidget(look::caption(tr("Moon day")), 0, 0);
    grid->addWidget(_slDay, 0, 1);
    grid->addWidget(look::caption(tr("Intensity")), 1, 0);
    grid->addWidget(_slIntense, 1, 1);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(look::kSpacing);
    bottom->addWidget(_lbInfo);
    bottom->addStretch(1);
    bottom->addWidget(_btnDevices);
    bottom->addWidget(_btnTimeframe);
    layout->addLayout(bottom);

    // The page follows every move; the lamp hears a drag when it ends and
    // keys, wheel and clicks once they are quiet.
    connect(_slDay, &AQSlider::valueChanged, this, [this](int v) { sliderDayChanged(v, false); });
    connect(_slIntense, &AQSlider::valueChanged, this,
            [this](int v) { sliderIntenseChanged(v, false); });
    _commits = {new SliderCommit(_slDay, dispatch(), [this](int v) { sliderDayChanged(v, true); }),
                new SliderCommit(_slIntense, dispatch(),
                                 [this](int v) { sliderIntenseChanged(v, true); })};
    connect(_btnTimeframe, &QPushButton::clicked, this, [this] { openSheet(); });
    connect(_btnDevices, &QPushButton::clicked, this, [this] { openDeviceSheet(); });
    _btnDevices->setEnabled(false);
    setView(page);

    setupGraph();
    updateMoonDay();
    updateMoonIntense();
    updateInfo();
    updateSlider();
}

void AQMoonAdjustmentController::setupGraph() {
    _dayAdjustment->setMoonMode(true);
    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    graph.setDrawBorder(false);
    graph.setPaddingTop(12.0);
    graph.setPaddingRight(20.0);
    graph.setVLineColor(kDayLineColor);
    graph.setXParts(kDays - 1);
    std::vector<std::string> days;
    for (int d = 1; d <= kDays; ++d) days.push_back(std::to_string(d));
    graph.setXLabel(std::move(days));
    graph.setYParts(10);
    std::vector<std::string> percents{""};
    for (int p = 10; p <= 100; p += 10) percents.push_back(std::to_string(p) + "%");
    graph.setYLabel(std::move(percents));
}

void AQMoonAdjustmentController::onEnter() {
    // No entry line for this page.
    _entered = true;
    setupGraph();
    const std::uint64_t entry = ++_entry;
    QPointer<AQMoonAdjustmentController> self(this);
    link().getMoonDay([self, entry](std::uint8_t v) {
        if (!self || self->_entry != entry) return;
        self->_moonDayVal = dayFromLamp(v);
        {
            const QSignalBlocker block(self->_slDay);
            self->_slDay->setValue(int(std::lround(float(self->_moonDayVal) / kDays * 100.0f)));
        }
        self->updateMoonDay();
        self->_dayAdjustment->update();
        self->updateInfo();
        self->readMoonMax(entry);
    });
    readDevices(entry);
    _moonDayVal = kStartDay;
    _moonIntenseVal = kStartIntense;
    updateMoonDay();
    updateMoonIntense();
    updateInfo();
    updateSlider();
    _dayAdjustment->update();
}

void AQMoonAdjustmentController::onLeave() {
    AQController::onLeave();
    // A value still waiting for the slider to be quiet is the user's last word.
    for (const QPointer<SliderCommit>& c : _commits) {
        if (c) c->flush();
    }
    _entered = false;
}

void AQMoonAdjustmentController::readMoonMax(std::uint64_t entry) {
    QPointer<AQMoonAdjustmentController> self(this);
    link().getMoonMax([self, entry](std::uint8_t v) {
        if (!self || self->_entry != entry) return;
        // Beyond 100 % the arch would leave the chart.
        self->_moonIntenseVal = std::min(v, kMaxIntense);
        {
            const QSignalBlocker block(self->_slIntense);
            self->_slIntense->setValue(self->_moonIntenseVal);
        }
        self->updateMoonIntense();
        self->_dayAdjustment->update();
        self->updateInfo();
    });
}

std::uint8_t AQMoonAdjustmentController::dayFromLamp(std::uint8_t value) {
    // The cycle counts 1 … 28; the lamp's 28 (a day this page sends) is the
    // last day, not day 0.
    const std::uint8_t day = value % kDays;
    return day == 0 ? kDays : day;
}

std::uint8_t AQMoonAdjustmentController::sliderToDay(int value) {
    // In whole numbers: s / 100 × 27 + 1, truncated.
    const int s = std::clamp(value, 0, 100);
    return static_cast<std::uint8_t>(s * (kDays - 1) / 100 + 1);
}

void AQMoonAdjustmentController::updateMoonDay() {
    const int day = _moonDayVal;
    _dayAdjustment->daGraph().setVLine(static_cast<float>(day - 1) / float(kDays - 1));
}

void AQMoonAdjustmentController::updateMoonIntense() {
    const float m = static_cast<float>(_moonIntenseVal) / 100.0f;
    auto arch = std::make_shared<DayAdjustmentChannel>(kArchColor);
    for (int i = 0; i < kArchPoints; ++i) {
        const float x = static_cast<float>(i) / float(kArchPoints - 1);
        const float y = 4.0f * m * x - 4.0f * m * x * x;
        arch->addPoint(CurvePoint{x, y});
    }
    DayAdjustmentGraph& graph = _dayAdjustment->daGraph();
    graph.channelRemoveAll();
    graph.channelAdd(arch);
}

void AQMoonAdjustmentController::updateSlider() {
    const QSignalBlocker blockDay(_slDay);
    const QSignalBlocker blockIntense(_slIntense);
    const float day = static_cast<float>(int(_moonDayVal) - 1) / float(kDays - 1) * 100.0f;
    _slDay->setValue(int(std::lround(day)));
    _slIntense->setValue(_moonIntenseVal);
}

void AQMoonAdjustmentController::updateInfo() {
    _lbInfo->setText(
        tr("Intense: %1% Day: %2").arg(int(_moonIntenseVal)).arg(unsigned(_moonDayVal)));
}

void AQMoonAdjustmentController::sliderDayChanged(int value, bool released) {
    _moonDayVal = sliderToDay(value);
    updateMoonDay();
    _dayAdjustment->update();
    updateInfo();
    if (released) link().setMoonDay(_moonDayVal);
}

void AQMoonAdjustmentController::sliderIntenseChanged(int value, bool released) {
    // The slider moves in whole percent, which is what the lamp takes.
    _moonIntenseVal = static_cast<std::uint8_t>(std::clamp(value, 0, int(kMaxIntense)));
    updateMoonIntense();
    _dayAdjustment->update();
    updateInfo();
    if (released) link().setMoonMax(_moonIntenseVal);
}

QWidget* AQMoonAdjustmentController::mainWindow() const {
    return view() ? view()->window() : nullptr;
}

}  // namespace aq
