#pragma once

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "StandInBus.h"
#include "link/BTLEController.h"
#include "platform/QtBleCentral.h"
#include "platform/QtDispatch.h"
#include "session/GlobalStore.h"
#include "state/MemoryPreferences.h"
#include "support/EventWait.h"
#include "support/LogCapture.h"

namespace aq::test {

// The application's real pieces, unmodified, on a stand-in BlueZ: the Qt Bluetooth central,
// the Qt dispatch and the global store with its lamp link. Each test starts its own stand-in
// with the options it names.
class E2eFixture : public ::testing::Test {
protected:
    // Starts the stand-in with these options, then the central and the store on it.
    bool start(const QStringList& standInOptions = {}) {
        std::string error;
        if (!standIn.start(standInOptions, error)) {
            ADD_FAILURE() << error;
            return false;
        }
        central = std::make_unique<QtBleCentral>();
        GlobalStore::configure(*central, dispatch, preferences);
        GlobalStore::sharedInstance();
        return true;
    }

    void TearDown() override {
        if (HasFailure() || qEnvironmentVariableIsSet("AQ_E2E_LOG")) {
            std::cerr << "---- link log\n";
            for (const std::string& entry : log.entries()) std::cerr << entry;
            std::cerr << "---- stand-in log\n" << standIn.log() << "----\n";
        }
        if (central) endTheLink();
        standIn.stop();
    }

    // Waits for the workers, disconnects, and ends the store and the central in order.
    void endTheLink() {
        // A worker still waiting on the lamp would go on using the link ended below.
        if (!waitUntil([this] { return *_workersRunning == 0; }, 15.0)) {
            std::cerr << "a worker never finished; ending the test process\n";
            std::abort();
        }
        link().disconnect();
        // The central's controllers close their links before they go.
        EXPECT_TRUE(waitUntil(
            [this] { return central->findChildren<QLowEnergyController*>().isEmpty(); }, 10.0))
            << "a link never closed";
        GlobalStore::reset();
        central.reset();
        // Let Qt finish what the ended link left behind before the stand-in goes.
        bool drained = false;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { drained = true; }, Qt::QueuedConnection);
        waitUntil([&] { return drained; }, 5.0);
    }

    static GlobalStore& store() { return GlobalStore::sharedInstance(); }
    static BTLEController& link() { return store().btController(); }

    // Runs `work` on a worker of the dispatch, as the pages do with blocking lamp commands,
    // and handles events until it returns. No value when it did not return in time.
    template <typename Work>
    auto onWorker(Work work, double seconds) -> std::optional<decltype(work())> {
        using Result = decltype(work());
        struct Shared {
            std::atomic<bool> done{false};
            std::optional<Result> result;
        };
        auto shared = std::make_shared<Shared>();
        auto running = _workersRunning;
        ++*running;
        dispatch.runOnWorker([shared, running, work = std::move(work)]() mutable {
            shared->result = work();
            shared->done.store(true);
            --*running;
        });
        if (!waitUntil([&] { return shared->done.load(); }, seconds)) return std::nullopt;
        return std::move(shared->result);
    }

    // Scans until `count` lamps are listed; the scan keeps running.
    bool scanFor(std::size_t count, double seconds = 10.0) {
        discoveries = 0;
        link().start_scanning([this] { ++discoveries; });
        return waitUntil([&] { return link().peripherals().size() >= count; }, seconds);
    }

    // Where the scan lists the lamp; the list's size when it does not.
    static std::size_t indexOf(const std::string& identifier) {
        const auto lamps = link().peripherals();
        const auto found = std::find_if(lamps.begin(), lamps.end(), [&](const PeripheralPtr& p) {
            return p->identifier() == identifier;
        });
        return std::size_t(found - lamps.begin());
    }

    struct ConnectResult {
        bool ready = false;   // the ready handler ran during the connect
        bool failed = false;  // the error handler ran
        double seconds = 0;   // how long the connect took
    };

    // Connects the lamp at `index` of the scan's list, as the connection page does.
    ConnectResult connectAt(std::uint64_t index) {
        ConnectResult result;
        const double began = dispatch.now();
        link().connect_periperal_at(
            index, [&result] { result.ready = true; }, [&result] { result.failed = true; });
        result.seconds = dispatch.now() - began;
        return result;
    }

    // Scans and connects the only lamp; none when it is not ready.
    PeripheralPtr connectTheLamp() {
        if (!scanFor(1)) return nullptr;
        const PeripheralPtr lamp = link().peripherals()[0];
        return connectAt(0).ready ? lamp : nullptr;
    }

    // Once its fault is cleared the lamp is found again as the same one, connects and answers.
    void expectRecovers(const PeripheralPtr& lamp) {
        standIn.clearFaults();
        ASSERT_TRUE(scanFor(1)) << "the lamp was not found again";
        EXPECT_EQ(link().peripherals()[0], lamp) << "the lamp came back as another";
        ASSERT_TRUE(connectAt(0).ready) << "the lamp could not be connected again";
        const auto read = readLamp();
        ASSERT_TRUE(read) << "the lamp did not answer again";
        EXPECT_EQ(read->channels.size(), 6u);
    }

    // What the connection page reads on a worker once the link is ready: the lamp's name (kept
    // for its identifier), channels, presettings and slaves. None when a read went unanswered.
    std::optional<LampDescription> readLamp() {
        return onWorker([] { return store().session().readLamp(); }, 30.0).value_or(std::nullopt);
    }

    StandIn standIn;
    QtDispatch dispatch;
    std::unique_ptr<QtBleCentral> central;
    MemoryPreferences preferences;
    LogCapture log;
    int discoveries = 0;

private:
    std::shared_ptr<std::atomic<int>> _workersRunning = std::make_shared<std::atomic<int>>(0);
};

}  // namespace aq::test
