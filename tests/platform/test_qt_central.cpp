// The Qt Bluetooth central, as far as it can be checked without an adapter:
// identifiers, state numbers, which scanned devices are reported and as
// which handle, that requests from workers reach the main thread, and that a
// machine without Bluetooth is reported and survived.

#include "platform/QtBleCentral.h"

#include "support/EventWait.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QThread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace aq {
namespace {

using test::waitUntil;

const QBluetoothUuid kLampService(QStringLiteral("6f1c2a30-5b7e-4d21-9a43-0c8e51f7b2d4"));
const QBluetoothUuid kOtherService(QStringLiteral("0000180f-0000-1000-8000-00805f9b34fb"));

bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Handles everything posted so far to the main thread (and what that posts in turn).
void drain() {
    for (int round = 0; round < 3; ++round) {
        bool done = false;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { done = true; }, Qt::QueuedConnection);
        waitUntil([&] { return done; }, 2.0);
    }
}

bool adapterPresent() {
    return !QBluetoothLocalDevice::allDevices().isEmpty();
}

QBluetoothDeviceInfo device(const char* address, const QString& name,
                            const QList<QBluetoothUuid>& services) {
    QBluetoothDeviceInfo info(QBluetoothAddress(QString::fromLatin1(address)), name, 0);
    info.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
    info.setServiceUuids(services);
    return info;
}

// Records what the central reports, and whether any of it came off the main thread.
struct RecordingCentralDelegate : BleCentralDelegate {
    std::vector<CentralState> states;
    std::vector<PeripheralPtr> discovered;
    std::vector<PeripheralPtr> connected;
    std::vector<std::pair<PeripheralPtr, std::string>> failed;
    int offMainThread = 0;

    template <typename T>
    void record(std::vector<T>& list, T entry) {
        offMainThread += onMainThread() ? 0 : 1;
        list.push_back(std::move(entry));
    }
    void centralManagerDidUpdateState(CentralState s) override { record(states, s); }
    void didDiscoverPeripheral(const PeripheralPtr& p) override { record(discovered, p); }
    void didConnectPeripheral(const PeripheralPtr& p) override { record(connected, p); }
    void didFailToConnectPeripheral(const PeripheralPtr& p, const std::string& error) override {
        record(failed, {p, error});
    }
};

// A lamp's delegate that nothing may call: any answer fails the test.
struct SilentPeripheralDelegate : BlePeripheralDelegate {
    using Error = const std::optional<std::string>&;
    MOCK_METHOD(void, didDiscoverServices, (BlePeripheral&, Error), (override));
    MOCK_METHOD(void, didDiscoverCharacteristicsForService,
                (BlePeripheral&, const ServicePtr&, Error), (override));
    MOCK_METHOD(void, didWriteValueForCharacteristic,
                (BlePeripheral&, const CharacteristicPtr&, Error), (override));
    MOCK_METHOD(void, didUpdateValueForCharacteristic,
                (BlePeripheral&, const CharacteristicPtr&, Error), (override));
};

// A characteristic this central never handed out.
struct ForeignCharacteristic : BleCharacteristic {
    std::string uuid() const override { return "6f1c2a31-5b7e-4d21-9a43-0c8e51f7b2d4"; }
    Bytes value() const override { return {}; }
};

class QtCentralTest : public ::testing::Test {
protected:
    void SetUp() override {
        central = std::make_unique<QtBleCentral>();
        central->setDelegate(&delegate);
    }
    void TearDown() override {
        central.reset();
        drain();
    }
    bool logContains(const std::string& text) { return !log.matching(text).empty(); }
    // Scans for the lamp service and returns the handle of one lamp, which
    // reports to lampDelegate (that nothing may call).
    PeripheralPtr scannedLamp() {
        central->scanForPeripheralsWithServices({"6f1c2a30-5b7e-4d21-9a43-0c8e51f7b2d4"});
        central->handleDeviceDiscovered(device("00:1A:7D:DA:71:13", "Lamp", {kLampService}));
        if (delegate.discovered.empty()) return nullptr;
        delegate.discovered.back()->setDelegate(&lampDelegate);
        return delegate.discovered.back();
    }

    test::LogCapture log;
    testing::StrictMock<SilentPeripheralDelegate> lampDelegate;  // outlives the handles
    RecordingCentralDelegate delegate;
    std::unique_ptr<QtBleCentral> central;
};

// ---------------------------------------------------------------------------

