#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "ObjectTree.h"
#include "StandInOptions.h"
#include "link/Bytes.h"
#include "sim/SimModelLamp.h"

namespace aq::standin {

// One simulated lamp served as a BlueZ LE device: org.bluez.Device1 while it is known, and the
// lamp service with its characteristics (org.bluez.GattService1, GattCharacteristic1) while it
// is connected. Writes and reads are answered by the simulated lamp, with its fault switches.
//
// Event order, as BlueZ 5.66 has it:
// - scan: the device object appears (InterfacesAdded) at its first advertisement, later ones
//   change RSSI; when the scan ends RSSI is invalidated;
// - connect: Connected turns true, the GATT objects appear, UUIDs are updated, ServicesResolved
//   turns true, then Connect returns;
// - link end (disconnect, the lamp dropping it, an unanswered request timing out): requests
//   under way fail, ServicesResolved turns false, the GATT objects go, Connect or Disconnect
//   is answered, Connected turns false;
// - removal: requests under way fail and the objects go, without any property change.
class StandInDevice : public QObject {
public:
    StandInDevice(ObjectTree& tree, const StandInOptions& options, int index,
                  const QString& adapterPath);
    ~StandInDevice() override;

    const QString& path() const { return _path; }
    const std::shared_ptr<SimModelLamp>& lamp() const { return _lamp; }
    bool known() const { return _known; }

    // An advertisement of the lamp reached the scanning adapter.
    void advertise();
    // The scan ended: BlueZ forgets the signal strength.
    void scanStopped();
    // The device object is removed (Adapter1.RemoveDevice, or a fault).
    void remove(const QString& why);
    void clearFaults();

private:
    enum Role { Test = 0, Command = 1, BootLoader = 2 };
    struct Characteristic {
        const char* uuid = nullptr;
        QString path;
        Bytes pending;           // what the next read returns
        double pendingLate = 0;  // extra seconds before that read completes
    };

    bool onDeviceCall(const QDBusMessage& call);
    bool onCharacteristicCall(Role role, const QDBusMessage& call);
    void connectCall(const QDBusMessage& call);
    void disconnectCall(const QDBusMessage& call);
    void exportGatt();
    void withdrawGatt();
    // Ends the link; `disconnect` is answered in BlueZ's order, after the objects went.
    void endLink(const QString& why, std::optional<std::uint64_t> disconnect = std::nullopt);
    void write(Role role, const QDBusMessage& call);
    void read(Role role, const QDBusMessage& call);
    void exportDevice(bool withLampUuid);

    std::uint64_t track(const QDBusMessage& call);
    bool tracked(std::uint64_t id) const { return _calls.count(id) > 0; }
    void answer(std::uint64_t id, const QList<QVariant>& arguments = {});
    void fail(std::uint64_t id, const QString& name, const QString& text);
    void failAll(const QString& text);
    // Runs `then` after `ms`, unless the link or the device changed meanwhile.
    void after(int ms, std::function<void()> then);
    void note(const QString& text) const;

    ObjectTree& _tree;
    const StandInOptions& _options;
    const int _index;
    const QString _adapterPath;
    const QString _address;
    const QString _path;
    const QString _servicePath;
    std::shared_ptr<SimModelLamp> _lamp;
    std::array<Characteristic, 3> _characteristics;

    std::optional<std::uint64_t> _removeDeviceAt;
    std::optional<std::uint64_t> _writeErrorAt;
    int _absentConnectMs = 0;
    int _lateUuidMs = -1;

    bool _known = false;      // the device object is exported
    bool _connected = false;  // Connected is true
    std::optional<std::uint64_t> _connectCall;
    // Counts links and device objects, so that delayed work of one never touches the next.
    std::uint64_t _generation = 0;
    std::uint64_t _scanGeneration = 0;
    std::int16_t _rssi = -52;
    std::uint64_t _nextCall = 0;
    std::map<std::uint64_t, QDBusMessage> _calls;  // answered later, or failed at the link end
};

}  // namespace aq::standin
