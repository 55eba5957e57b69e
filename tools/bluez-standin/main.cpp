// aq-bluez-standin: owns org.bluez on a private D-Bus bus and serves simulated lamps as BlueZ
// devices, so that the application's Qt Bluetooth central can be run end to end on a machine
// without Bluetooth hardware. Never point it at the machine's real system bus.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/signalfd.h>
#include <unistd.h>

#include "ObjectTree.h"
#include "StandInDaemon.h"
#include "StandInOptions.h"

namespace {

// SIGTERM and SIGINT end the event loop, so that the daemon leaves the bus in order.
int blockTerminationSignals() {
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    if (sigprocmask(SIG_BLOCK, &blocked, nullptr) != 0) return -1;
    return signalfd(-1, &blocked, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace

int main(int argc, char** argv) {
    // Qt Bluetooth runs the owner of org.bluez with --version to choose its backend.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", aq::standin::kReportedBlueZVersion);
            return 0;
        }
    }
    // Before Qt starts any thread, so that every thread inherits the mask.
    const int signalFd = blockTerminationSignals();

    QCoreApplication app(argc, argv);
    aq::standin::registerDBusTypes();
    aq::standin::StandInOptions options;
    QString error;
    if (!aq::standin::parseOptions(app.arguments(), options, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return app.arguments().contains("--help") || app.arguments().contains("-h") ? 0 : 2;
    }
    const QString address =
        options.bus.isEmpty() ? qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS") : options.bus;
    if (address.isEmpty()) {
        std::fprintf(stderr, "aq-bluez-standin: no bus: give --bus or DBUS_SYSTEM_BUS_ADDRESS\n");
        return 2;
    }

    int status = 0;
    {
        const QString name = QStringLiteral("aq-bluez-standin");
        QDBusConnection connection = QDBusConnection::connectToBus(address, name);
        if (!connection.isConnected()) {
            std::fprintf(stderr, "aq-bluez-standin: cannot connect to %s: %s\n",
                         qPrintable(address), qPrintable(connection.lastError().message()));
            return 1;
        }
        aq::standin::StandInDaemon daemon(connection, options);
        if (!daemon.start(error)) {
            std::fprintf(stderr, "aq-bluez-standin: %s\n", qPrintable(error));
            return 1;
        }
        QSocketNotifier terminate(signalFd, QSocketNotifier::Read);
        QObject::connect(&terminate, &QSocketNotifier::activated, &app, [signalFd] {
            signalfd_siginfo info;
            while (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            }
            QCoreApplication::quit();
        });
        // Whoever started the stand-in may wait for this line: the objects are exported and
        // org.bluez is owned.
        std::printf("ready %s\n", qPrintable(connection.baseService()));
        std::fflush(stdout);
        status = QCoreApplication::exec();
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("aq-bluez-standin"));
    return status;
}