TEST(QtBleText, IdentifiersNamesAndUuids) {
    struct Case {
        const char* address;
        const char* expected;
    };
    const Case cases[] = {
        {"00:1A:7D:DA:71:13", "00000000-0000-0000-0000-001A7DDA7113"},
        {"aa:bb:cc:0d:0e:0f", "00000000-0000-0000-0000-AABBCC0D0E0F"},  // case, leading zeros
    };
    for (const Case& c : cases) {
        const QBluetoothAddress address(QString::fromLatin1(c.address));
        EXPECT_EQ(identifierForAddress(address), c.expected) << c.address;
        EXPECT_EQ(identifierForDevice(device(c.address, {}, {})), c.expected) << c.address;
    }

    // A device known only by its UUID, as Qt reports devices on macOS.
    const QBluetoothUuid uuid(QStringLiteral("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"));
    const QBluetoothDeviceInfo byUuid(uuid, QStringLiteral("Lamp"), 0);
    EXPECT_EQ(identifierForDevice(byUuid), "6BA7B810-9DAD-11D1-80B4-00C04FD430C8");

    // The name is the alias, unless BlueZ made it from the device's own address.
    EXPECT_EQ(nameOfDevice(device("00:1A:7D:DA:71:13", "Lamp 2", {})), "Lamp 2");
    EXPECT_EQ(nameOfDevice(device("00:1A:7D:DA:71:13", "", {})), std::nullopt);
    EXPECT_EQ(nameOfDevice(device("00:1A:7D:DA:71:13", "00-1A-7D-DA-71-13", {})), std::nullopt);
    // Another device's address is a name like any other.
    EXPECT_EQ(nameOfDevice(device("00:1A:7D:DA:71:13", "00-1A-7D-DA-71-14", {})),
              "00-1A-7D-DA-71-14");

    // UUIDs are written lower case without braces, and read in any case.
    EXPECT_EQ(uuidText(kLampService), "6f1c2a30-5b7e-4d21-9a43-0c8e51f7b2d4");
    EXPECT_EQ(uuidFromText("6F1C2A30-5B7E-4D21-9A43-0C8E51F7B2D4"), kLampService);
    EXPECT_EQ(uuidFromText("{6f1c2a30-5b7e-4d21-9a43-0c8e51f7b2d4}"), kLampService);
    EXPECT_TRUE(uuidFromText("lamp").isNull());
}

TEST(QtBleStates, QtStatesAndErrorsMapToPeripheralAndCentralStates) {
    using C = QLowEnergyController;
    const std::pair<C::ControllerState, PeripheralState> cases[] = {
        {C::UnconnectedState, PeripheralState::Disconnected},
        {C::ConnectingState, PeripheralState::Connecting},
        {C::ConnectedState, PeripheralState::Connected},
        {C::DiscoveringState, PeripheralState::Connected},
        {C::DiscoveredState, PeripheralState::Connected},
        {C::ClosingState, PeripheralState::Disconnected},
    };
    for (const auto& [qt, expected] : cases)
        EXPECT_EQ(peripheralStateFor(qt), expected) << qtEnumKey(qt);
    EXPECT_EQ(static_cast<int>(peripheralStateFor(C::ConnectedState)), 2);

    // The adapter's mode and scan errors give the central's state.
    using L = QBluetoothLocalDevice;
    EXPECT_EQ(centralStateFor(false, L::HostConnectable), CentralState::Unsupported);
    EXPECT_EQ(centralStateFor(true, L::HostPoweredOff), CentralState::PoweredOff);
    EXPECT_EQ(centralStateFor(true, L::HostConnectable), CentralState::PoweredOn);
    EXPECT_EQ(centralStateFor(true, L::HostDiscoverable), CentralState::PoweredOn);

    using A = QBluetoothDeviceDiscoveryAgent;
    EXPECT_EQ(centralStateForScanError(A::PoweredOffError, true), CentralState::PoweredOff);
    EXPECT_EQ(centralStateForScanError(A::InvalidBluetoothAdapterError, true),
              CentralState::Unsupported);
    EXPECT_EQ(centralStateForScanError(A::MissingPermissionsError, true),
              CentralState::Unauthorized);
    // BlueZ without an adapter says only InputOutputError.
    EXPECT_EQ(centralStateForScanError(A::InputOutputError, false), CentralState::Unsupported);
    EXPECT_EQ(centralStateForScanError(A::InputOutputError, true), std::nullopt);
}

