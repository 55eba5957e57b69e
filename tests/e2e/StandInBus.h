#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace aq::test {

using SetPoints = std::vector<std::pair<unsigned, unsigned>>;  // (offset, level)
using LampProgramme = std::vector<SetPoints>;                  // per channel

// Starts a child process that is killed with the test process however that ends (a crash, an
// aborting assertion, ctest's timeout); its standard error goes to `errorFile`.
std::unique_ptr<QProcess> startChild(const QString& program, const QStringList& arguments,
                                     const QString& errorFile);

// The private D-Bus bus of this test process. Qt keeps its system-bus connection for the whole
// process, so there is one bus per process: the first call starts it and points
// DBUS_SYSTEM_BUS_ADDRESS at it; it stops at the end of the process.
class PrivateBus {
public:
    static PrivateBus& instance();
    // Starts the bus on first use; false with the reason (and nothing started).
    bool ensureStarted(std::string& error);
    void stop();

    QString address() const { return "unix:path=" + _dir.filePath("bus"); }
    QString filePath(const QString& name) const { return _dir.filePath(name); }
    // A connection of the tests' own, apart from Qt's system-bus connection.
    QDBusConnection connection() const;

private:
    PrivateBus() : _dir(QStringLiteral("/tmp/aq-e2e-XXXXXX")) {}

    QTemporaryDir _dir;
    std::unique_ptr<QProcess> _daemon;
};

// The stand-in BlueZ daemon serving simulated lamps on the private bus, with a look into
// the lamps through its test hook.
class StandIn {
public:
    struct BootLoaderState {
        int completed = 0;
        int refused = 0;
        QByteArray image;
        QList<uint> pageAddresses;
    };

    ~StandIn();

    // Starts the stand-in with these options and waits until org.bluez is owned by it.
    bool start(const QStringList& options, std::string& error);
    // Stops it by process id; a stand-in that failed (exit status, sanitizer report) is a
    // test failure.
    void stop();

    // The writes the lamp has taken since the stand-in started.
    qsizetype writeCount(unsigned lamp) const;
    // Per channel the set points (offset, level) the lamp holds for the device.
    LampProgramme programme(unsigned lamp, unsigned device) const;
    BootLoaderState bootLoader(unsigned lamp) const;
    void clearFaults() const;
    // What the stand-in wrote to its standard error.
    std::string log() const;

private:
    std::unique_ptr<QProcess> _process;
};

}  // namespace aq::test
