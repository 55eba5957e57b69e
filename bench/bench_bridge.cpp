// The bridge's figures: how long a command message takes to become a write
// at the lamp (simulated lamp answering at once, 0 ms per operation), and
// whether resident memory stays steady over 10,000 commands. The broker is a
// real mosquitto on a loopback port, the bridge runs in this process on the
// Qt event loop. Prints the figures; exit status 1 when one is out of bounds
// (median over 5 ms, growth over 2 MB), 0 otherwise, 77 without mosquitto.
#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <unistd.h>

#include "../tests/support/BrokerHarness.h"
#include "bridge/BridgeService.h"
#include "bridge/MosquittoClient.h"
#include "link/Log.h"
#include "platform/QtDispatch.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"

namespace {

using namespace aq;
using Steady = std::chrono::steady_clock;

// A lamp that notes when each write arrives.
class TimedLamp : public SimModelLamp {
public:
    using SimModelLamp::SimModelLamp;
    std::uint64_t writes() const { return _writes.load(); }
    Steady::time_point lastWrite() const {
        std::lock_guard lock(_mutex);
        return _last;
    }

protected:
    Bytes answer(const std::string& characteristic, const Bytes& data) override {
        {
            std::lock_guard lock(_mutex);
            if (_writes.load() == _seen) _last = Steady::now();
        }
        ++_writes;
        return SimModelLamp::answer(characteristic, data);
    }

public:
    // The first write after this call is the one timed.
    void arm() {
        std::lock_guard lock(_mutex);
        _seen = _writes.load();
    }

private:
    mutable std::mutex _mutex;
    std::atomic<std::uint64_t> _writes{0};
    std::uint64_t _seen = 0;
    Steady::time_point _last;
};

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setLogSink([](std::string_view) {});
    if (test::Broker::program().isEmpty()) {
        std::printf("mosquitto is not installed: no figures\n");
        return 77;
    }
    test::Broker broker;
    test::TestClient client;
    std::string error;
    if (!broker.start(error) || !client.connect(broker.port(), error)) {
        std::printf("broker: %s\n", error.c_str());
        return 1;
    }
    QtDispatch dispatch;
    auto lamp = std::make_shared<TimedLamp>("Bench", "00000000-0000-0000-0000-0A1C0000B001",
                                            SimLampModel::demo(0));
    bridge::BridgeConfig config;
    config.broker = {QStringLiteral("127.0.0.1"), broker.port(), false};
    config.bridgeName = config.nodeId = "bench";
    const bridge::TopicScheme topics("aqlamp", "homeassistant", "bench");
    bridge::MosquittoClient mqtt(config, "bench-bridge", topics.bridgeAvailability());
    bridge::BridgeService service(
        config, mqtt, dispatch,
        [&] {
            auto central = std::make_unique<SimCentral>(dispatch, 0.0);
            central->addLamp(lamp);
            return std::unique_ptr<BleCentral>(std::move(central));
        },
        "bench");
    QString qerror;
    if (!mqtt.start(qerror)) return 1;
    service.start();
    const QString key = bridge::lampKey(lamp->identifier());
    if (!test::processEventsUntil([&] { return !service.readyLamps().empty(); }, 30.0)) {
        std::printf("the lamp did not become ready\n");
        return 1;
    }
    const QString result = topics.result(key);
    // One command: sent, timed to the lamp's write, its answer awaited so
    // the next starts on a quiet link.
    auto run = [&](const QString& topic, const QByteArray& payload) -> double {
        client.clear();
        lamp->arm();
        const std::uint64_t before = lamp->writes();
        const auto start = Steady::now();
        client.publish(topic, payload);
        if (!test::processEventsUntil(
                [&] { return lamp->writes() > before && client.last(result).has_value(); }, 10.0)) {
            return -1.0;
        }
        return std::chrono::duration<double, std::milli>(lamp->lastWrite() - start).count();
    };
    struct Kind {
        const char* what;
        std::function<std::pair<QString, QByteArray>(int)> message;
    };
    const Kind kinds[] = {
        {"channel light (live value)",
         [&](int i) {
             return std::make_pair(topics.channelCommand(key, i % 6),
                                   QByteArray(R"({"state":"ON","brightness":)") +
                                       QByteArray::number(1 + i % 255) + "}");
         }},
        {"number (cloud intensity)",
         [&](int i) {
             return std::make_pair(topics.command(key, "cloud_intensity"), QByteArray::number(i % 101));
         }},
    };
    // The number of commands may be given (for a quick look); 10,000 by default.
    const int kCommands = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int kWarmUp = std::min(200, kCommands / 10 + 1);
    bool good = true;
    for (const Kind& kind : kinds) {
        for (int i = 0; i < kWarmUp; ++i) {
            const auto [t, p] = kind.message(i);
            run(t, p);
        }
        const double rssBefore = residentMegabytes();
        std::vector<double> times;
        int lost = 0;
        for (int i = 0; i < kCommands; ++i) {
            const auto [t, p] = kind.message(i);
            const double ms = run(t, p);
            if (ms < 0) {
                ++lost;
            } else {
                times.push_back(ms);
            }
        }
        const double rssAfter = residentMegabytes();
        std::sort(times.begin(), times.end());
        const auto at = [&](double q) {
            return times.empty() ? -1.0 : times[static_cast<std::size_t>(q * (times.size() - 1))];
        };
        std::printf("%-28s %d commands: median %.3f ms, p95 %.3f ms, max %.3f ms, unanswered %d; "
                    "resident %.1f MB -> %.1f MB (%+.2f MB)\n",
                    kind.what, kCommands, at(0.5), at(0.95), at(1.0), lost, rssBefore, rssAfter,
                    rssAfter - rssBefore);
        good = good && lost == 0 && at(0.5) <= 5.0 && rssAfter - rssBefore < 2.0;
    }
    service.stop(5.0);
    mqtt.stop(3.0);
    return good ? 0 : 1;
}
