#include "pages/AQWeatherController.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <cmath>

#include "link/BTLEController.h"
#include "pages/PageLook.h"
#include "pages/TimeOfDay.h"
#include "pages/SliderCommit.h"
#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"

namespace aq {

namespace {
AQSlider* valueSlider() {
    auto* slider = new AQSlider;
    slider->setRange(0, 100);
    slider->setMinimumWidth(320);
    slider->setMinimumHeight(22);
    return slider;
}

QLabel* valueLabel() {
    auto* label = new QLabel;
    label->setMinimumWidth(56);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QTimeEdit* timePicker() {
    auto* picker = new QTimeEdit;
    picker->setDisplayFormat(QStringLiteral("HH:mm"));
    picker->setMinimumWidth(90);
    return picker;
}
}  // namespace

AQWeatherController::AQWeatherController(QObject* parent)
    : AQController(QStringLiteral("weather"), parent) {
    buildView();
}

AQWeatherController::~AQWeatherController() {
    if (_timerDispatch) {
        if (_timerFrom) _timerDispatch->cancel(*_timerFrom);
        if (_timerTo) _timerDispatch->cancel(*_timerTo);
    }
}

void AQWeatherController::buildView() {
    QVBoxLayout* layout = newPageLayout(tr("Weather"));
    QWidget* page = layout->parentWidget();

    _chbCloudSimulation = look::checkBox();
    _sldCloudsPerDay = valueSlider();
    _lbCloudsPerDay = valueLabel();
    _sldCloudDuration = valueSlider();
    _lbCloudDuration = valueLabel();
    _sldCloudIntensity = valueSlider();
    _lbCloudIntensity = valueLabel();
    _chbBoltSimulation = look::checkBox();
    _sldBoltsPerHour = valueSlider();
    _lbBoltsPerHour = valueLabel();
    _dpBegin = timePicker();
    _dpEnd = timePicker();
    _btnTestCloud = look::button(tr("Test cloud"));
    _btnTestBolt = look::button(tr("Test bolt"));
    _btnTestCloud->setToolTip(tr("The lamp shows one cloud now, as the simulation would."));
    _btnTestBolt->setToolTip(tr("The lamp shows one lightning bolt now."));
    _chbCloudSimulation->setToolTip(tr("Clouds pass over the tank now and then during the day."));
    _chbBoltSimulation->setToolTip(
        tr("Lightning flashes within the bolt window; a window whose start is after its end "
           "runs across midnight."));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(look::kSpacing * 2);
    grid->setVerticalSpacing(look::kSpacing);
    int row = 0;
    auto section = [&](AQButton* box, const QString& text) {
        auto* line = new QHBoxLayout;
        line->setSpacing(look::kSpacing);
        line->addWidget(box);
        QLabel* label = look::checkLabel(text, box);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        line->addWidget(label);
        line->addStretch(1);
        grid->addLayout(line, row++, 0, 1, 3);
    };
    auto value = [&](const QString& caption, AQSlider* slider, QLabel* label) {
        QLabel* name = look::caption(caption);
        name->setBuddy(slider);
        grid->addWidget(name, row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(label, row++, 2);
    };
    section(_chbCloudSimulation, tr("Clouds"));
    value(tr("Clouds per day"), _sldCloudsPerDay, _lbCloudsPerDay);
    value(tr("Cloud duration"), _sldCloudDuration, _lbCloudDuration);
    value(tr("Cloud intensity"), _sldCloudIntensity, _lbCloudIntensity);
    grid->setRowMinimumHeight(row++, look::kSpacing);
    section(_chbBoltSimulation, tr("Lightning"));
    value(tr("Bolts per hour"), _sldBoltsPerHour, _lbBoltsPerHour);
    auto* window = new QHBoxLayout;
    window->setSpacing(look::kSpacing);
    window->addWidget(_dpBegin);
    window->addWidget(new QLabel(tr("to")));
    window->addWidget(_dpEnd);
    _lbMidnight = new QLabel(tr("(across midnight)"));
    _lbMidnight->setObjectName(QStringLiteral("acrossMidnight"));
    _lbMidnight->hide();
    window->addWidget(_lbMidnight);
    window->addStretch(1);
    QLabel* windowCaption = look::caption(tr("Bolt window"));
    windowCaption->setBuddy(_dpBegin);
    _dpBegin->setAccessibleName(tr("Bolt window start"));
    _dpEnd->setAccessibleName(tr("Bolt window end"));
    grid->addWidget(windowCaption, row, 0);
    grid->addLayout(window, row++, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* tests = new QHBoxLayout;
    tests->setSpacing(look::kSpacing);
    tests->addWidget(_btnTestCloud);
    tests->addWidget(_btnTestBolt);
    tests->addStretch(1);
    layout->addSpacing(look::kSpacing);
    layout->addLayout(tests);
    layout->addStretch(1);

    // The page follows every move; the lamp hears a drag when it ends and
    // keys, wheel and clicks once they are quiet.
    const std::pair<AQSlider*, void (AQWeatherController::*)(int, bool)> sliders[] = {
        {_sldCloudsPerDay, &AQWeatherController::mvSliderCloudsPerDay},
        {_sldCloudDuration, &AQWeatherController::mvSliderCloudDuration},
        {_sldCloudIntensity, &AQWeatherController::mvSliderCloudIntensity},
        {_sldBoltsPerHour, &AQWeatherController::mvSliderBoltsPerHour},
    };
    for (const auto& [slider, action] : sliders) {
        connect(slider, &AQSlider::valueChanged, this,
                [this, action](int v) { (this->*action)(v, false); });
        _commits.append(new SliderCommit(slider, dispatch(),
                                         [this, action](int v) { (this->*action)(v, true); }));
    }
    // `clicked` and `timeChanged` under no signal blocker come from the user
    // only: the read chain sets the controls without sending anything back.
    connect(_chbCloudSimulation, &QPushButton::clicked, this,
            [this](bool on) { chbCloudSimulationToggled(on); });
    connect(_chbBoltSimulation, &QPushButton::clicked, this,
            [this](bool on) { chbBoltSimulationToggled(on); });
    connect(_dpBegin, &QTimeEdit::timeChanged, this, [this] { changedFrom(); });
    connect(_dpEnd, &QTimeEdit::timeChanged, this, [this] { changedTo(); });
    for (QTimeEdit* picker : {_dpBegin, _dpEnd}) {
        connect(picker, &QTimeEdit::timeChanged, this, [this] { showMidnight(); });
    }
    connect(_btnTestCloud, &QPushButton::clicked, this, [this] { btnTestCloudPressed(); });
    connect(_btnTestBolt, &QPushButton::clicked, this, [this] { btnTestBoltPressed(); });
    setView(page);
}

unsigned AQWeatherController::sliderToValue(int position, float full) {
    const float fraction = static_cast<float>(position / 100.0);
    const float value = fraction * full;
    return static_cast<unsigned>(std::lround(value));
}

int AQWeatherController::valueToSlider(unsigned value, float full) {
    const float position = static_cast<float>(value) / full * 100.0f;
    return static_cast<int>(std::lround(position));
}

void AQWeatherController::onLeave() {
    AQController::onLeave();
    // A value still waiting for the slider to be quiet is the user's last word.
    for (const QPointer<SliderCommit>& c : _commits) {
        if (c) c->flush();
    }
}

void AQWeatherController::onEnter() {
    AQController::onEnter();
    // A window edited before it is read would go out with a made-up other end.
    _windowRead = false;
    _dpBegin->setEnabled(false);
    _dpEnd->setEnabled(false);
    const std::uint64_t entry = ++_entry;
    QPointer<AQWeatherController> self(this);
    link().getCloudDuration([self, entry](unsigned v) {
        if (!self || self->_entry != entry) return;
        self->_cloudDuration = static_cast<std::uint16_t>(v);
        self->readCloudDimming(entry);
    });
}

void AQWeatherController::readCloudDimming(std::uint64_t entry) {
    QPointer<AQWeatherController> self(this);
    link().getCloudDimming([self, entry](unsigned v) {
        if (!self || self->_entry != entry) return;
        self->_cloudDimming = static_cast<std::uint8_t>(v);
        self->readCloudsPerDay(entry);
    });
}

void AQWeatherController::readCloudsPerDay(std::uint64_t entry) {
    QPointer<AQWeatherController> self(this);
    link().getCloudsPerDay([self, entry](unsigned v) {
        if (!self || self->_entry != entry) return;
        self->_cloudsPerDay = static_cast<std::uint8_t>(v);
        self->_cloudsPerDayLast = self->_cloudsPerDay != 0 ? self->_cloudsPerDay : 1;
        self->readBoltsPerHour(entry);
    });
}

void AQWeatherController::readBoltsPerHour(std::uint64_t entry) {
    QPointer<AQWeatherController> self(this);
    link().getBoltsPerHour([self, entry](unsigned v) {
        if (!self || self->_entry != entry) return;
        self->_boltsPerHour = static_cast<std::uint8_t>(v);
        self->_boltsPerHourLast = self->_boltsPerHour != 0 ? self->_boltsPerHour : 1;
        self->setLabels();
        self->setSliders();
        self->checkCloudsEnabled(self->_cloudsPerDay != 0);
        self->checkBoltsEnabled(self->_boltsPerHour != 0);
        self->readBoltsWnd(entry);
    });
}

void AQWeatherController::readBoltsWnd(std::uint64_t entry) {
    QPointer<AQWeatherController> self(this);
    link().getBoltsWnd([self, entry](unsigned start, unsigned end) {
        if (!self || self->_entry != entry) return;
        self->_begin = static_cast<std::uint16_t>(start);
        self->_end = static_cast<std::uint16_t>(end);
        const QSignalBlocker blockBegin(self->_dpBegin);
        const QSignalBlocker blockEnd(self->_dpEnd);
        self->_dpBegin->setTime(minutesToDate(self->_begin));
        self->_dpEnd->setTime(minutesToDate(self->_end));
        self->_windowRead = true;
        self->checkBoltsEnabled(self->_chbBoltSimulation->isChecked());
        self->showMidnight();
    });
}

void AQWeatherController::setLabels() {
    _lbCloudDuration->setText(tr("%1 min").arg(_cloudDuration));
    _lbCloudIntensity->setText(tr("%1%").arg(_cloudDimming));
    _lbCloudsPerDay->setText(tr("%1 per day").arg(_cloudsPerDay));
    _lbBoltsPerHour->setText(tr("%1 per hour").arg(_boltsPerHour));
}

void AQWeatherController::setSliders() {
    // Set quietly: a slider's own action would round the value through the
    // slider's coarser steps.
    const std::pair<AQSlider*, int> positions[] = {
        {_sldCloudDuration, valueToSlider(_cloudDuration, kCloudDurationFull)},
        {_sldCloudIntensity, valueToSlider(_cloudDimming, kCloudDimmingFull)},
        {_sldCloudsPerDay, valueToSlider(_cloudsPerDay, kCloudsPerDayFull)},
        {_sldBoltsPerHour, valueToSlider(_boltsPerHour, kBoltsPerHourFull)},
    };
    for (const auto& [slider, position] : positions) {
        const QSignalBlocker block(slider);
        slider->setValue(position);
    }
}

// While a simulation is off its settings are greyed; the rate slider the
// user is still dragging to zero stays live until it is let go.
void AQWeatherController::checkCloudsEnabled(bool on) {
    _chbCloudSimulation->setChecked(on);
    _sldCloudsPerDay->setEnabled(on || _sldCloudsPerDay->isSliderDown());
    _sldCloudDuration->setEnabled(on);
    _sldCloudIntensity->setEnabled(on);
}

void AQWeatherController::checkBoltsEnabled(bool on) {
    _chbBoltSimulation->setChecked(on);
    _sldBoltsPerHour->setEnabled(on || _sldBoltsPerHour->isSliderDown());
    // The window is editable only once it was read.
    _dpBegin->setEnabled(on && _windowRead);
    _dpEnd->setEnabled(on && _windowRead);
}

void AQWeatherController::showMidnight() {
    _lbMidnight->setVisible(_dpBegin->time() > _dpEnd->time());
}

void AQWeatherController::mvSliderCloudsPerDay(int value, bool released) {
    _cloudsPerDay = static_cast<std::uint8_t>(sliderToValue(value, kCloudsPerDayFull));
    setLabels();
    checkCloudsEnabled(_cloudsPerDay != 0);
    if (released) link().setCloudsPerDay(_cloudsPerDay);
}

void AQWeatherController::mvSliderCloudDuration(int value, bool released) {
    _cloudDuration = static_cast<std::uint16_t>(sliderToValue(value, kCloudDurationFull));
    setLabels();
    if (released) link().setCloudDuration(_cloudDuration);
}

void AQWeatherController::mvSliderCloudIntensity(int value, bool released) {
    _cloudDimming = static_cast<std::uint8_t>(sliderToValue(value, kCloudDimmingFull));
    setLabels();
    if (released) link().setCloudDimming(_cloudDimming);
}

void AQWeatherController::mvSliderBoltsPerHour(int value, bool released) {
    _boltsPerHour = static_cast<std::uint8_t>(sliderToValue(value, kBoltsPerHourFull));
    setLabels();
    checkBoltsEnabled(_boltsPerHour != 0);
    if (released) link().setBoltsPerHour(_boltsPerHour);
}

void AQWeatherController::chbCloudSimulationToggled(bool on) {
    if (on) {
        _cloudsPerDay = _cloudsPerDayLast;
    } else {
        // Switching off at 0 (a box ticked before the first read) keeps the
        // count to come back to.
        if (_cloudsPerDay != 0) _cloudsPerDayLast = _cloudsPerDay;
        _cloudsPerDay = 0;
    }
    setLabels();
    setSliders();
    checkCloudsEnabled(on);
    link().setCloudsPerDay(_cloudsPerDay);
}

void AQWeatherController::chbBoltSimulationToggled(bool on) {
    if (on) {
        _boltsPerHour = _boltsPerHourLast;
    } else {
        if (_boltsPerHour != 0) _boltsPerHourLast = _boltsPerHour;
        _boltsPerHour = 0;
    }
    setLabels();
    setSliders();
    checkBoltsEnabled(on);
    link().setBoltsPerHour(_boltsPerHour);
}

void AQWeatherController::changedFrom() {
    restartTimer(_timerFrom, &AQWeatherController::boltsWndBeginChanged, _dpBegin);
}

void AQWeatherController::changedTo() {
    restartTimer(_timerTo, &AQWeatherController::boltsWndEndChanged, _dpEnd);
}

void AQWeatherController::restartTimer(std::optional<Dispatch::TimerId>& timer,
                                       void (AQWeatherController::*fire)(std::uint16_t),
                                       QTimeEdit* picker) {
    Dispatch& d = dispatch();
    if (timer && _timerDispatch) _timerDispatch->cancel(*timer);
    _timerDispatch = &d;
    // The time is taken now: the wait sends this edit even if the page has
    // been left when it ends.
    const std::uint16_t minutes = dateToMinutes(picker->time());
    QPointer<AQWeatherController> self(this);
    std::optional<Dispatch::TimerId>* slot = &timer;
    timer = d.singleShot(kPickerDelay, [self, slot, fire, minutes] {
        if (!self) return;
        slot->reset();
        (self->*fire)(minutes);
    });
}

void AQWeatherController::boltsWndBeginChanged(std::uint16_t minutes) {
    _begin = minutes;
    link().setBoltsWnd(_begin, _end);
}

void AQWeatherController::boltsWndEndChanged(std::uint16_t minutes) {
    _end = minutes;
    link().setBoltsWnd(_begin, _end);
}

void AQWeatherController::btnTestCloudPressed() {
    link().liveCloud();
}

void AQWeatherController::btnTestBoltPressed() {
    link().liveBolt();
}

}  // namespace aq
