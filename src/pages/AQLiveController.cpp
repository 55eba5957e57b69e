#include "pages/AQLiveController.h"

#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "link/BTLEController.h"
#include "pages/PageLook.h"
#include "pages/SliderCommit.h"
#include "session/GlobalStore.h"
#include "session/LampSession.h"
#include "session/LiveMode.h"
#include "widgets/AQButton.h"
#include "widgets/AQSlider.h"

namespace aq {

namespace {
constexpr const char* kTag = "tag";
}  // namespace

AQTableCellView::AQTableCellView(QWidget* parent)
    : QWidget(parent),
      _lbChannel(new QLabel(this)),
      _slChannel(new AQSlider(this)),
      _lbValue(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(look::kSpacing * 2);
    _lbChannel->setMinimumWidth(140);
    _slChannel->setRange(0, 100);
    _slChannel->setMinimumHeight(24);
    _lbChannel->setBuddy(_slChannel);
    _lbValue->setMinimumWidth(QFontMetrics(_lbValue->font()).horizontalAdvance(tr("%1%").arg(100)));
    _lbValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(_lbChannel);
    layout->addWidget(_slChannel, 1);
    layout->addWidget(_lbValue);
    const auto showValue = [this](int v) { _lbValue->setText(tr("%1%").arg(v)); };
    connect(_slChannel, &AQSlider::valueChanged, this, showValue);
    showValue(_slChannel->value());
}

void AQTableCellView::setChannelColor(const QColor& c) {
    _slChannel->setValueLineColor(c);
    _slChannel->setKnobColor(c);
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

AQLiveController::~AQLiveController() = default;

void AQLiveController::buildView() {
    QVBoxLayout* layout = newPageLayout(tr("Live control"));
    QWidget* page = layout->parentWidget();

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

    _btnNavLeft = look::button(tr("Left"));
    _btnNavRight = look::button(tr("Right"));
    _btnNavPush = look::button(tr("Push"));
    _btnNavLongPush = look::button(tr("Long push"));
    _btnNavLeft->setToolTip(tr("Works as a press of the lamp's left key."));
    _btnNavRight->setToolTip(tr("Works as a press of the lamp's right key."));
    _btnNavPush->setToolTip(tr("Works as a short press of the lamp's own button."));
    _btnNavLongPush->setToolTip(tr("Works as holding the lamp's own button down."));
    auto* keys = new QHBoxLayout;
    keys->setSpacing(look::kSpacing);
    keys->addWidget(look::caption(tr("Lamp keys")));
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
    if (const auto c = GlobalStore::channelColor(static_cast<std::uint8_t>(row))) {
        cell->setChannelColor(QColor::fromRgbF(float(c->red), float(c->green), float(c->blue)));
    }
    // A drag's every step goes out; keyed sends keep the queue from
    // growing behind a fast one.
    _commits.append(new SliderCommit(slider, dispatch(), [this, slider](int) { moveSlider(slider); },
                                     true));
    _slider.append(slider);
    return cell;
}

void AQLiveController::reloadIfChannelsChanged() {
    const QStringList names = channelNames();
    if (_loaded && names == _rowNames) return;
    for (const QPointer<AQTableCellView>& row : _rows) delete row.data();
    _rows.clear();
    _slider.clear();
    _commits.clear();
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
    enterLiveMode(link(), GlobalStore::channelCount(), _device);
}

void AQLiveController::onLeave() {
    AQController::onLeave();
    for (const QPointer<SliderCommit>& c : _commits) {
        if (c) c->cancel();
    }
    leaveLiveMode(link(), GlobalStore::channelCount(), _device);
    for (const QPointer<AQSlider>& s : _slider) {
        if (!s) continue;
        // Quietly: the lamp has just been told 0.
        const QSignalBlocker block(s.data());
        s->setValue(0);
    }
}

unsigned AQLiveController::sliderToLive(int percent) {
    return liveLevel(percent);
}

void AQLiveController::moveSlider(AQSlider* slider) {
    link().liveValueOverload(sliderToLive(slider->value()),
                             static_cast<unsigned>(AQTableCellView::tag(slider)), _device);
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
