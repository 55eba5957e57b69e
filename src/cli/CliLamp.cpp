// Finding and connecting the lamp; the scan and info commands.
#include <QJsonArray>

#include <cmath>

#include "cli/Cli.h"
#include "cli/CliText.h"

namespace aq::cli {

namespace {

QString lampLabel(const FoundLamp& lamp) {
    const std::optional<std::string> name = lamp.name();
    return QString("\"%1\" %2")
        .arg(QString::fromStdString(name.value_or("?")), QString::fromStdString(lamp.identifier));
}

// Why nothing was found, when the adapter says.
QString adapterProblem(const BTLEController& link) {
    if (link.centralFault() == CentralFault::ServiceNotRunning) {
        return tr("Bluetooth is not running: start it (systemctl start bluetooth) and try again.");
    }
    switch (link.centralState()) {
        case CentralState::PoweredOff:
            return tr(
                "Bluetooth is switched off: switch the adapter on (bluetoothctl power on) "
                "and try again.");
        case CentralState::Unsupported:
            return tr("No Bluetooth adapter was found: plug one in or enable it, then try again.");
        case CentralState::Unauthorized:
            return tr("This user may not use Bluetooth: ask the administrator for access.");
        default:
            break;
    }
    if (link.centralFault() == CentralFault::DiscoveryFailed) {
        return tr("Bluetooth refused to look for lamps: see the log (--verbose) and try again.");
    }
    return {};
}

QString connectFailureText(const BTLEController& link) {
    using F = BTLEController::ConnectFailure;
    switch (link.connectFailure()) {
        case F::Refused: {
            QString detail = QString::fromStdString(link.connectFailureDetail()).trimmed();
            if (detail.endsWith('.')) detail.chop(1);
            return detail.isEmpty()
                       ? tr("The lamp refused the connection: switch it off and on, then try "
                            "again.")
                       : tr("The lamp refused the connection (%1): switch it off and on, then "
                            "try again.")
                             .arg(detail);
        }
        case F::NotFound:
            return tr("The lamp was not found: it may be switched off or out of range.");
        case F::TimedOut:
            return tr(
                "The lamp did not answer in time: move closer or switch it off and on, "
                "then try again.");
        case F::NoLampService:
            return tr(
                "The device offers no lamp service: it may not be a lamp this program "
                "drives; choose another with --lamp.");
        case F::NoCommandCharacteristic:
            return tr("The lamp service offers no command characteristic: choose another lamp.");
        case F::NoTestCharacteristic:
            return tr(
                "The lamp service offers no test characteristic: the lamp's firmware may be "
                "too old.");
        case F::None:
            break;
    }
    return tr("The connection failed: try again.");
}

// A scan that found nothing: why, where the adapter says, else what to try.
int noLampFound(Run& run) {
    const QString problem = adapterProblem(run.session->link());
    return run.fail(kNoLamp, problem.isEmpty()
                                 ? tr("No lamp found: check that it is switched on and in range, "
                                      "then try again (or give --time more seconds).")
                                 : problem);
}

std::vector<FoundLamp> scanFor(Run& run, const std::string& query) {
    const int simulated = run.lamps.simulate ? run.lamps.lamps : 0;
    return run.session->scan(run.scanTime, [&](const std::vector<FoundLamp>& found) {
        if (run.interruptsSeen() > 0) return true;
        if (!query.empty()) return chooseLamp(found, query).match == LampChoice::Match::Found;
        // Simulated lamps all advertise at once; real ones are waited for
        // the whole time, so that a second lamp is not missed.
        return simulated > 0 && found.size() >= static_cast<std::size_t>(simulated);
    });
}

}  // namespace

int Run::openLamp() {
    openCentral();
    const std::string query = lamp.toStdString();
    const std::vector<FoundLamp> found = scanFor(*this, query);
    if (interruptsSeen() > 0) return fail(kStopped, tr("Interrupted while looking for lamps."));
    if (found.empty()) return noLampFound(*this);
    const LampChoice choice = chooseLamp(found, query);
    if (choice.match != LampChoice::Match::Found) {
        QStringList list;
        for (const FoundLamp& l : found) list << lampLabel(l);
        if (choice.match == LampChoice::Match::Ambiguous) {
            if (lamp.isEmpty()) {
                return fail(kUsage, tr("%1 lamps found: choose one with --lamp NAME|ADDRESS|UUID "
                                       "(found: %2).")
                                        .arg(found.size())
                                        .arg(list.join(", ")));
            }
            return fail(kUsage, tr("Several lamps match \"%1\": choose one with --lamp "
                                   "ADDRESS|UUID (found: %2).")
                                    .arg(lamp, list.join(", ")));
        }
        return fail(kNoLamp, tr("No lamp \"%1\" found: check the name or run 'aqlampctl scan' "
                                "(found: %2).")
                                 .arg(lamp, list.join(", ")));
    }
    if (!session->connect(choice.index)) {
        return fail(kNoLamp, connectFailureText(session->link()));
    }
    session->runOnWorkerAndWait([this] { _description = session->readLamp(); });
    if (!_description) {
        return fail(kStopped, tr("The lamp stopped answering while it was read: move closer or "
                                 "switch it off and on, then try again."));
    }
    return kOk;
}

int scanCommand(Run& run) {
    if (!run.arguments.isEmpty()) return run.fail(kUsage, tr("scan takes no arguments."));
    run.openCentral();
    const std::vector<FoundLamp> found = scanFor(run, run.lamp.toStdString());
    if (run.json) {
        QJsonArray lamps;
        for (const FoundLamp& l : found) {
            QJsonObject o;
            o["name"] = l.name() ? QJsonValue(QString::fromStdString(*l.name())) : QJsonValue();
            o["advertised_name"] =
                l.advertised ? QJsonValue(QString::fromStdString(*l.advertised)) : QJsonValue();
            o["identifier"] = QString::fromStdString(l.identifier);
            o["rssi"] = l.rssi ? QJsonValue(*l.rssi) : QJsonValue();
            lamps.append(o);
        }
        run.printJson(lamps);
    } else {
        for (const FoundLamp& l : found) {
            const QString strength = l.rssi ? tr("%1 dBm").arg(*l.rssi) : QString("-");
            run.print(QString("%1  %2  %3")
                          .arg(QString::fromStdString(l.identifier), strength.rightJustified(8),
                               QString::fromStdString(l.name().value_or("?"))));
        }
    }
    if (found.empty()) return noLampFound(run);
    return kOk;
}

namespace {

QString modeName(unsigned mode) {
    switch (mode) {
        case 0:
            return "normal";
        case 1:
            return "preview";
        case 2:
            return "live";
        case 3:
            return "demo";
        default:
            return QString::number(mode);
    }
}

QString colorText(const Color& c) {
    auto byte = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return QString("#%1%2%3")
        .arg(byte(c.red), 2, 16, QChar('0'))
        .arg(byte(c.green), 2, 16, QChar('0'))
        .arg(byte(c.blue), 2, 16, QChar('0'));
}

}  // namespace

int infoCommand(Run& run) {
    if (!run.arguments.isEmpty()) return run.fail(kUsage, tr("info takes no arguments."));
    if (const int code = run.openLamp()) return code;
    // This computer's time when the lamp's clock came, to compare them.
    auto clockCame = std::make_shared<QDateTime>();
    const std::optional<LampInfo> info = run.await<LampInfo>([&](auto done) {
        run.session->readInfo(
            true,
            [clockCame, now = run.context.now](const LampInfo&, LampSession::InfoField field) {
                if (field == LampSession::InfoField::Clock) *clockCame = now();
            },
            std::move(done));
    });
    if (!info || !info->demoLoop) {
        return run.fail(kStopped, tr("The lamp stopped answering while its values were read: "
                                     "move closer or switch it off and on, then try again."));
    }
    const LampDescription& d = run.lampDescription();
    std::optional<qint64> difference;
    if (info->clock) {
        if (const auto local = info->clock->toLocalSeconds()) {
            const qint64 lampSeconds = local->time_since_epoch().count();
            const QDateTime n = *clockCame;
            const qint64 here = QDateTime(n.date(), n.time(), Qt::UTC).toSecsSinceEpoch();
            difference = lampSeconds - here;
        }
    }
    const QString firmware = QString::fromStdString(info->firmware.value_or(""));
    if (run.json) {
        QJsonObject o;
        o["name"] = QString::fromStdString(d.name);
        o["identifier"] = QString::fromStdString(run.session->memory().lamp);
        o["firmware"] = firmware;
        o["serial"] = QString::fromStdString(serialText(info->serial.value_or(0)));
        o["clock"] = info->clock ? QJsonValue(clockText(*info->clock)) : QJsonValue();
        o["clock_difference_s"] = difference ? QJsonValue(double(*difference)) : QJsonValue();
        o["energy_kwh"] = double(info->energyKWh.value_or(0));
        o["mode"] = modeName(info->mode.value_or(0));
        o["demo_loop"] = *info->demoLoop;
        QJsonArray channels;
        for (std::size_t i = 0; i < d.channels.size(); ++i) {
            channels.append(QJsonObject{{"number", int(i)},
                                        {"name", QString::fromStdString(d.channels[i].name)},
                                        {"color", colorText(d.channels[i].color)}});
        }
        o["channels"] = channels;
        o["slaves"] = d.slaves;
        QJsonArray presettings;
        for (const std::string& p : d.presettings) presettings.append(QString::fromStdString(p));
        o["presettings"] = presettings;
        run.printJson(o);
        return kOk;
    }
    run.print(tr("Name:        %1").arg(QString::fromStdString(d.name)));
    run.print(tr("Identifier:  %1").arg(QString::fromStdString(run.session->memory().lamp)));
    run.print(tr("Firmware:    %1").arg(firmware));
    run.print(tr("Serial:      %1").arg(QString::fromStdString(serialText(info->serial.value_or(0)))));
    QString clock = info->clock ? clockText(*info->clock) : tr("not set");
    if (difference) {
        clock +=
            ' ' + (*difference == 0 ? tr("(same as this computer)")
                                    : tr("(%1 s %2 this computer)")
                                          .arg(std::abs(*difference))
                                          .arg(*difference > 0 ? tr("ahead of") : tr("behind")));
    }
    run.print(tr("Clock:       %1").arg(clock));
    run.print(tr("Energy:      %1 kWh").arg(info->energyKWh.value_or(0)));
    run.print(tr("Mode:        %1").arg(modeName(info->mode.value_or(0))));
    run.print(tr("Demo loop:   %1").arg(*info->demoLoop ? tr("on") : tr("off")));
    run.print(tr("Slaves:      %1").arg(d.slaves));
    run.print(tr("Channels:"));
    for (std::size_t i = 0; i < d.channels.size(); ++i) {
        run.print(QString("  %1  %2  %3")
                      .arg(i)
                      .arg(QString::fromStdString(d.channels[i].name), -12)
                      .arg(colorText(d.channels[i].color)));
    }
    run.print(tr("Presettings:"));
    for (std::size_t i = 0; i < d.presettings.size(); ++i) {
        run.print(QString("  %1  %2").arg(i + 1).arg(QString::fromStdString(d.presettings[i])));
    }
    return kOk;
}

}  // namespace aq::cli
