#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "bridge/BridgeConfig.h"
#include "bridge/EntityMap.h"
#include "bridge/MqttTransport.h"
#include "link/BleCentral.h"
#include "link/Dispatch.h"

namespace aq::bridge {

// Times of the service; tests shorten them.
struct BridgeTimes {
    double retryFirst = 1.0;  // a lost or missing lamp is tried again after this,
    double retryMax = 60.0;   // doubling up to this
    double refresh = 300.0;   // values read again this often
    double scan = 10.0;       // how long one search for a lamp scans
    double connect = 10.0;    // how long a connect may take to become ready
    double rescan = 60.0;     // serving all lamps: a scan for new ones this often
};

// The bridge: one lamp session per served lamp, each on a central of its own
// (a central has one delegate), their values and commands on the broker.
// Nothing here waits on a lamp: reads and writes are queued and answered
// later, the ready chain and uploads run on workers, so a slow or absent lamp
// never holds up another. Main thread.
class BridgeService {
public:
    using CentralFactory = std::function<std::unique_ptr<BleCentral>()>;

    BridgeService(BridgeConfig config, MqttTransport& mqtt, Dispatch& dispatch,
                  CentralFactory centrals, QString version, BridgeTimes times = {});
    ~BridgeService();
    BridgeService(const BridgeService&) = delete;
    BridgeService& operator=(const BridgeService&) = delete;

    // The lamp names the user gave in the app: lamps are found by them too,
    // and a served lamp's own name is recorded. Before start(); none by default.
    void setLampNames(LampNameBook* names) { _names = names; }

    // Starts looking for the lamps; the broker's callbacks are taken over.
    void start();
    // The clean end: lamps the bridge put in live mode back to normal
    // operation, everything marked offline, links closed, workers finished.
    // Runs the event loop meanwhile, at most about `seconds`.
    void stop(double seconds);

    const TopicScheme& topics() const { return _topics; }
    // The keys of the lamps served and ready.
    std::vector<QString> readyLamps() const;
    // A message from the broker (the transport's callback).
    void handleMessage(const QString& topic, const QByteArray& payload);

    struct Lamp;

private:
    void brokerConnected();
    void addLamp(const QString& query);
    void search(const std::shared_ptr<Lamp>& lamp);
    void retryLater(const std::shared_ptr<Lamp>& lamp);
    void connected(const std::shared_ptr<Lamp>& lamp);
    void ready(const std::shared_ptr<Lamp>& lamp);
    void lost(const std::shared_ptr<Lamp>& lamp);
    void refresh(const std::shared_ptr<Lamp>& lamp);
    void armRefresh(const std::shared_ptr<Lamp>& lamp);
    void announce(Lamp& lamp);
    void publishAvailability(const Lamp& lamp);
    void publishState(const Lamp& lamp);
    void publishChannel(const Lamp& lamp, int channel);
    void answer(const QString& lamp, const QString& command, bool ok, const QString& message);
    void command(const std::shared_ptr<Lamp>& lamp, const Command& c);
    void switchCommand(const std::shared_ptr<Lamp>& lamp, const Command& c);
    void numberCommand(const std::shared_ptr<Lamp>& lamp, const Command& c);
    void buttonCommand(const std::shared_ptr<Lamp>& lamp, const Command& c);
    void lightCommand(const std::shared_ptr<Lamp>& lamp, const Command& c);
    void presetCommand(const std::shared_ptr<Lamp>& lamp, const Command& c);
    // Answers once the lamp took what was queued (ok while the link held),
    // then reads the values again.
    void afterSent(const std::shared_ptr<Lamp>& lamp, const QString& command,
                   const QString& okMessage);
    void scout();
    std::shared_ptr<Lamp> lampByKey(const QString& key) const;
    // Runs `work` on a worker, then `then` on the main thread while the
    // service lives.
    void onWorker(std::function<void()> work, std::function<void()> then);
    // A callable that runs `fn` only while the service and the lamp live.
    std::function<void()> guarded(const std::shared_ptr<Lamp>& lamp,
                                  std::function<void(const std::shared_ptr<Lamp>&)> fn);

    BridgeConfig _config;
    MqttTransport& _mqtt;
    Dispatch& _dispatch;
    CentralFactory _centrals;
    LampNameBook* _names = nullptr;
    QString _version;
    BridgeTimes _times;
    TopicScheme _topics;
    std::vector<std::shared_ptr<Lamp>> _lamps;
    bool _stopping = false;
    // The search for lamps not served yet (when serving all found).
    struct Scout;
    std::unique_ptr<Scout> _scout;
    std::shared_ptr<std::atomic<int>> _workers = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};

}  // namespace aq::bridge
