// The moon and weather simulations and their test effects.
#include <QJsonArray>

#include "cli/Cli.h"
#include "cli/CliText.h"

namespace aq::cli {

namespace {

// A whole number option within [low, high]; none when not given. `bad` is
// set for a value out of range (the error printed).
std::optional<unsigned> numberOption(Run& run, const QString& name, unsigned low, unsigned high,
                                     bool& bad) {
    const std::optional<QString> text = run.value(name);
    if (!text) return std::nullopt;
    bool ok = false;
    const unsigned v = text->toUInt(&ok);
    if (!ok || v < low || v > high) {
        run.fail(kUsage,
                 tr("--%1 needs a whole number from %2 to %3.").arg(name).arg(low).arg(high));
        bad = true;
        return std::nullopt;
    }
    return v;
}

std::optional<std::pair<unsigned, unsigned>> windowOption(Run& run, const QString& name,
                                                          bool& bad) {
    const std::optional<QString> text = run.value(name);
    if (!text) return std::nullopt;
    const auto window = parseWindow(*text);
    if (!window) {
        run.fail(kUsage, tr("--%1 needs a time window like 20:00-06:30.").arg(name));
        bad = true;
    }
    return window;
}

QJsonValue jsonOf(const std::optional<unsigned>& v) {
    return v ? QJsonValue(static_cast<int>(*v)) : QJsonValue();
}

QString textOf(const std::optional<unsigned>& v) {
    return v ? QString::number(*v) : "?";
}

void printMoon(Run& run, const MoonSettings& m) {
    const auto on = [](const std::optional<bool>& a) { return a ? QJsonValue(*a) : QJsonValue(); };
    if (run.json) {
        QJsonArray active;
        for (const auto& a : m.active) active.append(on(a));
        QJsonObject o{
            {"day", jsonOf(m.day)},
            {"intensity", jsonOf(m.intensity)},
            {"window", m.start && m.end ? QJsonValue(windowText(*m.start, *m.end)) : QJsonValue()},
            {"active", active}};
        run.printJson(o);
        return;
    }
    run.print(tr("Moon day:    %1").arg(textOf(m.day)));
    run.print(tr("Intensity:   %1 %").arg(textOf(m.intensity)));
    run.print(
        tr("Window:      %1").arg(m.start && m.end ? windowText(*m.start, *m.end) : QString("?")));
    for (std::size_t i = 0; i < m.active.size(); ++i) {
        const auto& a = m.active[i];
        run.print(tr("%1: moon %2")
                      .arg(deviceName(static_cast<std::uint8_t>(i)))
                      .arg(!a   ? QString("?")
                           : *a ? tr("on")
                                : tr("off")));
    }
}

void printWeather(Run& run, const WeatherSettings& w) {
    if (run.json) {
        run.printJson(
            QJsonObject{{"clouds_per_day", jsonOf(w.cloudsPerDay)},
                        {"cloud_duration_min", jsonOf(w.cloudDuration)},
                        {"cloud_intensity", jsonOf(w.cloudDimming)},
                        {"bolts_per_hour", jsonOf(w.boltsPerHour)},
                        {"bolt_window", w.boltStart && w.boltEnd
                                            ? QJsonValue(windowText(*w.boltStart, *w.boltEnd))
                                            : QJsonValue()}});
        return;
    }
    run.print(tr("Clouds:      %1 a day, %2 min each, dimming %3 %")
                  .arg(textOf(w.cloudsPerDay), textOf(w.cloudDuration), textOf(w.cloudDimming)));
    run.print(tr("Lightning:   %1 bolts an hour, %2")
                  .arg(textOf(w.boltsPerHour),
                       w.boltStart && w.boltEnd ? windowText(*w.boltStart, *w.boltEnd) : "?"));
}

int notAnswered(Run& run) {
    return run.fail(kStopped, tr("The lamp did not answer: move closer or switch it off and on, "
                                 "then try again."));
}

}  // namespace

int moonGetCommand(Run& run) {
    if (!run.arguments.isEmpty()) return run.fail(kUsage, tr("moon get takes no arguments."));
    if (const int code = run.openLamp()) return code;
    const auto moon =
        run.await<MoonSettings>([&](auto done) { run.session->readMoon(std::move(done)); });
    if (!moon || !moon->day || !moon->start) return notAnswered(run);
    printMoon(run, *moon);
    return kOk;
}

int moonSetCommand(Run& run) {
    if (!run.arguments.isEmpty()) return run.fail(kUsage, tr("moon set takes options only."));
    bool bad = false;
    MoonSettings moon;
    const auto day = numberOption(run, "day", 1, 28, bad);
    const auto intensity = numberOption(run, "intensity", 0, 100, bad);
    const auto window = windowOption(run, "window", bad);
    if (bad) return kUsage;
    if (!day && !intensity && !window && !run.isSet("lamps")) {
        return run.fail(kUsage, tr("moon set needs --day, --intensity, --lamps or --window."));
    }
    if (day) moon.day = static_cast<std::uint8_t>(*day);
    if (intensity) moon.intensity = static_cast<std::uint8_t>(*intensity);
    if (window) {
        moon.start = static_cast<std::uint16_t>(window->first);
        moon.end = static_cast<std::uint16_t>(window->second);
    }
    if (const int code = run.openLamp()) return code;
    if (const auto lamps = run.value("lamps")) {
        const unsigned devices = run.lampDescription().slaves + 1u;
        moon.active.assign(devices, false);
        if (*lamps != "none") {
            for (const QString& item : lamps->split(',', Qt::SkipEmptyParts)) {
                bool ok = false;
                const unsigned d = item.trimmed().toUInt(&ok);
                if (!ok || d >= devices) {
                    return run.fail(kUsage, tr("--lamps lists devices from 0 (the master) to %1, "
                                               "e.g. 0,2; or none.")
                                                .arg(devices - 1));
                }
                moon.active[d] = true;
            }
        }
    }
    const auto written =
        run.await<bool>([&](auto done) { run.session->writeMoon(moon, std::move(done)); });
    if (!written || !*written) return notAnswered(run);
    const auto read =
        run.await<MoonSettings>([&](auto done) { run.session->readMoon(std::move(done)); });
    if (!read) return notAnswered(run);
    const bool same = (!moon.day || read->day == moon.day) &&
                      (!moon.intensity || read->intensity == moon.intensity) &&
                      (!moon.start || (read->start == moon.start && read->end == moon.end)) &&
                      (moon.active.empty() || read->active == moon.active);
    if (!same) {
        return run.fail(kMismatch, tr("The lamp reads back other moon settings than were sent: "
                                      "run 'aqlampctl moon get' and try again."));
    }
    printMoon(run, *read);
    return kOk;
}

int weatherGetCommand(Run& run) {
    if (!run.arguments.isEmpty()) return run.fail(kUsage, tr("weather get takes no arguments."));
    if (const int code = run.openLamp()) return code;
    const auto weather =
        run.await<WeatherSettings>([&](auto done) { run.session->readWeather(std::move(done)); });
    if (!weather || !weather->boltStart) return notAnswered(run);
    printWeather(run, *weather);
    return kOk;
}

int weatherSetCommand(Run& run) {
    if (!run.arguments.isEmpty()) return run.fail(kUsage, tr("weather set takes options only."));
    bool bad = false;
    WeatherSettings w;
    w.cloudsPerDay = numberOption(run, "clouds", 0, 255, bad);
    w.cloudDuration = numberOption(run, "cloud-duration", 1, 1440, bad);
    w.cloudDimming = numberOption(run, "cloud-intensity", 0, 100, bad);
    w.boltsPerHour = numberOption(run, "bolts", 0, 255, bad);
    const auto window = windowOption(run, "bolt-window", bad);
    if (bad) return kUsage;
    if ((run.isSet("clouds-off") && w.cloudsPerDay) ||
        (run.isSet("lightning-off") && w.boltsPerHour)) {
        return run.fail(kUsage, tr("--clouds-off and --clouds (or --lightning-off and --bolts) "
                                   "contradict each other: give one."));
    }
    if (run.isSet("clouds-off")) w.cloudsPerDay = 0;
    if (run.isSet("lightning-off")) w.boltsPerHour = 0;
    if (window) {
        w.boltStart = window->first;
        w.boltEnd = window->second;
    }
    if (!w.cloudsPerDay && !w.cloudDuration && !w.cloudDimming && !w.boltsPerHour && !window) {
        return run.fail(kUsage, tr("weather set needs at least one option; see 'aqlampctl "
                                   "weather set --help'."));
    }
    if (const int code = run.openLamp()) return code;
    const auto written =
        run.await<bool>([&](auto done) { run.session->writeWeather(w, std::move(done)); });
    if (!written || !*written) return notAnswered(run);
    const auto read =
        run.await<WeatherSettings>([&](auto done) { run.session->readWeather(std::move(done)); });
    if (!read) return notAnswered(run);
    const auto same = [](const std::optional<unsigned>& sent, const std::optional<unsigned>& got) {
        return !sent || sent == got;
    };
    if (!same(w.cloudsPerDay, read->cloudsPerDay) || !same(w.cloudDuration, read->cloudDuration) ||
        !same(w.cloudDimming, read->cloudDimming) || !same(w.boltsPerHour, read->boltsPerHour) ||
        !same(w.boltStart, read->boltStart) || !same(w.boltEnd, read->boltEnd)) {
        return run.fail(kMismatch, tr("The lamp reads back other weather settings than were "
                                      "sent: run 'aqlampctl weather get' and try again."));
    }
    printWeather(run, *read);
    return kOk;
}

int testCommand(Run& run) {
    const QString what = run.arguments.size() == 1 ? run.arguments.front() : QString();
    if (what != "cloud" && what != "bolt") return run.fail(kUsage, tr("test needs cloud or bolt."));
    if (const int code = run.openLamp()) return code;
    BTLEController& link = run.session->link();
    const std::uint64_t epoch = link.linkEpoch();
    if (what == "cloud") {
        link.liveCloud();
    } else {
        link.liveBolt();
    }
    // A command given up changes the link epoch.
    if (!run.awaitSent() || link.linkEpoch() != epoch) return notAnswered(run);
    if (run.json) {
        run.printJson(QJsonObject{{"test", what}});
    } else {
        run.print(what == "cloud" ? tr("The lamp shows a cloud.")
                                  : tr("The lamp shows a lightning bolt."));
    }
    return kOk;
}

}  // namespace aq::cli
