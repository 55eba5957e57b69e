#include "StandInOptions.h"

#include <QCommandLineParser>

namespace aq::standin {

namespace {

bool toInt(const QString& text, int minimum, int& out) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum) return false;
    out = value;
    return true;
}

bool toCount(const QString& text, std::optional<std::uint64_t>& out) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value == 0) return false;
    out = value;
    return true;
}

}  // namespace

bool parseOptions(const QStringList& arguments, StandInOptions& options, QString& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Owns org.bluez on a private D-Bus bus and serves simulated lamps as BlueZ devices.");
    parser.addHelpOption();
    const QCommandLineOption bus("bus", "D-Bus address to serve on.", "address");
    const QCommandLineOption lamps("lamps", "Number of lamps (1-9).", "n", "1");
    const QCommandLineOption slaves("slaves", "Slaves behind each lamp.", "n", "2");
    const QCommandLineOption delay("delay-ms", "Time each operation takes.", "ms", "1");
    const QCommandLineOption advertise("advertise-ms", "Advertising interval while scanning.", "ms",
                                       "0");
    const QCommandLineOption att("att-timeout-ms", "Time BlueZ waits for an answer.", "ms",
                                 "30000");
    const QCommandLineOption noAnswer("no-answer-from", "Commands from the n-th on go unanswered.",
                                      "n");
    const QCommandLineOption dropLink("drop-link-at", "The link drops at the n-th command.", "n");
    const QCommandLineOption writeError("write-error-at",
                                        "Writes from the n-th on fail with an ATT error.", "n");
    const QCommandLineOption removeDevice("remove-device-at",
                                          "The device is removed at the n-th command.", "n");
    const QCommandLineOption refuse("refuse-connect", "Every connect fails.");
    const QCommandLineOption absent("absent-connect-ms",
                                    "Connects fail after this long, the lamp being off.", "ms");
    const QCommandLineOption faultLamp("fault-lamp", "The faults hit only this lamp (from 0).",
                                       "n");
    const QCommandLineOption commandOnly("command-only",
                                         "The lamp offers the command characteristic only.");
    const QCommandLineOption lateUuid("late-uuid-ms",
                                      "The lamp service UUID arrives this much later.", "ms");
    const QCommandLineOption bootRestart(
        "boot-restart-ms", "Time the lamp takes to restart into its boot loader.", "ms", "0");
    const QCommandLineOption verbose("verbose", "Log every call to standard error.");
    const QCommandLineOption noAdapter("no-adapter", "Serve no adapter (and so no lamps).");
    const QCommandLineOption adapterOff("adapter-off", "The adapter is switched off.");
    parser.addOptions({bus, lamps, slaves, delay, advertise, att, noAnswer, dropLink, writeError,
                       removeDevice, refuse, absent, faultLamp, commandOnly, lateUuid, bootRestart,
                       verbose, noAdapter, adapterOff});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet("help")) {
        error = parser.helpText();
        return false;
    }
    options.bus = parser.value(bus);
    if (!toInt(parser.value(lamps), 1, options.lamps) || options.lamps > 9) {
        error = "--lamps takes 1 to 9";
        return false;
    }
    if (!toInt(parser.value(slaves), 0, options.slaves) || options.slaves > 254) {
        error = "--slaves takes 0 to 254";
        return false;
    }
    if (!toInt(parser.value(delay), 0, options.delayMs) ||
        !toInt(parser.value(advertise), 0, options.advertiseMs) ||
        !toInt(parser.value(att), 1, options.attTimeoutMs) ||
        !toInt(parser.value(bootRestart), 0, options.bootRestartMs)) {
        error = "times are whole milliseconds";
        return false;
    }
    if ((parser.isSet(noAnswer) && !toCount(parser.value(noAnswer), options.noAnswerFrom)) ||
        (parser.isSet(dropLink) && !toCount(parser.value(dropLink), options.dropLinkAt)) ||
        (parser.isSet(writeError) && !toCount(parser.value(writeError), options.writeErrorAt)) ||
        (parser.isSet(removeDevice) &&
         !toCount(parser.value(removeDevice), options.removeDeviceAt))) {
        error = "command numbers count from 1";
        return false;
    }
    if (parser.isSet(lateUuid) && !toInt(parser.value(lateUuid), 0, options.lateUuidMs)) {
        error = "--late-uuid-ms takes whole milliseconds";
        return false;
    }
    if ((parser.isSet(absent) && !toInt(parser.value(absent), 1, options.absentConnectMs)) ||
        (parser.isSet(faultLamp) && !toInt(parser.value(faultLamp), 0, options.faultLamp))) {
        error = "--absent-connect-ms takes milliseconds, --fault-lamp a lamp from 0";
        return false;
    }
    options.refuseConnect = parser.isSet(refuse);
    options.commandOnly = parser.isSet(commandOnly);
    options.verbose = parser.isSet(verbose);
    options.noAdapter = parser.isSet(noAdapter);
    options.adapterOff = parser.isSet(adapterOff);
    return true;
}

}  // namespace aq::standin
