// The private bus and the stand-in BlueZ daemon of the end-to-end tests, and the Qt
// application they run in.
#include "StandInBus.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace aq::test {

namespace {

const char* const kBusConnectionName = "aq-e2e-tests";

std::string findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A bus for these tests only: anyone may own any name and send anything, nobody outside
// this test process can reach it.
std::string busConfiguration(const std::string& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>custom</type>\n"
           "  <listen>unix:path=" +
           socket +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow user=\"*\"/>\n"
           "    <allow own=\"*\"/>\n"
           "    <allow send_type=\"method_call\"/>\n"
           "    <allow send_destination=\"*\"/>\n"
           "    <allow receive_sender=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

}  // namespace

// ---------------------------------------------------------------------------
// PrivateBus

PrivateBus& PrivateBus::instance() {
    static PrivateBus bus;
    return bus;
}

bool PrivateBus::ensureStarted(std::string& error) {
    if (_daemon.running()) return true;
    if (!_address.isEmpty()) {
        error = "the private bus of this process has stopped; Qt cannot follow it to another";
        return false;
    }
    const std::string daemon = findInPath("dbus-daemon");
    if (daemon.empty()) {
        error = "dbus-daemon not found (tools/setup.sh installs it)";
        return false;
    }
    char pattern[] = "/tmp/aq-e2e-XXXXXX";
    if (!mkdtemp(pattern)) {
        error = std::string("mkdtemp: ") + std::strerror(errno);
        return false;
    }
    _directory = pattern;
    const std::string config = _directory + "/bus.conf";
    std::ofstream(config) << busConfiguration(_directory + "/bus");
    if (!_daemon.start(
            {daemon, "--config-file=" + config, "--nofork", "--nopidfile", "--print-address=1"}, {},
            _directory + "/bus.log", error)) {
        return false;
    }
    std::string address;
    if (!_daemon.readLine(10.0, address) || address.empty()) {
        error = "dbus-daemon did not start: " + readFile(_directory + "/bus.log");
        _daemon.kill();
        return false;
    }
    _address = QString::fromStdString(address);
    // Everything Qt does from here on talks to this bus; never to the machine's own.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str());
    // Qt asks the owner of org.bluez for its version unless told: the D-Bus GATT backend.
    qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.66");
    return true;
}

void PrivateBus::stop() {
    QDBusConnection::disconnectFromBus(kBusConnectionName);
    _daemon.stop(5.0);
    if (!_directory.empty()) {
        for (const char* file : {"/bus", "/bus.conf", "/bus.log"})
            std::remove((_directory + file).c_str());
        rmdir(_directory.c_str());
    }
}

QDBusConnection PrivateBus::connection() const {
    return QDBusConnection::connectToBus(_address, kBusConnectionName);
}

// ---------------------------------------------------------------------------
// StandIn

StandIn::~StandIn() {
    stop();
}

bool StandIn::start(const QStringList& options, std::string& error) {
    PrivateBus& bus = PrivateBus::instance();
    if (!bus.ensureStarted(error)) return false;
    const char* program = std::getenv("AQ_BLUEZ_STANDIN");
    if (!program || access(program, X_OK) != 0) {
        error = "AQ_BLUEZ_STANDIN does not name the stand-in daemon (run the tests through ctest)";
        return false;
    }
    std::vector<std::string> argv{program, "--bus", bus.address().toStdString()};
    for (const QString& option : options) argv.push_back(option.toStdString());
    _logFile = bus.directory() + "/standin-" + std::to_string(getpid()) + ".log";
    if (!_process.start(argv, {}, _logFile, error)) return false;
    std::string line;
    if (!_process.readLine(20.0, line) || line.rfind("ready", 0) != 0) {
        error = "the stand-in did not come up: " + log();
        _process.kill();
        return false;
    }
    // The stand-in owns the name before it says so; make sure the bus agrees.
    QDBusConnection connection = bus.connection();
    if (!connection.interface()->isServiceRegistered(QStringLiteral("org.bluez")).value()) {
        error = "org.bluez is not owned on the private bus";
        _process.kill();
        return false;
    }
    return true;
}

void StandIn::stop() {
    if (!_process.running()) return;
    const int status = _process.stop(10.0);
    const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!clean) {
        ADD_FAILURE() << "the stand-in ended badly (wait status " << status << "):\n" << log();
    }
    std::remove(_logFile.c_str());
}

std::string StandIn::log() const {
    return readFile(_logFile);
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

QList<QByteArray> byteArrays(const QVariant& value) {
    return qdbus_cast<QList<QByteArray>>(value);
}

}  // namespace

std::vector<StandIn::Write> StandIn::writes(unsigned lamp) const {
    const QDBusMessage reply = callHook("Writes", {QVariant::fromValue(uint(lamp))});
    std::vector<Write> out;
    if (reply.arguments().size() != 2) return out;
    const QStringList characteristics = reply.arguments()[0].toStringList();
    const QList<QByteArray> data = byteArrays(reply.arguments()[1]);
    for (qsizetype i = 0; i < characteristics.size() && i < data.size(); ++i)
        out.push_back({characteristics[i], data[i]});
    return out;
}

std::vector<std::vector<std::pair<unsigned, unsigned>>> StandIn::programme(unsigned lamp,
                                                                           unsigned device) const {
    const QDBusMessage reply = callHook(
        "Programme", {QVariant::fromValue(uint(lamp)), QVariant::fromValue(uchar(device))});
    std::vector<std::vector<std::pair<unsigned, unsigned>>> out;
    if (reply.arguments().size() != 1) return out;
    for (const QByteArray& packed : byteArrays(reply.arguments()[0])) {
        std::vector<std::pair<unsigned, unsigned>> points;
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
        std::string error;
        // Before anything of Qt's D-Bus: its system bus is chosen once.
        if (!PrivateBus::instance().ensureStarted(error)) FAIL() << error;
        qDBusRegisterMetaType<QList<QByteArray>>();
        qDBusRegisterMetaType<QList<uint>>();
        static int argc = 1;
        static char name[] = "e2e_test";
        static char* argv[] = {name, nullptr};
        // Kept for the whole run: widgets made by the tests may outlive them.
        if (!QCoreApplication::instance()) _app = new QApplication(argc, argv);
    }
    void TearDown() override { PrivateBus::instance().stop(); }

private:
    QApplication* _app = nullptr;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

}  // namespace aq::test
