#include "bridge/BridgeService.h"

#include <QDateTime>

#include <algorithm>
#include <set>

#include "bridge/BridgeLamp.h"
#include "link/Log.h"
#include "session/LiveMode.h"

namespace aq::bridge {

namespace {

const char* kOffline = "offline";

std::string text(const QString& s) { return s.toStdString(); }

}  // namespace

LampDateTime hostTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return LampDateTime{d.year(), static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()),
                        static_cast<unsigned>(t.hour()), static_cast<unsigned>(t.minute()),
                        static_cast<unsigned>(t.second())};
}

struct BridgeService::Scout {
    std::unique_ptr<BleCentral> central;
    std::unique_ptr<LampSession> session;
    Dispatch::TimerId timer = 0;
    bool armed = false;
};

BridgeService::BridgeService(BridgeConfig config, MqttTransport& mqtt, Dispatch& dispatch,
                             CentralFactory centrals, QString version, BridgeTimes times)
    : _config(std::move(config)),
      _mqtt(mqtt),
      _dispatch(dispatch),
      _centrals(std::move(centrals)),
      _version(std::move(version)),
      _times(times),
      _topics(_config.topicPrefix, _config.discoveryPrefix, _config.nodeId) {}

BridgeService::~BridgeService() {
    *_alive = false;
    _mqtt.onConnected = nullptr;
    _mqtt.onDisconnected = nullptr;
    _mqtt.onMessage = nullptr;
    if (!_stopping) stop(5.0);
}

std::function<void()> BridgeService::guarded(
    const std::shared_ptr<Lamp>& lamp, std::function<void(const std::shared_ptr<Lamp>&)> fn) {
    std::weak_ptr<bool> alive = _alive;
    std::weak_ptr<Lamp> weak = lamp;
    return [alive, weak, fn = std::move(fn)] {
        const auto a = alive.lock();
        const auto l = weak.lock();
        if (a && *a && l) fn(l);
    };
}

void BridgeService::onWorker(std::function<void()> work, std::function<void()> then) {
    auto workers = _workers;
    ++*workers;
    std::weak_ptr<bool> alive = _alive;
    Dispatch& dispatch = _dispatch;
    _dispatch.runOnWorker([workers, alive, &dispatch, work = std::move(work), then = std::move(then)] {
        work();
        dispatch.postToMain([workers, alive, then] {
            --*workers;
            const auto a = alive.lock();
            if (a && *a) then();
        });
    });
}

void BridgeService::start() {
    _mqtt.onConnected = [this] { brokerConnected(); };
    _mqtt.onMessage = [this](const QString& topic, const QByteArray& payload) {
        handleMessage(topic, payload);
    };
    if (_config.lamps.isEmpty()) {
        logLine("serving every lamp found");
        _scout = std::make_unique<Scout>();
        _scout->central = _centrals();
        _scout->session = std::make_unique<LampSession>(*_scout->central, _dispatch, _names);
        scout();
    } else {
        for (const QString& query : _config.lamps) addLamp(query);
    }
    if (_mqtt.isConnected()) brokerConnected();
}

void BridgeService::scout() {
    if (_stopping || !_scout) return;
    BTLEController& link = _scout->session->link();
    std::weak_ptr<bool> alive = _alive;
    link.start_scanning([this, alive] {
        _dispatch.postToMain([this, alive] {
            const auto a = alive.lock();
            if (!a || !*a || _stopping || !_scout) return;
            for (const FoundLamp& found : _scout->session->found()) {
                const QString id = QString::fromStdString(found.identifier);
                const bool served = std::any_of(_lamps.begin(), _lamps.end(), [&](const auto& l) {
                    return l->query.compare(id, Qt::CaseInsensitive) == 0;
                });
                if (!served) addLamp(id);
            }
        });
    });
    _scout->armed = true;
    _scout->timer = _dispatch.singleShot(_times.scan, [this, alive] {
        const auto a = alive.lock();
        if (!a || !*a || !_scout) return;
        _scout->session->link().stop_scanning();
        _scout->timer = _dispatch.singleShot(_times.rescan, [this, alive] {
            const auto b = alive.lock();
            if (!b || !*b || !_scout) return;
            _scout->armed = false;
            scout();
        });
    });
}

