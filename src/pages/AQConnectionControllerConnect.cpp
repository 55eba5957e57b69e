// Connecting the chosen lamp and reading what the other pages need from it.
#include <QString>

#include <utility>
#include <vector>

#include "link/BTLEController.h"
#include "link/Log.h"
#include "pages/AQConnectionController.h"
#include "pages/AQNavigationController.h"
#include "pages/Alerts.h"
#include "session/GlobalStore.h"
#include "state/LampNames.h"
#include "widgets/AQTableView.h"
#include "widgets/SPProgressHUD.h"

namespace aq {

void AQConnectionController::btnConnectDevice() {
    const qint64 row = _tblDevices->selectedRow();
    if (row < 0 || row >= _tblDevices->rows().size()) {
        SPProgressHUD::showMessage(tr("Choose a lamp first."), _mainView);
        return;
    }
    BTLEController& lamp = link();
    const std::vector<PeripheralPtr> found = lamp.peripherals();
    // The table can show lamps the link no longer lists (a new scan began):
    // such a row has no lamp to connect.
    if (static_cast<std::size_t>(row) >= found.size() || !found[row]) {
        logLine(format("no lamp at row %lld", static_cast<long long>(row)));
        return;
    }

    auto attempt = std::make_shared<Attempt>();
    attempt->uuid = found[row]->identifier();
    const QStringList shown = _tblDevices->rows().value(row);
    _connectedName = shown.isEmpty() ? tr(kUnknownLampName) : shown.constFirst();
    _lostReason.clear();
    SPProgressHUD::showStatus(tr("Connecting to %1...").arg(_connectedName), _mainView);
    _connecting = true;
    lamp.connect_periperal_at(
        static_cast<std::uint64_t>(row), [this, attempt] { connectionReady(attempt); },
        [this, attempt] { connectionFailed(attempt); });
    _connecting = false;
    // The link returns without calling either handler when it no longer has
    // the lamp; the overlay must not stay up over a dead page.
    if (!attempt->ready && !attempt->failed) connectionFailed(attempt);

    refreshTable();
    if (_discovering) stopDiscovery();
    if (_pendingLoss) std::exchange(_pendingLoss, nullptr)();
}

void AQConnectionController::connectionReady(const std::shared_ptr<Attempt>& attempt) {
    attempt->ready = true;
    GlobalStore& store = GlobalStore::sharedInstance();
    store.setConnectedUUID(attempt->uuid);
    // The reads wait for each answer, which the main thread delivers: they
    // run on a worker, and only the result comes back here.
    dispatch().runOnWorker([this, attempt] {
        const bool complete = readLampIntoStore();
        dispatch().postToMain([this, attempt, complete] {
            if (attempt->failed) return;
            if (!complete) {
                attempt->failed = true;
                logLine("the lamp did not answer while its channels were read");
                SPProgressHUD::dismiss();
                link().disconnect();
                tellNotConnected();
                return;
            }
            attempt->handedOver = true;
            SPProgressHUD::dismiss();
            if (_navigationController) _navigationController->setConnected();
        });
    });
}

void AQConnectionController::connectionFailed(const std::shared_ptr<Attempt>& attempt) {
    if (attempt->failed) return;
    attempt->failed = true;
    logLine("connection faild");
    // The link dropped after the pages had been handed over (the connect's
    // wait can outlast the hand-over): that is a lost link, which the link
    // reports and connectionLost() shows, not a failed connect.
    if (attempt->handedOver) return;
    SPProgressHUD::dismiss();
    // A lamp that connected but never offered its service is still held.
    link().disconnect();
    tellNotConnected();
}

void AQConnectionController::tellNotConnected() {
    showAlert(_mainView, tr("Connection failed"),
              tr("The lamp could not be connected.") + QLatin1Char(' ') +
                  connectFailureText());
}

bool AQConnectionController::readLampIntoStore() {
    // The session reads the lamp (and records its own name for its UUID, so
    // the table shows it from now on); the pages take it from the store.
    GlobalStore& store = GlobalStore::sharedInstance();
    GlobalStore::channelClear();
    store.setPresets({});
    const std::optional<LampDescription> lamp = store.session().readLamp();
    if (!lamp) return false;
    for (const ChannelLook& look : lamp->channels) GlobalStore::channelAdd(look.name, look.color);
    store.setPresets(lamp->presettings);
    std::vector<Device> devices(std::size_t{lamp->slaves} + 1);
    store.setDevices(std::move(devices));
    return true;
}

}  // namespace aq
