#include "pages/AQLiveController.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

#include "link/BTLEController.h"
#include "pages/PageLook.h"
#include "state/GlobalStore.h"
#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"

namespace aq {

namespace {
constexpr const char* kTag = "tag";
}  // namespace

AQTableCellView::AQTableCellView(QWidget* parent)
    : QWidget(parent), _lbChannel(new QLabel(this)), _slChannel(new AQSlider(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(look::kSpacing * 2);
    _lbChannel->setMinimumWidth(140);
    _slChannel->setRange(0, 100);
    _slChannel->setMinimumHeight(24);
    layout->addWidget(_lbChannel);
    layout->addWidget(_slChannel, 1);
}

int AQTableCellView::tag(const AQSlider* slider) {
    return slider->property(kTag).toInt();
}

void AQTableCellView::setTag(AQSlider* slider, int tag) {
    slider->setProperty(kTag, tag);
}

AQLiveController::AQLiveController(QObject* parent)
    : AQController(QStringLiteral("livecontroller"), parent) {
    buildView();
}

AQLiveController::~AQLiveController() {
    dropHeldBack();
}

void AQLiveController::buildView() {
    auto* page = new QWidget;
    page->setObjectName(ident());
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(look::kPageMargin, look::kPageMargin, look::kPageMargin,
                               look::kPageMargin);
    layout->setSpacing(look::kSpacing);
    layout->addWidget(look::pageTitle(QStringLiteral("Live control")));

    _rowsHolder = new QWidget;
    _rowsLayout = new QVBoxLayout(_rowsHolder);
    _rowsLayout->setContentsMargins(0, 0, look::kSpacing, 0);
    _rowsLayout->setSpacing(look::kSpacing / 2);
    _rowsLayout->addStretch(1);
    _tableView = new QScrollArea;
    _tableView->setFrameShape(QFrame::NoFrame);
    _tableView->setWidgetResizable(true);
    _tableView->setWidget(_rowsHolder);
    layout->addWidget(_tableView, 1);

    _btnNavLeft = look::button(QStringLiteral("Left"));
    _btnNavRight = look::button(QStringLiteral("Right"));
    _btnNavPush = look::button(QStringLiteral("Push"));
    _btnNavLongPush = look::button(QStringLiteral("Long push"));
    auto* keys = new QHBoxLayout;
    keys->setSpacing(look::kSpacing);
    keys->addWidget(look::caption(QStringLiteral("Lamp keys")));
    for (AQButton* b : {_btnNavLeft, _btnNavRight, _btnNavPush, _btnNavLongPush}) {
        keys->addWidget(b);
    }
    keys->addStretch(1);
    layout->addLayout(keys);

    connect(_btnNavLeft, &QPushButton::clicked, this, [this] { navLeft(); });
    connect(_btnNavRight, &QPushButton::clicked, this, [this] { navRight(); });
    connect(_btnNavPush, &QPushButton::clicked, this, [this] { navPush(); });
    connect(_btnNavLongPush, &QPushButton::clicked, this, [this] { navLongPush(); });
    setView(page);
}

QStringList AQLiveController::channelNames() {
    QStringList names;
    const std::uint8_t count = GlobalStore::channelCount();
    for (std::uint8_t i = 0; i < count; ++i) {
        names << QString::fromStdString(GlobalStore::channelName(i).value_or(std::string()));
    }
    return names;
}

int AQLiveController::numberOfRowsInTableView() const {
    return GlobalStore::channelCount();
}

AQTableCellView* AQLiveController::tableView(int row) {
    auto* cell = new AQTableCellView(_rowsHolder);
    AQSlider* slider = cell->slChannel();
    AQTableCellView::setTag(slider, row);
    slider->setValue(0);
    const auto name = GlobalStore::channelName(static_cast<std::uint8_t>(row));
    cell->lbChannel()->setText(QString::fromStdString(name.value_or(std::string())));
    // Every change goes out, a drag's included; the replacing send keeps the
    // queue from growing behind a fast drag.
    connect(slider, &AQSlider::valueChanged, this, [this, slider] { moveSlider(slider); });
    _slider.append(slider);
    return cell;
}

void AQLiveController::reloadIfChannelsChanged() {
    const QStringList names = channelNames();
    if (_loaded && names == _rowNames) return;
    for (const QPointer<AQTableCellView>& row : _rows) delete row.data();
    _rows.clear();
    _slider.clear();
    const int count = numberOfRowsInTableView();
    for (int r = 0; r < count; ++r) {
        AQTableCellView* cell = tableView(r);
        // Above the closing stretch.
        _rowsLayout->insertWidget(_rowsLayout->count() - 1, cell);
        _rows.append(cell);
    }
    _rowNames = names;
    _loaded = true;
}

void AQLiveController::onEnter() {
    AQController::onEnter();
    reloadIfChannelsChanged();
    link().setMode(kModeLive);
    const std::uint8_t count = GlobalStore::channelCount();
    for (std::uint8_t i = 0; i < count; ++i) link().liveValue(0, i, _device);
}

void AQLiveController::onLeave() {
    AQController::onLeave();
    dropHeldBack();
    // A value of ours still waiting would reach the lamp after the zeros;
    // it becomes a zero itself.
    if (_waitingChannel && ownValueWaiting(*_waitingChannel)) {
        link().liveValueOverload(0, *_waitingChannel, _device);
    }
    _waitingChannel.reset();
    link().setMode(kModeNormal);
    const std::uint8_t count = GlobalStore::channelCount();
    for (std::uint8_t i = 0; i < count; ++i) {
        link().liveValue(0, i, _device);
        for (const QPointer<AQSlider>& s : _slider) {
            if (!s || AQTableCellView::tag(s) != i) continue;
            // Quietly: the lamp has just been told 0.
            const QSignalBlocker block(s.data());
            s->setValue(0);
        }
    }
}

unsigned AQLiveController::sliderToLive(int percent) {
    return static_cast<unsigned>(static_cast<double>(percent) / 100.0 * 255.0);
}

void AQLiveController::moveSlider(AQSlider* slider) {
    sendLive(static_cast<unsigned>(AQTableCellView::tag(slider)), sliderToLive(slider->value()));
}

bool AQLiveController::ownValueWaiting(unsigned channel) const {
    BTLEController& lamp = link();
    if (!_waitingChannel || *_waitingChannel != channel) return false;
    if (lamp.waitingCommandCount() != 1) return false;
    // Nothing written since ours was queued: the one waiting is still ours.
    const CommandPtr behind = _waitingBehind.lock();
    return behind && lamp.firedCommand() == behind;
}

bool AQLiveController::trySendLive(unsigned channel, unsigned value) {
    BTLEController& lamp = link();
    if (lamp.waitingCommandCount() != 0 && !ownValueWaiting(channel)) return false;
    lamp.liveValueOverload(value, channel, _device);
    if (lamp.waitingCommandCount() == 1) {
        _waitingChannel = channel;
        _waitingBehind = lamp.firedCommand();
    } else {
        _waitingChannel.reset();
        _waitingBehind.reset();
    }
    return true;
}

void AQLiveController::sendLive(unsigned channel, unsigned value) {
    if (_heldBack.empty() && trySendLive(channel, value)) return;
    // Held back: only the channel's newest value counts, in the order the
    // channels were first moved.
    auto it = std::find_if(_heldBack.begin(), _heldBack.end(),
                           [channel](const auto& held) { return held.first == channel; });
    if (it != _heldBack.end()) {
        it->second = value;
    } else {
        _heldBack.emplace_back(channel, value);
    }
    if (_retryTimer) return;
    _retryDispatch = &dispatch();
    QPointer<AQLiveController> self(this);
    _retryTimer = _retryDispatch->singleShot(kRetryDelay, [self] {
        if (self) self->retryHeldBack();
    });
}

void AQLiveController::retryHeldBack() {
    _retryTimer.reset();
    std::vector<std::pair<unsigned, unsigned>> held;
    held.swap(_heldBack);
    for (auto it = held.begin(); it != held.end(); ++it) {
        if (!trySendLive(it->first, it->second)) {
            _heldBack.assign(it, held.end());
            break;
        }
    }
    if (_heldBack.empty()) return;
    QPointer<AQLiveController> self(this);
    _retryTimer = _retryDispatch->singleShot(kRetryDelay, [self] {
        if (self) self->retryHeldBack();
    });
}

void AQLiveController::dropHeldBack() {
    if (_retryTimer && _retryDispatch) _retryDispatch->cancel(*_retryTimer);
    _retryTimer.reset();
    _heldBack.clear();
}

void AQLiveController::navLeft() {
    link().liveNavLeft();
}
void AQLiveController::navRight() {
    link().liveNavRight();
}
void AQLiveController::navPush() {
    link().liveNavPush();
}
void AQLiveController::navLongPush() {
    link().liveNavLongPush();
}

QList<AQSlider*> AQLiveController::slider() const {
    QList<AQSlider*> out;
    for (const QPointer<AQSlider>& s : _slider) {
        if (s) out.append(s.data());
    }
    return out;
}

QList<AQTableCellView*> AQLiveController::rows() const {
    QList<AQTableCellView*> out;
    for (const QPointer<AQTableCellView>& r : _rows) {
        if (r) out.append(r.data());
    }
    return out;
}

}  // namespace aq