void BridgeService::addLamp(const QString& query) {
    auto lamp = std::make_shared<Lamp>();
    lamp->query = query;
    lamp->central = _centrals();
    lamp->session = std::make_unique<LampSession>(*lamp->central, _dispatch, _names);
    lamp->connector = std::make_unique<LampConnector>(*lamp->session);
    lamp->values.link = QStringLiteral("searching");
    std::weak_ptr<bool> alive = _alive;
    std::weak_ptr<Lamp> weak = lamp;
    lamp->session->link().setConnectionLostHandler([this, alive, weak](const auto&) {
        const auto a = alive.lock();
        const auto l = weak.lock();
        if (a && *a && l) lost(l);
    });
    _lamps.push_back(lamp);
    logLine(format("serving lamp %s", text(query).c_str()));
    search(lamp);
}

void BridgeService::search(const std::shared_ptr<Lamp>& lamp) {
    if (_stopping) return;
    lamp->phase = Lamp::Phase::Searching;
    lamp->values.link = QStringLiteral("searching");
    if (lamp->announced) publishState(*lamp);
    lamp->connector->start(text(lamp->query), _times.scan, _times.connect,
                           [this, weak = std::weak_ptr<Lamp>(lamp)](LampConnector::Outcome outcome) {
                               const auto l = weak.lock();
                               if (!l) return;
                               if (outcome == LampConnector::Outcome::Ready) {
                                   connected(l);
                               } else {
                                   logLine(format("lamp %s %s", text(l->label()).c_str(),
                                                  outcome == LampConnector::Outcome::NotFound
                                                      ? "not found"
                                                      : "did not connect"));
                                   retryLater(l);
                               }
                           });
}

void BridgeService::retryLater(const std::shared_ptr<Lamp>& lamp) {
    if (_stopping) return;
    lamp->phase = Lamp::Phase::Waiting;
    lamp->backoff = lamp->backoff <= 0.0 ? _times.retryFirst
                                         : std::min(lamp->backoff * 2.0, _times.retryMax);
    lamp->values.link = QStringLiteral("retrying");
    if (lamp->announced) publishState(*lamp);
    logLine(format("lamp %s: next try in %g s", text(lamp->label()).c_str(), lamp->backoff));
    if (lamp->retryArmed) _dispatch.cancel(lamp->retryTimer);
    lamp->retryArmed = true;
    lamp->retryTimer = _dispatch.singleShot(lamp->backoff, guarded(lamp, [this](const auto& l) {
        l->retryArmed = false;
        search(l);
    }));
}

void BridgeService::connected(const std::shared_ptr<Lamp>& lamp) {
    lamp->phase = Lamp::Phase::Reading;
    lamp->values.link = QStringLiteral("reading");
    LampSession* session = lamp->session.get();
    auto read = std::make_shared<std::optional<LampDescription>>();
    onWorker([session, read] { *read = session->readLamp(); },
             guarded(lamp, [this, read](const std::shared_ptr<Lamp>& l) {
                 if (_stopping) return;
                 if (!*read) {
                     logLine(format("lamp %s stopped answering while it was read",
                                    text(l->label()).c_str()));
                     l->session->disconnect();
                     retryLater(l);
                     return;
                 }
                 l->description = **read;
                 ready(l);
             }));
}