TEST(QtBlePending, AnswersAreMatchedToTheirRequests) {
    using K = PendingOperation::Kind;
    int serviceA = 0;
    int serviceB = 0;
    const QBluetoothUuid command(QStringLiteral("6f1c2a31-5b7e-4d21-9a43-0c8e51f7b2d4"));
    const QBluetoothUuid test(QStringLiteral("6f1c2a32-5b7e-4d21-9a43-0c8e51f7b2d4"));
    const CharacteristicPtr first = std::make_shared<ForeignCharacteristic>(),
                            second = std::make_shared<ForeignCharacteristic>(),
                            third = std::make_shared<ForeignCharacteristic>(),
                            fourth = std::make_shared<ForeignCharacteristic>();

    PendingOperations pending;
    pending.push({K::Write, &serviceA, command, first});
    pending.push({K::Read, &serviceA, command, second});
    pending.push({K::Write, &serviceA, test, third});
    pending.push({K::Write, &serviceB, command, fourth});

    // A success names its characteristic: not simply the oldest write.
    auto done = pending.takeCompleted(K::Write, &serviceA, test);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->characteristic, third);
    EXPECT_FALSE(pending.takeCompleted(K::Write, &serviceA, test));

    // An error names only its service and kind: the oldest such request.
    auto failed = pending.takeFailed(K::Write, &serviceB);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->characteristic, fourth);
    failed = pending.takeFailed(K::Read, &serviceA);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->characteristic, second);
    EXPECT_FALSE(pending.takeFailed(K::Read, &serviceA));

    // A service that goes takes its requests, and only its, in order.
    pending.push({K::Read, &serviceB, test, second});
    pending.push({K::Write, &serviceB, test, fourth});
    const auto gone = pending.takeAll(&serviceB);
    ASSERT_EQ(gone.size(), 2u);
    EXPECT_EQ(gone[0].characteristic, second);
    EXPECT_EQ(gone[1].characteristic, fourth);
    EXPECT_EQ(pending.size(), 1u);  // the first write on serviceA

    pending.push({K::Read, &serviceB, test, fourth});
    auto last = pending.takeLast();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->characteristic, fourth);
    EXPECT_EQ(pending.size(), 1u);
    pending.clear();
    EXPECT_FALSE(pending.takeLast());
}

// ---------------------------------------------------------------------------

TEST_F(QtCentralTest, ReportsDevicesThatAdvertiseTheServiceAsOneHandleEach) {
    central->scanForPeripheralsWithServices({"6F1C2A30-5B7E-4D21-9A43-0C8E51F7B2D4"});
    EXPECT_TRUE(central->isScanning());

    const auto lamp = device("00:1A:7D:DA:71:13", "Lamp", {kOtherService, kLampService});
    const auto other = device("00:1A:7D:DA:71:14", "Watch", {kOtherService});
    central->handleDeviceDiscovered(lamp);
    central->handleDeviceDiscovered(other);
    ASSERT_EQ(delegate.discovered.size(), 1u);
    const PeripheralPtr first = delegate.discovered[0];
    EXPECT_EQ(first->identifier(), "00000000-0000-0000-0000-001A7DDA7113");
    EXPECT_EQ(first->name(), "Lamp");
    EXPECT_EQ(first->state(), PeripheralState::Disconnected);

    // Repeats are reported, as the same handle, with the newer name.
    central->handleDeviceUpdated(device("00:1A:7D:DA:71:13", "Lamp 1", {kLampService}),
                                 QBluetoothDeviceInfo::Field::RSSI);
    ASSERT_EQ(delegate.discovered.size(), 2u);
    EXPECT_EQ(delegate.discovered[1], first);
    EXPECT_EQ(first->name(), "Lamp 1");

    // A service UUID that comes late, with an update, makes the device a match.
    central->handleDeviceUpdated(
        device("00:1A:7D:DA:71:14", "Watch", {kOtherService, kLampService}),
        QBluetoothDeviceInfo::Field::ServiceData);
    ASSERT_EQ(delegate.discovered.size(), 3u);
    EXPECT_NE(delegate.discovered[2], first);
    EXPECT_EQ(delegate.discovered[2]->identifier(), "00000000-0000-0000-0000-001A7DDA7114");

    // After stopScan nothing is reported.
    central->stopScan();
    EXPECT_FALSE(central->isScanning());
    central->handleDeviceDiscovered(lamp);
    EXPECT_EQ(delegate.discovered.size(), 3u);

    // A new scan without services reports every device, and keeps the handles.
    central->scanForPeripheralsWithServices({});
    central->handleDeviceDiscovered(other);
    central->handleDeviceDiscovered(lamp);
    ASSERT_EQ(delegate.discovered.size(), 5u);
    EXPECT_EQ(delegate.discovered[3], delegate.discovered[2]);
    EXPECT_EQ(delegate.discovered[4], first);
    EXPECT_EQ(delegate.offMainThread, 0);
}

TEST_F(QtCentralTest, ReportsItsStateOnceAfterSetDelegate) {
    EXPECT_TRUE(delegate.states.empty());  // not from inside setDelegate
    ASSERT_TRUE(waitUntil([&] { return !delegate.states.empty(); }, 2.0));
    drain();
    ASSERT_EQ(delegate.states.size(), 1u);
    EXPECT_EQ(delegate.states[0], central->state());
    if (!adapterPresent()) {
        EXPECT_EQ(central->state(), CentralState::Unsupported);
    }
}

