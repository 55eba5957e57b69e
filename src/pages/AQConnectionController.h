#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/BleCentral.h"
#include "link/Dispatch.h"
#include "pages/AQController.h"

class QLabel;
class QWidget;

namespace aq {

class AQButton;
class AQNavigationController;
class AQTableView;
class SPProgressIndicator;

// The first page: discovers lamps for about ten seconds, lists them by name
// and UUID, and connects the chosen one. Once the link is ready it records
// the lamp's UUID and name, reads its channels and presetting names into the
// store, and hands over to the navigation.
class AQConnectionController : public AQController {
    Q_OBJECT
public:
    // Discovery ticks: the ring advances by 0.01 each, so a discovery ends
    // by itself after 101 ticks.
    static constexpr double kProgressInterval = 0.1;
    static constexpr float kProgressStep = 0.01f;
    // Shown for a lamp that has neither a stored nor an advertised name.
    static inline const char* const kUnknownLampName = QT_TR_NOOP("Unknown lamp");

    explicit AQConnectionController(QObject* parent = nullptr);
    ~AQConnectionController() override;

    void setNavigationController(AQNavigationController* navigation) {
        _navigationController = navigation;
    }
    // The view the progress overlay covers while connecting.
    void setMainView(QWidget* view) { _mainView = view; }
    // Whether another page tells of a lost link itself (a firmware update
    // reports its own end).
    // Runs its callable once no transfer is running (at once when none is),
    // so a transfer cut off by a lost link reports first.
    void setAfterRunningWork(std::function<void(std::function<void()>)> after) {
        _afterRunningWork = std::move(after);
    }
    void setLossReportedElsewhere(std::function<bool()> check) {
        _lossReportedElsewhere = std::move(check);
    }

    // Does not write the entry log line, and leaving the page keeps a
    // discovery running.
    void onEnter() override;

    void btnDiscoverPressed();
    void btnConnectDevice();
    void startDiscovery();
    void stopDiscovery();
    void refreshTable();
    void continueProgress();
    // The connected lamp's link ended by itself: back to this page with that
    // lamp chosen, and an alert that offers to connect it again.
    void connectionLost(const PeripheralPtr& peripheral, const QString& reason);
    // Shows in words what keeps the adapter from finding lamps, if anything.
    void showBluetoothState();

    AQTableView* tblDevices() const { return _tblDevices; }
    AQButton* btnDiscover() const { return _btnDiscover; }
    AQButton* btnConnect() const { return _btnConnect; }
    SPProgressIndicator* progressIndicator() const { return _progressIndicator; }
    QLabel* lblBluetoothState() const { return _lblBluetoothState; }
    AQButton* btnPowerOn() const { return _btnPowerOn; }
    bool discovering() const { return _discovering; }
    float progess() const { return _progess; }

private:
    // One connection attempt, shared by the link's handlers and the reader.
    struct Attempt {
        std::string uuid;
        bool ready = false;
        bool failed = false;
        bool handedOver = false;
    };

    void buildView();
    void armProgressTimer();
    void cancelProgressTimer();
    void connectionReady(const std::shared_ptr<Attempt>& attempt);
    void connectionFailed(const std::shared_ptr<Attempt>& attempt);
    // Worker: the lamp's channels and presetting names into the store; false
    // when the lamp left a question unanswered.
    static bool readLampIntoStore();
    void tellNotConnected();
    // Once per run: the stored lamp names are damaged and start anew.
    void tellIfNamesUnreadable();
    void watchLink();
    QString connectFailureText() const;

    AQNavigationController* _navigationController = nullptr;
    AQTableView* _tblDevices = nullptr;
    AQButton* _btnDiscover = nullptr;
    AQButton* _btnConnect = nullptr;
    QWidget* _mainView = nullptr;
    SPProgressIndicator* _progressIndicator = nullptr;
    QLabel* _lblBluetoothState = nullptr;
    AQButton* _btnPowerOn = nullptr;
    std::function<bool()> _lossReportedElsewhere;
    std::function<void(std::function<void()>)> _afterRunningWork;
    bool _deferredLoss = false;
    bool _tmrProgress = false;
    Dispatch::TimerId _tmrProgressId = 0;
    Dispatch* _timerDispatch = nullptr;
    bool _discovering = false;
    QString _discoverTitle;
    // The lamp being connected or connected, as the table names it.
    QString _connectedName;
    // Why the link of the current attempt was lost, if it was.
    QString _lostReason;
    // A connect is waiting inside btnConnectDevice(); a loss reported
    // meanwhile is shown once it has returned.
    bool _connecting = false;
    std::function<void()> _pendingLoss;
    float _progess = 0.0f;
    bool _namesNoticeGiven = false;
};

}  // namespace aq
