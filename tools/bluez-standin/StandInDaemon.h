#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>
#include <vector>

#include "ObjectTree.h"
#include "StandInDevice.h"
#include "StandInOptions.h"

namespace aq::standin {

// A BlueZ daemon in miniature: one powered adapter, /org/bluez/hci0, that scans for and
// connects the simulated lamps, each served by a StandInDevice.
//
// Besides the BlueZ objects it offers a test hook outside the object manager, at
// /org/aqlamp/standin (interface org.aqlamp.StandIn1), to look into the simulated lamps:
//   Writes(u lamp) -> (as characteristics, aay data)   every write the lamp took, in order
//   Programme(u lamp, y device) -> aay                 per channel: offset (LE16), level, ...
//   BootLoader(u lamp) -> (i completed, i refused, ay image, au page addresses)
//   ClearFaults()                                      every lamp behaves from now on
class StandInDaemon : public QObject {
public:
    StandInDaemon(const QDBusConnection& connection, const StandInOptions& options);
    ~StandInDaemon() override;

    // Exports the objects, then takes the name org.bluez; false with the reason.
    bool start(QString& error);

private:
    bool onAdapterCall(const QDBusMessage& call);
    bool onControlCall(const QDBusMessage& call);
    void exportAdapter();
    void startDiscovery(const QDBusMessage& call);
    void stopDiscovery(const QDBusMessage& call);
    void setDiscovering(bool on);
    StandInDevice* lampAt(const QDBusMessage& call);

    QDBusConnection _connection;
    const StandInOptions _options;
    ObjectTree _tree;
    std::vector<std::unique_ptr<StandInDevice>> _devices;
    // The clients that asked for a scan; BlueZ scans while any of them still wants it.
    QSet<QString> _scanClients;
    QTimer _advertising;
};

}  // namespace aq::standin
