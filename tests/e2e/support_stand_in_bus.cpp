// The private bus and the stand-in BlueZ daemon of the end-to-end tests, and the Qt
// application they run in.
#include "StandInBus.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

}  // namespace

std::unique_ptr<QProcess> startChild(const QString& program, const QStringList& arguments,
                                     const QString& errorFile) {
    auto process = std::make_unique<QProcess>();
    process->setStandardErrorFile(errorFile);
    process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, arguments);
    return process;
}

// ---------------------------------------------------------------------------
// PrivateBus

PrivateBus& PrivateBus::instance() {
    static PrivateBus bus;
    return bus;
}

bool PrivateBus::ensureStarted(std::string& error) {
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
    // A bus for these tests only: anyone may own any name and send anything, nobody outside
    // this test process can reach it.
    QFile config(filePath("bus.conf"));
    if (!config.open(QIODevice::WriteOnly)) {
        error = "cannot write " + config.fileName().toStdString();
        return false;
    }
    config.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                       "1.0//EN\"\n \"http://www.freedesktop.org/standards/dbus/1.0/"
                       "busconfig.dtd\">\n<busconfig><type>custom</type><listen>%1</listen>"
                       "<auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
                       "<allow own=\"*\"/><allow send_type=\"method_call\"/>"
                       "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy>"
                       "</busconfig>\n")
            .arg(address())
            .toUtf8());
    config.close();
    // Everything Qt does from here on talks to this bus; never to the machine's own.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address().toUtf8());
    // Qt asks the owner of org.bluez for its version unless told: the D-Bus GATT backend.
    qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.66");
    _daemon = startChild(
        daemon,
        {"--config-file=" + config.fileName(), "--nofork", "--nopidfile", "--print-address=1"},
        filePath("bus.log"));
    if (firstLine(*_daemon, 10000).isEmpty()) {
        error = "dbus-daemon did not start: " + readFile(filePath("bus.log")).toStdString();
        _daemon->kill();
        return false;
    }
    return true;
}

void PrivateBus::stop() {
    QDBusConnection::disconnectFromBus(kBusConnectionName);
    if (_daemon) stopChild(*_daemon, 5000);
    _dir.remove();
}

QDBusConnection PrivateBus::connection() const {
    return QDBusConnection::connectToBus(address(), kBusConnectionName);
}

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
