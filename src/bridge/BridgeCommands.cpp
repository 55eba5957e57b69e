// What the bridge does with a command from the broker: each entity kind's
// lamp commands, answered on the lamp's result topic.
#include "bridge/BridgeLamp.h"
#include "bridge/BridgeService.h"
#include "link/Log.h"
#include "session/LiveMode.h"
#include "session/PresetProgramme.h"

#include <chrono>

namespace aq::bridge {

namespace {

QString clockText(const LampDateTime& t) {
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(t.year)
        .arg(t.month, 2, 10, QChar('0'))
        .arg(t.day, 2, 10, QChar('0'))
        .arg(t.hour, 2, 10, QChar('0'))
        .arg(t.minute, 2, 10, QChar('0'))
        .arg(t.second, 2, 10, QChar('0'));
}

// Whether the lamp's clock read back holds what was set: it runs on between
// the write and the read, and a lamp's noise forms no date at all.
bool sameClockSetting(const LampDateTime& read, const LampDateTime& sent) {
    const auto r = read.toLocalSeconds();
    const auto s = sent.toLocalSeconds();
    return r && s && std::chrono::abs(*r - *s) <= std::chrono::seconds(2);
}

// Why a preset text is no whole programme for a lamp of `channels` channels.
QString presetProblem(const PresetProgramme& p, std::size_t channels) {
    switch (p.load.outcome) {
        case PresetLoad::Outcome::NotText:
            return QStringLiteral("the preset is not UTF-8 text");
        case PresetLoad::Outcome::NoCurves:
            return QStringLiteral("the preset holds no readable curve");
        case PresetLoad::Outcome::Loaded:
            break;
    }
    if (!p.load.skipped.empty()) {
        QStringList which;
        for (std::size_t c : p.load.skipped) which << QString::number(c + 1);
        return QStringLiteral("preset channel %1 cannot be read").arg(which.join(", "));
    }
    return QStringLiteral("the preset has %1 channels, the lamp %2").arg(p.fileChannels).arg(channels);
}

}  // namespace

void BridgeService::handleMessage(const QString& topic, const QByteArray& payload) {
    if (_stopping) return;
    const std::optional<Command> c = parseCommand(_topics, topic, payload);
    if (!c) return;
    if (!c->error.isEmpty()) {
        answer(c->lamp, c->entity, false, c->error);
        return;
    }
    const std::shared_ptr<Lamp> lamp = lampByKey(c->lamp);
    if (!lamp) {
        answer(c->lamp, c->entity, false, QStringLiteral("no lamp %1 on this bridge").arg(c->lamp));
        return;
    }
    // Never kept for later: a command the lamp cannot take now is refused.
    if (lamp->phase != Lamp::Phase::Ready) {
        answer(c->lamp, c->entity, false,
               QStringLiteral("lamp %1 is not connected (%2)").arg(c->lamp, lamp->values.link));
        return;
    }
    command(lamp, *c);
}

void BridgeService::command(const std::shared_ptr<Lamp>& lamp, const Command& c) {
    switch (c.kind) {
        case Command::Kind::Switch:
            switchCommand(lamp, c);
            break;
        case Command::Kind::Number:
            numberCommand(lamp, c);
            break;
        case Command::Kind::Button:
            buttonCommand(lamp, c);
            break;
        case Command::Kind::Light:
            lightCommand(lamp, c);
            break;
        case Command::Kind::Preset:
            presetCommand(lamp, c);
            break;
    }
}

void BridgeService::afterSent(const std::shared_ptr<Lamp>& lamp, const QString& command,
                              const QString& okMessage) {
    const std::uint64_t epoch = lamp->session->link().linkEpoch();
    lamp->session->whenSent(guarded(lamp, [this, epoch, command, okMessage](const auto& l) {
        // A command given up changes the link epoch.
        const bool ok = l->session->link().linkEpoch() == epoch;
        answer(l->key, command, ok, ok ? okMessage : QStringLiteral("the lamp did not answer"));
        refresh(l);
    }));
}

void BridgeService::switchCommand(const std::shared_ptr<Lamp>& lamp, const Command& c) {
    LampSession& session = *lamp->session;
    if (c.entity == "demo_loop") {
        session.link().setDemoLoop(c.on);
    } else if (c.entity == "moon") {
        MoonSettings moon;
        moon.active.assign(lamp->description.slaves + 1u, c.on);
        session.writeMoon(moon, {});
    } else if (c.entity == "clouds" || c.entity == "lightning") {
        const bool clouds = c.entity == "clouds";
        const std::optional<unsigned> now =
            clouds ? lamp->values.weather.cloudsPerDay : lamp->values.weather.boltsPerHour;
        unsigned& last = clouds ? lamp->cloudsLast : lamp->boltsLast;
        if (!c.on && now && *now) last = *now;
        // Off is a count of 0; on brings back the count it had.
        WeatherSettings w;
        (clouds ? w.cloudsPerDay : w.boltsPerHour) = c.on ? last : 0u;
        session.writeWeather(w, {});
    }
    afterSent(lamp, c.entity, c.on ? QStringLiteral("on") : QStringLiteral("off"));
}

void BridgeService::numberCommand(const std::shared_ptr<Lamp>& lamp, const Command& c) {
    LampSession& session = *lamp->session;
    const auto v = static_cast<unsigned>(c.value);
    if (c.entity == "moon_intensity") {
        MoonSettings moon;
        moon.intensity = static_cast<std::uint8_t>(v);
        session.writeMoon(moon, {});
    } else {
        WeatherSettings w;
        if (c.entity == "clouds_per_day") {
            w.cloudsPerDay = v;
            if (v) lamp->cloudsLast = v;
        } else if (c.entity == "cloud_duration") {
            w.cloudDuration = v;
        } else if (c.entity == "cloud_intensity") {
            w.cloudDimming = v;
        } else if (c.entity == "bolts_per_hour") {
            w.boltsPerHour = v;
            if (v) lamp->boltsLast = v;
        }
        session.writeWeather(w, {});
    }
    afterSent(lamp, c.entity, QString::number(c.value));
}

void BridgeService::buttonCommand(const std::shared_ptr<Lamp>& lamp, const Command& c) {
    LampSession& session = *lamp->session;
    if (c.entity == "set_clock") {
        const LampDateTime sent = hostTime();
        std::weak_ptr<bool> alive = _alive;
        std::weak_ptr<Lamp> weak = lamp;
        session.setClock(sent, [this, alive, weak, sent](std::optional<LampDateTime> read) {
            const auto a = alive.lock();
            const auto l = weak.lock();
            if (!a || !*a || !l) return;
            if (!read) {
                answer(l->key, QStringLiteral("set_clock"), false,
                       QStringLiteral("the lamp did not answer"));
            } else if (!sameClockSetting(*read, sent)) {
                answer(l->key, QStringLiteral("set_clock"), false,
                       QStringLiteral("the lamp's clock reads %1 after it was set to %2: try again")
                           .arg(clockText(*read), clockText(sent)));
            } else {
                answer(l->key, QStringLiteral("set_clock"), true, clockText(*read));
            }
            refresh(l);
        });
        return;
    }
    if (c.entity == "test_cloud") {
        session.link().liveCloud();
    } else if (c.entity == "test_bolt") {
        session.link().liveBolt();
    }
    afterSent(lamp, c.entity, QStringLiteral("sent"));
}

void BridgeService::lightCommand(const std::shared_ptr<Lamp>& lamp, const Command& c) {
    if (c.channel >= static_cast<int>(lamp->lights.size())) {
        answer(lamp->key, c.entity,
               false, QStringLiteral("the lamp has no channel %1").arg(c.channel));
        return;
    }
    BTLEController& link = lamp->session->link();
    ChannelLight& light = lamp->lights[static_cast<std::size_t>(c.channel)];
    light.on = c.on;
    if (c.brightness) {
        if (*c.brightness == 0) {
            light.on = false;
        } else {
            light.brightness = *c.brightness;
        }
    }
    const bool anyOn = std::any_of(lamp->lights.begin(), lamp->lights.end(),
                                   [](const ChannelLight& l) { return l.on; });
    const auto valueOf = [](const ChannelLight& l) {
        return l.on ? static_cast<unsigned>(l.brightness) : 0u;
    };
    if (anyOn && !lamp->live) {
        enterLiveMode(link, lamp->channelCount());
        lamp->live = true;
        for (std::size_t i = 0; i < lamp->lights.size(); ++i) {
            if (lamp->lights[i].on) {
                setLiveChannel(link, static_cast<std::uint8_t>(i), valueOf(lamp->lights[i]));
            }
        }
    } else if (anyOn) {
        setLiveChannel(link, static_cast<std::uint8_t>(c.channel), valueOf(light));
    } else if (lamp->live) {
        // Every channel off: the lamp goes back to its day programme.
        leaveLiveMode(link, lamp->channelCount());
        lamp->live = false;
    }
    publishChannel(*lamp, c.channel);
    const std::uint64_t epoch = link.linkEpoch();
    lamp->session->whenSent(guarded(lamp, [this, epoch, entity = c.entity](const auto& l) {
        const bool ok = l->session->link().linkEpoch() == epoch;
        answer(l->key, entity, ok,
               ok ? (l->live ? QStringLiteral("live") : QStringLiteral("normal operation"))
                  : QStringLiteral("the lamp did not answer"));
    }));
}

void BridgeService::presetCommand(const std::shared_ptr<Lamp>& lamp, const Command& c) {
    if (lamp->uploading) {
        answer(lamp->key, c.entity, false, QStringLiteral("an upload to this lamp is running"));
        return;
    }
    const std::size_t channels = lamp->description.channels.size();
    const PresetProgramme preset =
        presetProgramme(std::string_view(c.text.constData(), static_cast<std::size_t>(c.text.size())),
                        channels);
    if (!preset.complete) {
        answer(lamp->key, c.entity, false, presetProblem(preset, channels));
        return;
    }
    lamp->uploading = true;
    logLine(format("lamp %s: uploading a preset", lamp->key.toStdString().c_str()));
    LampSession* session = lamp->session.get();
    const std::vector<std::uint8_t> devices = transferDevices(0, true, lamp->description.slaves);
    auto upload = std::make_shared<LampSession::Upload>();
    auto wanted = preset.channels;
    onWorker(
        [session, devices, wanted, upload] {
            *upload = session->uploadProgramme(devices, wanted, false, true);
        },
        guarded(lamp, [this, upload](const std::shared_ptr<Lamp>& l) {
            l->uploading = false;
            const UploadResult& r = upload->result;
            if (r.stop) {
                answer(l->key, QStringLiteral("preset"), false,
                       QStringLiteral("the lamp stopped answering (lamp %1, channel %2)")
                           .arg(r.stop->device)
                           .arg(r.stop->channel + 1));
            } else if (r.mismatch) {
                const VerifyMismatch& m = *r.mismatch;
                // Points counted from 1, as the app names them; -1 is the count.
                answer(l->key, QStringLiteral("preset"), false,
                       m.point < 0
                           ? QStringLiteral("read back differs (lamp %1, channel %2: %3 set "
                                            "points, sent %4)")
                                 .arg(m.device)
                                 .arg(m.channel + 1)
                                 .arg(m.readCount)
                                 .arg(m.sentCount)
                           : QStringLiteral("read back differs (lamp %1, channel %2, point %3)")
                                 .arg(m.device)
                                 .arg(m.channel + 1)
                                 .arg(m.point + 1));
            } else if (upload->plan.targets.empty()) {
                answer(l->key, QStringLiteral("preset"), true,
                       QStringLiteral("the lamp holds this programme already"));
            } else {
                answer(l->key, QStringLiteral("preset"), true,
                       QStringLiteral("uploaded and verified (%1 commands)").arg(r.commands));
            }
        }));
}

}  // namespace aq::bridge
