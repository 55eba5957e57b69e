// The private bus and the stand-in BlueZ daemon of the end-to-end tests, and the Qt
// application they run in.
#include "StandInBus.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace aq::test {

namespace {

using Clock = std::chrono::steady_clock;

const char* const kBusConnectionName = "aq-e2e-tests";

int millisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

Clock::time_point deadlineIn(double seconds) {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(seconds));
}

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
// ChildProcess

bool ChildProcess::start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& setEnv, const std::string& errorFile,
                         std::string& error) {
    kill();
    // Everything the child needs is made before fork(): after it, the child of a threaded
    // process may only make async-signal-safe calls.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& change : setEnv)
            replaced = replaced || change.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced) environment.push_back(entry);
    }
    environment.insert(environment.end(), setEnv.begin(), setEnv.end());
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (err < 0) {
        error = "cannot open " + errorFile + ": " + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Killed when the test process ends, however it ends. The parent may have died
        // before this line: then go at once.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    const int forkError = errno;
    close(out[1]);
    close(err);
    if (pid < 0) {
        close(out[0]);
        error = std::string("fork: ") + std::strerror(forkError);
        return false;
    }
    _pid = pid;
    _stdout = out[0];
    _buffered.clear();
    _status = 0;
    return true;
}

bool ChildProcess::readLine(double seconds, std::string& line) {
    const auto deadline = deadlineIn(seconds);
    for (;;) {
        const auto end = _buffered.find('\n');
        if (end != std::string::npos) {
            line = _buffered.substr(0, end);
            _buffered.erase(0, end + 1);
            return true;
        }
        if (_stdout < 0) return false;
        pollfd fd{_stdout, POLLIN, 0};
        const int ready = poll(&fd, 1, millisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char chunk[256];
        const ssize_t got = read(_stdout, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // the process closed its output: it has ended
        _buffered.append(chunk, static_cast<std::size_t>(got));
    }
}

bool ChildProcess::waitForEnd(double seconds) {
    if (_pid <= 0) return true;
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, _pid, 0));
    if (pidfd >= 0) {
        pollfd fd{pidfd, POLLIN, 0};
        const auto deadline = deadlineIn(seconds);
        int ready = 0;
        do {
            ready = poll(&fd, 1, millisecondsLeft(deadline));
        } while (ready < 0 && errno == EINTR);
        close(pidfd);
        if (ready <= 0) return false;
    }
    // Without pidfd (old kernels) this blocks; stop() only gets here after SIGKILL then.
    const int flags = pidfd >= 0 ? WNOHANG : 0;
    if (pidfd < 0 && seconds < 1e9) return false;
    int status = 0;
    pid_t done = 0;
    do {
        done = waitpid(_pid, &status, flags);
    } while (done < 0 && errno == EINTR);
    if (done != _pid) return false;
    _status = status;
    _pid = -1;
    if (_stdout >= 0) close(_stdout);
    _stdout = -1;
    return true;
}

int ChildProcess::stop(double seconds) {
    if (_pid <= 0) return _status;
    ::kill(_pid, SIGTERM);
    if (!waitForEnd(seconds)) {
        ::kill(_pid, SIGKILL);
        waitForEnd(1e9);
    }
    return _status;
}

void ChildProcess::kill() {
    if (_pid <= 0) return;
    ::kill(_pid, SIGKILL);
    waitForEnd(1e9);
}

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
    if (!_daemon.start({daemon, "--config-file=" + config, "--nofork", "--nopidfile",
                        "--print-address=1"},
                       {}, _directory + "/bus.log", error)) {
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
// The application: one QCoreApplication for the whole run, on the private bus.

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
        if (!QCoreApplication::instance()) _app = new QCoreApplication(argc, argv);
    }
    void TearDown() override { PrivateBus::instance().stop(); }

private:
    QCoreApplication* _app = nullptr;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

}  // namespace aq::test
