#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

#include "link/Dispatch.h"
#include "pages/AQController.h"

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
    static inline const char* const kUnknownLampName = "Unknown lamp";

    explicit AQConnectionController(QObject* parent = nullptr);
    ~AQConnectionController() override;

    void setNavigationController(AQNavigationController* navigation) {
        _navigationController = navigation;
    }
    // The view the progress overlay covers while connecting.
    void setMainView(QWidget* view) { _mainView = view; }

    // Does not write the entry log line, and leaving the page keeps a
    // discovery running.
    void onEnter() override;

    void btnDiscoverPressed();
    void btnConnectDevice();
    void startDiscovery();
    void stopDiscovery();
    void refreshTable();
    void continueProgress();

    AQTableView* tblDevices() const { return _tblDevices; }
    AQButton* btnDiscover() const { return _btnDiscover; }
    AQButton* btnConnect() const { return _btnConnect; }
    SPProgressIndicator* progressIndicator() const { return _progressIndicator; }
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

    AQNavigationController* _navigationController = nullptr;
    AQTableView* _tblDevices = nullptr;
    AQButton* _btnDiscover = nullptr;
    AQButton* _btnConnect = nullptr;
    QWidget* _mainView = nullptr;
    SPProgressIndicator* _progressIndicator = nullptr;
    bool _tmrProgress = false;
    Dispatch::TimerId _tmrProgressId = 0;
    Dispatch* _timerDispatch = nullptr;
    bool _discovering = false;
    QString _discoverTitle;
    float _progess = 0.0f;
    bool _namesNoticeGiven = false;
};

}  // namespace aq
