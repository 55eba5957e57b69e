#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace aq::standin {

// What the stand-in serves and how it misbehaves, from its command line.
struct StandInOptions {
    // The bus to serve on; empty: DBUS_SYSTEM_BUS_ADDRESS.
    QString bus;
    int lamps = 1;
    // Slaves reached through each lamp.
    int slaves = 2;
    // Radio time of every operation: a scan report, a connect, a disconnect, a write, a read.
    int delayMs = 1;
    // While scanning, every lamp is seen again this often (0: once per scan).
    int advertiseMs = 0;
    // BlueZ gives up on an unanswered request after 30 s and drops the link.
    int attTimeoutMs = 30000;
    // The lamp takes this long to restart into its boot loader (dropping the link) after the
    // opening command.
    int bootRestartMs = 0;
    bool verbose = false;
    // No adapter object at all, as on a machine without Bluetooth.
    bool noAdapter = false;
    // The adapter's Powered is false.
    bool adapterOff = false;

    // Faults. Commands count every write a lamp takes, from 1, as the simulated lamp counts them.
    // From this command on the lamp takes writes but never answers them.
    std::optional<std::uint64_t> noAnswerFrom;
    // From this command on the lamp drops the link when the write arrives.
    std::optional<std::uint64_t> dropLinkAt;
    // From this command on BlueZ fails the write with an ATT error before it reaches the lamp;
    // the link stays up.
    std::optional<std::uint64_t> writeErrorAt;
    // From this command on the device object is removed when the write arrives, as
    // `bluetoothctl remove` does; it is found again by the next scan.
    std::optional<std::uint64_t> removeDeviceAt;
    bool refuseConnect = false;
    // Connect attempts get no answer from the lamp (it is switched off); BlueZ gives up after
    // this long (0: the lamp answers).
    int absentConnectMs = 0;
    // The faults hit only this lamp (counted from 0; -1: every lamp).
    int faultLamp = -1;
    // The lamp service offers the command characteristic only.
    bool commandOnly = false;
    // The lamp service UUID arrives this long after the lamp is first seen, as from a scan
    // response, and is reported with the next advertisement (-1: in the first one).
    int lateUuidMs = -1;
};

// Reads the options; false with a message on a bad command line.
bool parseOptions(const QStringList& arguments, StandInOptions& options, QString& error);

// The version the stand-in reports, as `bluetoothd --version` does: Qt Bluetooth picks its
// GATT backend by it.
inline constexpr const char* kReportedBlueZVersion = "5.66";

}  // namespace aq::standin
