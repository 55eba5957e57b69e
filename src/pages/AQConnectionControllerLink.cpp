// What the page tells about the link itself: the adapter's state, why a
// connect failed, and a connection that was lost.
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/AQConnectionController.h"
#include "pages/AQNavigationController.h"
#include "pages/Alerts.h"
#include "widgets/AQButton.h"
#include "widgets/AQTableView.h"
#include "widgets/SPProgressHUD.h"

namespace aq {

namespace {
// The stack's words end a sentence of ours: no full stop of their own.
QString clause(const std::string& text) {
    QString words = QString::fromStdString(text).trimmed();
    while (words.endsWith(QLatin1Char('.'))) words.chop(1);
    return words;
}
}  // namespace

void AQConnectionController::watchLink() {
    QPointer<AQConnectionController> self(this);
    link().setCentralStateHandler([self] {
        if (self) self->showBluetoothState();
    });
    link().setConnectionLostHandler([self](const BTLEController::LinkLoss& loss) {
        if (!self) return;
        const QString reason = loss.reason ? clause(*loss.reason)
                                           : tr("the lamp closed the link or went out of range");
        // Handled one turn later: the central is still inside its callback,
        // and a connect made from there is lost on some stacks.
        self->_lostReason = reason;
        PeripheralPtr peripheral = loss.peripheral;
        self->dispatch().postToMain([self, peripheral, reason] {
            if (self) self->connectionLost(peripheral, reason);
        });
    });
}

void AQConnectionController::connectionLost(const PeripheralPtr& peripheral,
                                            const QString& reason) {
    if (_connecting) {
        // The lamp was handed over and lost while the connect still waits:
        // shown once the connect has returned and tidied up after itself.
        _pendingLoss = [this, peripheral, reason] { connectionLost(peripheral, reason); };
        return;
    }
    // A connect still reading the lamp reports the failure itself.
    if (!_navigationController || !_navigationController->connected()) return;
    if (_lossReportedElsewhere && _lossReportedElsewhere()) return;
    if (_afterRunningWork && !_deferredLoss) {
        // A running transfer says first what it left undone; the loss is
        // told after its report, never on top of it.
        _deferredLoss = true;
        QPointer<AQConnectionController> self(this);
        _afterRunningWork([self, peripheral, reason] {
            if (!self) return;
            self->connectionLost(peripheral, reason);
            self->_deferredLoss = false;
        });
        return;
    }
    SPProgressHUD::dismiss();
    // A sheet open on the lost lamp's values has nothing left to act on
    // (alerts stay: they say what happened).
    if (_mainView) {
        for (QDialog* sheet : _mainView->window()->findChildren<QDialog*>()) {
            if (sheet->isVisible() && !qobject_cast<QMessageBox*>(sheet)) sheet->reject();
        }
    }
    _navigationController->switchTo(ident());
    // The lost lamp stays listed and chosen, so one click connects it again.
    QString name = _connectedName;
    if (peripheral) {
        link().setPeripherals({peripheral});
        refreshTable();
        _tblDevices->setSelectedRow(0);
        // Named as the table names it (its stored name, once it told it).
        name = _tblDevices->rows().value(0).value(0, name);
    }
    const bool again =
        showActionAlert(_mainView, tr("Connection lost"),
                        tr("The connection to %1 was lost: %2.").arg(name, reason), tr("Reconnect"));
    if (again) btnConnectDevice();
}

void AQConnectionController::showBluetoothState() {
    const BTLEController& lamp = link();
    QString text;
    bool offerPowerOn = false;
    switch (lamp.centralState()) {
        case CentralState::Unsupported:
            text = lamp.centralFault() == CentralFault::ServiceNotRunning
                       ? tr("The Bluetooth service is not running, so no lamps can be found. "
                            "Start it (for example with \"systemctl start bluetooth\") and "
                            "press Discover again.")
                       : tr("No Bluetooth adapter was found. Plug one in or enable it in the "
                            "system settings, then press Discover again.");
            break;
        case CentralState::PoweredOff:
            offerPowerOn = lamp.canPowerOn();
            text = offerPowerOn ? tr("Bluetooth is switched off. Turn it on to find lamps.")
                                : tr("Bluetooth is switched off. Turn it on in the system "
                                     "settings to find lamps.");
            break;
        case CentralState::Unauthorized:
            text = tr("This program is not allowed to use Bluetooth. Allow it in the system "
                      "settings (on Linux: the rights to use BlueZ), then start it again.");
            break;
        case CentralState::PoweredOn:
            if (lamp.centralFault() == CentralFault::DiscoveryFailed) {
                const QString detail = clause(lamp.centralFaultDetail());
                text = detail.isEmpty()
                           ? tr("Searching for lamps failed. Press Discover to try again.")
                           : tr("Searching for lamps failed (%1). Press Discover to try again.")
                                 .arg(detail);
            }
            break;
        case CentralState::Unknown:
        case CentralState::Resetting:
            break;
    }
    _lblBluetoothState->setText(text);
    _lblBluetoothState->setVisible(!text.isEmpty());
    _btnPowerOn->setVisible(offerPowerOn);
}

QString AQConnectionController::connectFailureText() const {
    const BTLEController& lamp = link();
    switch (lamp.connectFailure()) {
        case BTLEController::ConnectFailure::Refused: {
            const QString detail = clause(lamp.connectFailureDetail());
            return detail.isEmpty() ? tr("The lamp refused the connection.")
                                    : tr("The lamp refused the connection (%1).").arg(detail);
        }
        case BTLEController::ConnectFailure::NotFound:
            return tr("The lamp was not found: it may be switched off or out of range. "
                      "Press Discover to look for it again.");
        case BTLEController::ConnectFailure::TimedOut:
            return tr("The lamp did not answer in time: it may be switched off or out of range.");
        case BTLEController::ConnectFailure::NoLampService:
            return tr("The device offers no lamp service: it may not be a lamp this program "
                      "drives.");
        case BTLEController::ConnectFailure::NoCommandCharacteristic:
            return tr("The lamp service offers no command characteristic.");
        case BTLEController::ConnectFailure::NoTestCharacteristic:
            return tr("The lamp service offers no test characteristic: the lamp's firmware "
                      "may be too old.");
        case BTLEController::ConnectFailure::None:
            break;
    }
    if (!_lostReason.isEmpty()) return tr("The connection was lost: %1.").arg(_lostReason);
    return tr("The lamp did not answer while its channels were read.");
}

}  // namespace aq
