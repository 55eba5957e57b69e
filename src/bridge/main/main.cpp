// aqlamp-mqtt: keeps aquarium lamps connected and publishes them to an MQTT
// broker, announced for home-automation discovery.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "bridge/BridgeConfig.h"
#include "bridge/BridgeService.h"
#include "bridge/MosquittoClient.h"
#include "link/Log.h"
#include "platform/AppLog.h"
#include "platform/ProgramCentral.h"
#include "platform/QtDispatch.h"
#include "platform/QtPreferences.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "sim/SimFaultOptions.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    // Nothing else is safe in a signal handler; the event loop does the rest.
    [[maybe_unused]] const auto n = write(signalPipe[1], &byte, 1);
}

QString description() {
    const std::pair<const char*, const char*> keys[] = {
        {"broker/url",
         "mqtt://host[:port], or mqtts://host[:port] with broker/ca_file "
         "(default mqtt://localhost:1883)"},
        {"broker/user", "the broker user, when it asks for one"},
        {"broker/password_file",
         "a file holding the password (or set AQLAMP_MQTT_PASSWORD); relative to this file"},
        {"broker/ca_file", "the CA certificate an mqtts broker is checked against"},
        {"bridge/name", "the bridge's name and topic level (default: the host name)"},
        {"bridge/topic_prefix", "where the lamps' topics go (default aqlamp)"},
        {"bridge/discovery_prefix", "where discovery messages go (default homeassistant)"},
        {"bridge/lamps",
         "all (the default), or a comma list of lamp names, identifiers or "
         "Bluetooth addresses"},
    };
    QString text =
        "Keeps aquarium LED lamps connected over Bluetooth LE and publishes them to an MQTT "
        "broker, announced for Home Assistant's MQTT discovery.\n"
        "Exit status: 0 after SIGTERM or SIGINT, 1 for a bad command line or configuration.\n\n"
        "Configuration keys (INI file, [section] then key=value):";
    for (const auto& [key, what] : keys) {
        text +=
            QString("\n  %1%2").arg(QString::fromLatin1(key), -26).arg(QString::fromLatin1(what));
    }
    text += "\n\nSimulated faults (--sim-fault):";
    for (const auto& [name, what] : aq::simFaultHelp()) {
        text += QString("\n  %1%2")
                    .arg(QString::fromStdString(name), -26)
                    .arg(QString::fromStdString(what));
    }
    return text;
}

void fail(const QString& message) {
    std::fprintf(stderr, "aqlamp-mqtt: %s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("aqlamp");
    QCoreApplication::setApplicationName("aqlamp-mqtt");
    QCoreApplication::setApplicationVersion(AQ_VERSION);

    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption config("config",
                                    QString("Read the configuration from <file> (default: %1).")
                                        .arg("$XDG_CONFIG_HOME/aqlamp/mqtt.ini"),
                                    "file");
    // Read by takeSimulateOption (it takes an optional value); listed here
    // for --help.
    const QCommandLineOption simulate(
        "simulate",
        "Serve simulated lamps instead of real ones (no Bluetooth hardware needed); "
        "--simulate=KEYS takes a comma list of lamps=N, delay=S and the faults listed above.");
    const QCommandLineOption simLamps(
        "sim-lamps", "With --simulate: how many simulated lamps (default 1).", "count", "1");
    const QCommandLineOption simFault("sim-fault",
                                      "With --simulate: make the simulated adapter or lamp fail "
                                      "as <fault> says (listed above). Repeatable.",
                                      "fault");
    const QCommandLineOption verbose("verbose", "Also log Qt Bluetooth's debug output.");
    for (const auto& o : {config, simulate, simLamps, simFault, verbose}) parser.addOption(o);
    QStringList arguments = QCoreApplication::arguments();
    aq::LampChoiceOptions choice;
    if (QString why; !aq::takeSimulateOption(arguments, choice, why)) {
        fail(why);
        return 1;
    }
    parser.process(arguments);

    aq::SimFaultSetup faults = choice.faults;
    for (const QString& value : parser.values(simFault)) {
        std::string why;
        if (!choice.simulate) {
            fail("--sim-fault works with --simulate only.");
            return 1;
        }
        if (!aq::addSimFaults(value.toStdString(), faults, why)) {
            fail(QString::fromStdString(why));
            return 1;
        }
    }
    bool countOk = true;
    const int lampCount =
        parser.isSet(simLamps) ? parser.value(simLamps).toInt(&countOk) : choice.lamps;
    if (!countOk || lampCount < 1 || lampCount > 16) {
        fail("--sim-lamps takes a count from 1 to 16.");
        return 1;
    }

    const bool configGiven = parser.isSet(config);
    const QString configPath =
        configGiven ? parser.value(config) : aq::bridge::defaultConfigPath(env);
    QString error;
    const auto settings = aq::bridge::readBridgeConfig(configPath, configGiven, env, error);
    if (!settings) {
        fail(error);
        return 1;
    }

    aq::installApplicationLog(QStringLiteral("aqlamp-mqtt"), parser.isSet(verbose));
    if (!QFile::exists(configPath)) {
        aq::logLine(aq::format("no configuration at %s: the defaults apply",
                               configPath.toUtf8().constData()));
    }

    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        fail("cannot watch for signals");
        return 1;
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        while (read(signalPipe[0], &byte, 1) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    aq::QtDispatch dispatch;
    aq::bridge::BridgeService::CentralFactory centrals;
    std::vector<std::shared_ptr<aq::SimModelLamp>> simulated;
    std::unique_ptr<aq::SimCentral> seed;
    if (choice.simulate) {
        // Every lamp session has a central of its own; all of them serve the
        // same simulated lamps, as every adapter hears the same real ones.
        seed = std::make_unique<aq::SimCentral>(dispatch, choice.delay);
        for (int i = 0; i < lampCount; ++i) {
            auto lamp = aq::makeDemoLamps(*seed, 2, static_cast<std::size_t>(i));
            lamp->setFaults(faults.lamp);
            simulated.push_back(lamp);
        }
        centrals = [&dispatch, &simulated, faults, delay = choice.delay] {
            auto central = std::make_unique<aq::SimCentral>(dispatch, delay);
            for (const auto& lamp : simulated) central->addLamp(lamp);
            central->setState(faults.state, faults.fault);
            return std::unique_ptr<aq::BleCentral>(std::move(central));
        };
    } else {
        centrals = [&dispatch] {
            return aq::makeProgramCentral(aq::LampChoiceOptions{}, dispatch);
        };
    }

    const aq::bridge::TopicScheme topics(settings->topicPrefix, settings->discoveryPrefix,
                                         settings->nodeId);
    aq::bridge::MosquittoClient mqtt(*settings, "aqlamp-mqtt-" + settings->nodeId,
                                     topics.bridgeAvailability());
    // The names given in the app (its own settings file) find lamps here too.
    // Made before the service, so they outlive its lamp sessions and workers.
    aq::QtPreferences appPreferences(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/aqlamp/aqlamp.conf"));
    aq::LampNameBook names(appPreferences);
    aq::bridge::BridgeService service(*settings, mqtt, dispatch, centrals, AQ_VERSION);
    service.setLampNames(&names);
    if (!mqtt.start(error)) {
        fail(error);
        return 1;
    }
    service.start();
    const int status = QCoreApplication::exec();
    aq::logLine("ending");
    service.stop(5.0);
    mqtt.stop(3.0);
    return status;
}