void BridgeService::ready(const std::shared_ptr<Lamp>& lamp) {
    const PeripheralPtr peripheral = lamp->session->link().peripheral();
    if (!peripheral) {
        retryLater(lamp);
        return;
    }
    const QString identifier = QString::fromStdString(peripheral->identifier());
    lamp->key = lampKey(peripheral->identifier());
    // One record per lamp: a name and an identifier may name the same one.
    for (const auto& other : _lamps) {
        if (other != lamp && other->key == lamp->key && other->phase == Lamp::Phase::Ready) {
            logLine(format("lamp %s is served already", text(lamp->key).c_str()));
            lamp->session->disconnect();
            // Keyless, this record publishes nothing on the other's topics
            // (an "offline" after a broker restart, say).
            lamp->key.clear();
            return;
        }
    }
    lamp->phase = Lamp::Phase::Ready;
    lamp->backoff = 0.0;
    lamp->live = false;
    lamp->identity.key = lamp->key;
    lamp->identity.identifier = identifier;
    lamp->identity.name = QString::fromStdString(lamp->description.name);
    lamp->identity.channels.clear();
    for (const ChannelLook& c : lamp->description.channels) {
        lamp->identity.channels.push_back(QString::fromStdString(c.name));
    }
    lamp->lights.assign(lamp->description.channels.size(), ChannelLight{});
    lamp->values.link = QStringLiteral("connected");
    logLine(format("lamp %s (%s) is ready", text(lamp->key).c_str(), lamp->description.name.c_str()));
    if (lamp->liveWhenLost) {
        // Its lights were all switched off when the link went: the lamp
        // goes back to its day programme rather than stay lit by hand.
        leaveLiveMode(lamp->session->link(), lamp->channelCount());
        lamp->liveWhenLost = false;
    }
    publishAvailability(*lamp);
    for (int i = 0; i < static_cast<int>(lamp->lights.size()); ++i) publishChannel(*lamp, i);
    refresh(lamp);
    armRefresh(lamp);
}

void BridgeService::lost(const std::shared_ptr<Lamp>& lamp) {
    // A connect or the ready chain in progress ends by itself and retries.
    if (lamp->phase != Lamp::Phase::Ready || _stopping) return;
    logLine(format("lamp %s lost", text(lamp->label()).c_str()));
    lamp->liveWhenLost = lamp->liveWhenLost || lamp->live;
    lamp->live = false;
    for (ChannelLight& light : lamp->lights) light.on = false;
    lamp->values.link = QStringLiteral("lost");
    lamp->phase = Lamp::Phase::Waiting;
    publishAvailability(*lamp);
    lamp->backoff = 0.0;
    retryLater(lamp);
}

void BridgeService::armRefresh(const std::shared_ptr<Lamp>& lamp) {
    if (lamp->refreshArmed) _dispatch.cancel(lamp->refreshTimer);
    lamp->refreshArmed = true;
    lamp->refreshTimer = _dispatch.singleShot(_times.refresh, guarded(lamp, [this](const auto& l) {
        l->refreshArmed = false;
        if (l->phase != Lamp::Phase::Ready || _stopping) return;
        refresh(l);
        armRefresh(l);
    }));
}

