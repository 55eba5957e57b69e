// The private bus and the stand-in BlueZ daemon of the end-to-end tests, and the Qt
// application they run in.
#include "StandInBus.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/prctl.h>

namespace aq::test {

namespace {

const char* const kBusConnectionName = "aq-e2e-tests";

// The first line the process writes, or empty when it ended or `ms` passed first.
QByteArray firstLine(QProcess& process, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
    return process.readLine().trimmed();
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

// SIGTERM, then SIGKILL when it has not ended within `ms`; true when it ended with status 0.
bool stopChild(QProcess& process, int ms) {
    if (process.state() == QProcess::NotRunning) return false;
    process.terminate();
    if (!process.waitForFinished(ms)) {
        process.kill();
        process.waitForFinished(-1);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Starts a child process that is killed with the test process however that ends (a crash, an
// aborting assertion, ctest's timeout); its standard error goes to `errorFile`.
std::unique_ptr<QProcess> startChild(const QString& program, const QStringList& arguments,
                                     const QString& errorFile) {
    auto process = std::make_unique<QProcess>();
    process->setStandardErrorFile(errorFile);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, arguments);
    return process;
}

// The private D-Bus bus of this test process. Qt keeps its system-bus connection for the whole
// process, so there is one bus per process: the first call starts it and points
// DBUS_SYSTEM_BUS_ADDRESS at it; it stops at the end of the process.
class PrivateBus {
public:
    static PrivateBus& instance() {
        static PrivateBus bus;
        return bus;
    }

    // Starts the bus on first use; false with the reason (and nothing started).
    bool ensureStarted(std::string& error) {
        if (_daemon) {
            if (_daemon->state() == QProcess::Running) return true;
            error = "the private bus of this process has stopped; Qt cannot follow it to another";
            return false;
        }
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !_dir.isValid()) {
            error = "dbus-daemon not found (tools/setup.sh installs it)";
            return false;
        }
        // A bus of the session kind (anyone of this user may own any name) for these tests
        // only; everything Qt does from here on talks to it, never to the machine's own.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address().toUtf8());
        // Qt asks the owner of org.bluez for its version unless told: the D-Bus GATT backend.
        qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.66");
        _daemon = startChild(
            daemon,
            {"--session", "--address=" + address(), "--nofork", "--nopidfile", "--print-address=1"},
            filePath("bus.log"));
        if (firstLine(*_daemon, 10000).isEmpty()) {
            error = "dbus-daemon did not start: " + readFile(filePath("bus.log")).toStdString();
            _daemon->kill();
            return false;
        }
        return true;
    }

    void stop() {
        QDBusConnection::disconnectFromBus(kBusConnectionName);
        if (_daemon) stopChild(*_daemon, 5000);
        _dir.remove();
    }

    QString address() const { return "unix:path=" + _dir.filePath("bus"); }
    QString filePath(const QString& name) const { return _dir.filePath(name); }
    // A connection of the tests' own, apart from Qt's system-bus connection.
    QDBusConnection connection() const {
        return QDBusConnection::connectToBus(address(), kBusConnectionName);
    }

private:
    PrivateBus() : _dir(QStringLiteral("/tmp/aq-e2e-XXXXXX")) {}

    QTemporaryDir _dir;
    std::unique_ptr<QProcess> _daemon;
};

}  // namespace

// ---------------------------------------------------------------------------
// StandIn

StandIn::~StandIn() {
    stop();
}

bool StandIn::start(const QStringList& options, std::string& error) {
    PrivateBus& bus = PrivateBus::instance();
    if (!bus.ensureStarted(error)) return false;
    const QString program = qEnvironmentVariable("AQ_BLUEZ_STANDIN");
    if (!QFileInfo(program).isExecutable()) {
        error = "AQ_BLUEZ_STANDIN does not name the stand-in daemon (run the tests through ctest)";
        return false;
    }
    _process = startChild(program, QStringList{"--bus", bus.address()} + options,
                          bus.filePath("standin.log"));
    if (!firstLine(*_process, 20000).startsWith("ready")) {
        error = "the stand-in did not come up: " + log();
        _process.reset();
        return false;
    }
    // The stand-in owns the name before it says so; make sure the bus agrees.
    if (!bus.connection().interface()->isServiceRegistered(QStringLiteral("org.bluez")).value()) {
        error = "org.bluez is not owned on the private bus";
        _process.reset();
        return false;
    }
    return true;
}

void StandIn::stop() {
    if (!_process) return;
    if (!stopChild(*_process, 10000)) {
        ADD_FAILURE() << "the stand-in ended badly (exit code " << _process->exitCode() << "):\n"
                      << log();
    }
    _process.reset();
}

std::string StandIn::log() const {
    return readFile(PrivateBus::instance().filePath("standin.log")).toStdString();
}

namespace {

QDBusMessage callHook(const char* member, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.bluez"), QStringLiteral("/org/aqlamp/standin"),
        QStringLiteral("org.aqlamp.StandIn1"), QString::fromLatin1(member));
    call.setArguments(arguments);
    QDBusMessage reply = PrivateBus::instance().connection().call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        ADD_FAILURE() << "stand-in " << member << ": " << reply.errorMessage().toStdString();
    }
    return reply;
}

}  // namespace

qsizetype StandIn::writeCount(unsigned lamp) const {
    const QDBusMessage reply = callHook("Writes", {QVariant::fromValue(uint(lamp))});
    return reply.arguments().isEmpty() ? -1 : reply.arguments()[0].toStringList().size();
}

LampProgramme StandIn::programme(unsigned lamp, unsigned device) const {
    const QDBusMessage reply = callHook(
        "Programme", {QVariant::fromValue(uint(lamp)), QVariant::fromValue(uchar(device))});
    LampProgramme out;
    if (reply.arguments().size() != 1) return out;
    for (const QByteArray& packed : qdbus_cast<QList<QByteArray>>(reply.arguments()[0])) {
        SetPoints points;
        for (qsizetype i = 0; i + 2 < packed.size(); i += 3) {
            const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(packed[k]); };
            points.emplace_back(byte(i) | (byte(i + 1) << 8), byte(i + 2));
        }
        out.push_back(points);
    }
    return out;
}

StandIn::BootLoaderState StandIn::bootLoader(unsigned lamp) const {
    const QDBusMessage reply = callHook("BootLoader", {QVariant::fromValue(uint(lamp))});
    BootLoaderState state;
    if (reply.arguments().size() != 4) return state;
    state.completed = reply.arguments()[0].toInt();
    state.refused = reply.arguments()[1].toInt();
    state.image = reply.arguments()[2].toByteArray();
    state.pageAddresses = qdbus_cast<QList<uint>>(reply.arguments()[3]);
    return state;
}

void StandIn::clearFaults() const {
    callHook("ClearFaults", {});
}

// ---------------------------------------------------------------------------
// The application: one QApplication for the whole run (the pages need one), on the private
// bus.

namespace {

class ApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "e2e_test";
        static char* argv[] = {name, nullptr};
        // Kept for the whole run: widgets made by the tests may outlive them. The system bus is
        // chosen at Qt's first use of D-Bus, after the private bus below.
        if (!QCoreApplication::instance()) _app = new QApplication(argc, argv);
        std::string error;
        if (!PrivateBus::instance().ensureStarted(error)) FAIL() << error;
        qDBusRegisterMetaType<QList<QByteArray>>();
        qDBusRegisterMetaType<QList<uint>>();
    }
    void TearDown() override { PrivateBus::instance().stop(); }

private:
    QApplication* _app = nullptr;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

}  // namespace aq::test
