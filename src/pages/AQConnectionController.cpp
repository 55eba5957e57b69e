#include "pages/AQConnectionController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/Alerts.h"
#include "pages/PageLook.h"
#include "session/GlobalStore.h"
#include "widgets/AQButton.h"
#include "widgets/AQTableView.h"
#include "widgets/SPProgressIndicator.h"

namespace aq {

AQConnectionController::AQConnectionController(QObject* parent)
    : AQController(QStringLiteral("discover"), parent) {
    buildView();
    watchLink();
}

AQConnectionController::~AQConnectionController() {
    cancelProgressTimer();
    link().setConnectionLostHandler(nullptr);
    link().setCentralStateHandler(nullptr);
}

void AQConnectionController::buildView() {
    QVBoxLayout* layout = newPageLayout(tr("Lamps nearby"));
    QWidget* page = layout->parentWidget();

    _tblDevices = new AQTableView;
    look::styleTable(*_tblDevices);
    _tblDevices->setAccessibleName(tr("Lamps nearby"));
    _tblDevices->setToolTip(
        tr("The lamps found nearby. Double-click one, or pick it with the arrow keys and "
           "press Return, to connect."));
    layout->addWidget(_tblDevices, 1);

    auto* state = new QHBoxLayout;
    _lblBluetoothState = new QLabel;
    _lblBluetoothState->setObjectName(QStringLiteral("bluetoothState"));
    _lblBluetoothState->setWordWrap(true);
    _lblBluetoothState->hide();
    _btnPowerOn = look::button(tr("Turn Bluetooth on"));
    _btnPowerOn->hide();
    state->addWidget(_lblBluetoothState, 1);
    state->addWidget(_btnPowerOn);
    layout->addLayout(state);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(look::kSpacing);
    _progressIndicator = new SPProgressIndicator;
    _progressIndicator->setFixedSize(40, 40);
    bar->addWidget(_progressIndicator);
    bar->addStretch(1);
    _btnDiscover = look::button(tr("Discover"));
    _btnConnect = look::button(tr("Connect"));
    bar->addWidget(_btnDiscover);
    bar->addWidget(_btnConnect);
    layout->addLayout(bar);

    connect(_btnDiscover, &QPushButton::clicked, this, [this] { btnDiscoverPressed(); });
    connect(_btnConnect, &QPushButton::clicked, this, [this] { btnConnectDevice(); });
    // A double click on a lamp, or Return on the highlighted one, connects it.
    connect(_tblDevices, &AQTableView::rowActivated, this, [this] { btnConnectDevice(); });
    connect(_btnPowerOn, &QPushButton::clicked, this, [this] { link().powerOn(); });
    setView(page);
}

void AQConnectionController::onEnter() {
    _tblDevices->setColumns({tr("Name"), tr("UUID")});
    _tblDevices->setRows({});
    _tblDevices->update();

    _progressIndicator->hide();
    _progressIndicator->setBackgroundColor(Qt::transparent);
    _progressIndicator->setRingThickness(4.0);
    _progressIndicator->setRingRadius(15.0);
    _progressIndicator->setRingColor(Qt::white, Qt::darkGray);
    _progressIndicator->showProgress(0.0f);
    showBluetoothState();
    tellIfNamesUnreadable();
}

void AQConnectionController::tellIfNamesUnreadable() {
    if (_namesNoticeGiven || !GlobalStore::lampNamesUnreadable()) return;
    _namesNoticeGiven = true;
    logLine("stored lamp names unreadable, starting anew");
    // Shown from the event loop, never from inside a page change.
    QPointer<AQConnectionController> self(this);
    dispatch().postToMain([self] {
        if (!self) return;
        showAlert(self->view(), tr("Lamp names"),
                  tr("Stored lamp names could not be read and will be rebuilt."));
    });
}

void AQConnectionController::btnDiscoverPressed() {
    if (_discovering) {
        stopDiscovery();
    } else {
        startDiscovery();
    }
}

void AQConnectionController::startDiscovery() {
    _tblDevices->setRows({});
    _discoverTitle = _btnDiscover->text();
    _btnDiscover->setText(tr("Stop"));
    _discovering = true;
    _progess = 0.0f;
    armProgressTimer();
    link().start_scanning([this] { refreshTable(); });
}

void AQConnectionController::continueProgress() {
    _tmrProgress = false;
    // Summed in double and kept as float: the ring passes 1.0 on tick 101.
    _progess = static_cast<float>(static_cast<double>(_progess) + 0.01);
    if (_progess > 1.0f) {
        stopDiscovery();
        return;
    }
    armProgressTimer();
    if (_progressIndicator->isHidden()) _progressIndicator->show();
    _progressIndicator->showProgress(_progess);
}

void AQConnectionController::stopDiscovery() {
    cancelProgressTimer();
    _discovering = false;
    _progressIndicator->showProgress(0.0f);
    _progressIndicator->hide();
    link().stop_scanning();
    _btnDiscover->setText(_discoverTitle);
}

void AQConnectionController::armProgressTimer() {
    cancelProgressTimer();
    _timerDispatch = &dispatch();
    _tmrProgressId = _timerDispatch->singleShot(kProgressInterval, [this] { continueProgress(); });
    _tmrProgress = true;
}

void AQConnectionController::cancelProgressTimer() {
    if (_tmrProgress && _timerDispatch) _timerDispatch->cancel(_tmrProgressId);
    _tmrProgress = false;
}

void AQConnectionController::refreshTable() {
    QList<QStringList> rows;
    for (const PeripheralPtr& peripheral : link().peripherals()) {
        if (!peripheral) continue;
        const std::string uuid = peripheral->identifier();
        std::optional<std::string> name = GlobalStore::getNameForUUID(uuid);
        if (!name || name->empty()) name = peripheral->name();
        const QString shown =
            name && !name->empty() ? QString::fromStdString(*name) : tr(kUnknownLampName);
        rows.append({shown, QString::fromStdString(uuid)});
    }
    _tblDevices->setRows(rows);
    // The first lamp found is the one a click on Connect takes, unless the
    // user chose another.
    const qint64 selected = _tblDevices->selectedRow();
    if (!rows.isEmpty() && (selected < 0 || selected >= rows.size())) {
        _tblDevices->setSelectedRow(0);
    }
    _tblDevices->update();
}

}  // namespace aq