// Without an adapter a scan fails quietly, every time, and a connect asked for
// on a worker fails on the main thread.
TEST_F(QtCentralTest, WithoutAnAdapterScansAndConnectsFailQuietly) {
    if (adapterPresent()) GTEST_SKIP() << "this machine has a Bluetooth adapter";
    for (int round = 0; round < 2; ++round) {
        central->stopScan();
        central->scanForPeripheralsWithServices({"6f1c2a30-5b7e-4d21-9a43-0c8e51f7b2d4"});
        ASSERT_TRUE(waitUntil([&] { return logContains("Bluetooth scan failed"); }, 2.0));
        drain();
        EXPECT_TRUE(central->state() == CentralState::Unsupported ||
                    central->state() == CentralState::PoweredOff);
        log.clear();
    }
    EXPECT_TRUE(delegate.discovered.empty());

    const PeripheralPtr lamp = scannedLamp();
    ASSERT_TRUE(lamp);
    std::thread worker([&] { central->connectPeripheral(lamp); });
    worker.join();
    // Seen by the worker at once, before the main thread has done anything.
    EXPECT_EQ(lamp->state(), PeripheralState::Connecting);
    EXPECT_TRUE(delegate.failed.empty());

    ASSERT_TRUE(waitUntil([&] { return !delegate.failed.empty(); }, 2.0));
    drain();
    ASSERT_EQ(delegate.failed.size(), 1u);
    EXPECT_EQ(delegate.failed[0].first, lamp);
    EXPECT_FALSE(delegate.failed[0].second.empty());
    EXPECT_TRUE(delegate.connected.empty());
    EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    EXPECT_EQ(delegate.offMainThread, 0);

    // Nothing answers requests on a link that never came up.
    lamp->discoverServices({"6f1c2a30-5b7e-4d21-9a43-0c8e51f7b2d4"});
    drain();
    EXPECT_TRUE(lamp->services().empty());
}

// A cancelled connect, and connects to no handle or another central's, report nothing.
TEST_F(QtCentralTest, ACancelledOrForeignConnectReportsNothing) {
    const PeripheralPtr lamp = scannedLamp();
    ASSERT_TRUE(lamp);
    central->connectPeripheral(lamp);
    EXPECT_EQ(lamp->state(), PeripheralState::Connecting);
    central->cancelPeripheralConnection(lamp);
    EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);

    QtBleCentral otherCentral;
    RecordingCentralDelegate otherDelegate;
    otherCentral.setDelegate(&otherDelegate);
    otherCentral.scanForPeripheralsWithServices({});
    otherCentral.handleDeviceDiscovered(device("00:1A:7D:DA:71:14", "Lamp", {kLampService}));
    ASSERT_EQ(otherDelegate.discovered.size(), 1u);
    central->connectPeripheral(otherDelegate.discovered[0]);
    central->connectPeripheral(nullptr);
    drain();
    EXPECT_TRUE(delegate.failed.empty());
    EXPECT_TRUE(delegate.connected.empty());
    EXPECT_TRUE(otherDelegate.failed.empty());
    EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    EXPECT_EQ(otherDelegate.discovered[0]->state(), PeripheralState::Disconnected);
}

// Requests on a handle without a link answer nothing, from workers or after
// the central has gone; the handle itself outlives the central.
TEST_F(QtCentralTest, RequestsWithoutALinkAnswerNothingEvenAfterTheCentralIsGone) {
    const PeripheralPtr lamp = scannedLamp();
    ASSERT_TRUE(lamp);
    const auto foreign = std::make_shared<ForeignCharacteristic>();
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back([&] {
            lamp->writeValue({0x9b, 0x00}, foreign);
            lamp->writeValue({0x9b, 0x00}, nullptr);
            lamp->readValueForCharacteristic(foreign);
            lamp->readValueForCharacteristic(nullptr);
            lamp->discoverCharacteristics({"6f1c2a31-5b7e-4d21-9a43-0c8e51f7b2d4"}, nullptr);
            lamp->discoverServices({});
        });
    }
    for (std::thread& worker : workers) worker.join();
    drain();
    EXPECT_TRUE(logContains("dropped"));

    lamp->writeValue({0x01}, foreign);  // posted, not yet run
    central->connectPeripheral(lamp);
    central.reset();
    lamp->writeValue({0x01}, foreign);
    lamp->discoverServices({});
    drain();
    EXPECT_TRUE(delegate.failed.empty());
    EXPECT_EQ(lamp->state(), PeripheralState::Disconnected);
    EXPECT_EQ(lamp->identifier(), "00000000-0000-0000-0000-001A7DDA7113");
    EXPECT_EQ(lamp->name(), "Lamp");
}

}  // namespace
}  // namespace aq