void BridgeService::refresh(const std::shared_ptr<Lamp>& lamp) {
    if (lamp->phase != Lamp::Phase::Ready) return;
    if (lamp->refreshing) {
        lamp->refreshAgain = true;
        return;
    }
    lamp->refreshing = true;
    lamp->refreshAgain = false;
    LampSession& session = *lamp->session;
    // The three reads queue one behind the other; the last to end publishes.
    // Only what they read is shown: nothing is kept from the reads before.
    auto values = std::make_shared<LampValues>();
    session.readInfo(true, {}, [this, values, weak = std::weak_ptr<Lamp>(lamp),
                                alive = std::weak_ptr<bool>(_alive)](const LampInfo& info) {
        const auto a = alive.lock();
        const auto l = weak.lock();
        if (!a || !*a || !l) return;
        values->info = info;
        if (info.clock) {
            const auto lampTime = info.clock->toLocalSeconds();
            const auto host = hostTime().toLocalSeconds();
            if (lampTime && host) {
                values->clockOffset = static_cast<double>((*lampTime - *host).count());
            }
        }
    });
    session.readMoon([values](const MoonSettings& moon) { values->moon = moon; });
    session.readWeather([this, values, weak = std::weak_ptr<Lamp>(lamp),
                         alive = std::weak_ptr<bool>(_alive)](const WeatherSettings& weather) {
        const auto a = alive.lock();
        const auto l = weak.lock();
        if (!a || !*a || !l) return;
        values->weather = weather;
        l->refreshing = false;
        if (l->phase != Lamp::Phase::Ready) return;
        values->link = l->values.link;
        l->values = *values;
        if (weather.cloudsPerDay && *weather.cloudsPerDay) l->cloudsLast = *weather.cloudsPerDay;
        if (weather.boltsPerHour && *weather.boltsPerHour) l->boltsLast = *weather.boltsPerHour;
        if (l->identity.firmware.isEmpty() && values->info.firmware) {
            l->identity.firmware = QString::fromStdString(*values->info.firmware);
        }
        if (!l->announced && _mqtt.isConnected()) announce(*l);
        publishState(*l);
        if (l->refreshAgain) refresh(l);
    });
}

std::vector<QString> BridgeService::readyLamps() const {
    std::vector<QString> keys;
    for (const auto& lamp : _lamps) {
        if (lamp->phase == Lamp::Phase::Ready) keys.push_back(lamp->key);
    }
    return keys;
}

std::shared_ptr<BridgeService::Lamp> BridgeService::lampByKey(const QString& key) const {
    std::shared_ptr<Lamp> best;
    for (const auto& lamp : _lamps) {
        if (lamp->key != key) continue;
        if (!best || lamp->phase == Lamp::Phase::Ready) best = lamp;
    }
    return best;
}

void BridgeService::stop(double seconds) {
    if (_stopping) return;
    const double until = _dispatch.now() + seconds;
    // Lamps in live mode go back to their day programme.
    std::vector<std::shared_ptr<Lamp>> leaving;
    for (const auto& lamp : _lamps) {
        if (lamp->phase == Lamp::Phase::Ready && lamp->live) {
            leaveLiveMode(lamp->session->link(), lamp->channelCount());
            lamp->live = false;
            // The retained light states say what the lamp does now.
            for (std::size_t i = 0; i < lamp->lights.size(); ++i) {
                lamp->lights[i].on = false;
                publishChannel(*lamp, static_cast<int>(i));
            }
            leaving.push_back(lamp);
        }
    }
    for (const auto& lamp : leaving) {
        // Shared: a lamp that does not answer in time hears of it after this returns.
        auto sent = std::make_shared<bool>(false);
        lamp->session->whenSent([sent] { *sent = true; });
        while (!*sent && _dispatch.now() < until) _dispatch.runLoopFor(0.01);
    }
    _stopping = true;
    if (_scout) {
        if (_scout->armed) _dispatch.cancel(_scout->timer);
        _scout->session->link().stop_scanning();
    }
    for (const auto& lamp : _lamps) {
        if (lamp->retryArmed) _dispatch.cancel(lamp->retryTimer);
        if (lamp->refreshArmed) _dispatch.cancel(lamp->refreshTimer);
        lamp->retryArmed = lamp->refreshArmed = false;
        lamp->connector->cancel();
        if (!lamp->key.isEmpty()) _mqtt.publish(_topics.lampAvailability(lamp->key), kOffline, true);
        lamp->session->disconnect();
    }
    _mqtt.publish(_topics.bridgeAvailability(), kOffline, true);
    // A worker may still wait for an answer the loop delivers (given up now).
    while (_workers->load() > 0 && _dispatch.now() < until + 10.0) _dispatch.runLoopFor(0.01);
    if (_workers->load() > 0) logLine("a lamp worker did not finish");
}

}  // namespace aq::bridge
