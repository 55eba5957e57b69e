// Live control: the channels driven directly, as the live page does.
#include <QJsonArray>

#include "cli/Cli.h"
#include "cli/CliText.h"
#include "session/LiveMode.h"

namespace aq::cli {

namespace {

// How long a --hold waits between looks at the signals.
constexpr double kHoldStep = 0.1;

struct LiveValue {
    std::uint8_t channel = 0;
    int percent = 0;
};

// Sends the values and waits until the lamp took them; false when it did not.
bool sendAndWait(Run& run, const std::function<void(BTLEController&)>& send) {
    BTLEController& link = run.session->link();
    const std::uint64_t epoch = link.linkEpoch();
    send(link);
    // Kept apart from this call, as Run::await does. Not cut short by
    // Ctrl+C: what was queued goes out whole.
    auto sent = std::make_shared<bool>(false);
    run.session->whenSent([sent] { *sent = true; });
    return run.session->runUntil([&] { return *sent; }, run.timeout) && link.linkEpoch() == epoch;
}

}  // namespace

int liveCommand(Run& run) {
    if (run.arguments.isEmpty()) {
        return run.fail(kUsage,
                        tr("live needs CHANNEL=PERCENT values, e.g. live Blue=40 White=10."));
    }
    if (run.value("device") == QString("all")) {
        return run.fail(kUsage, tr("live drives one device at a time: give --device N."));
    }
    if (const int code = run.openLamp()) return code;
    const auto devices = devicesOption(run, "0");
    if (!devices) return kUsage;
    const std::uint8_t device = devices->front();
    const auto& channels = run.lampDescription().channels;
    std::vector<LiveValue> values;
    for (const QString& argument : run.arguments) {
        const QString name = argument.section('=', 0, -2);
        bool ok = false;
        const int percent = argument.section('=', -1).toInt(&ok);
        if (name.isEmpty() || !ok || percent < 0 || percent > 100) {
            return run.fail(
                kUsage, tr("\"%1\" is no CHANNEL=PERCENT value (percent 0 to 100).").arg(argument));
        }
        std::optional<std::size_t> channel;
        for (std::size_t i = 0; i < channels.size(); ++i) {
            if (QString::fromStdString(channels[i].name).compare(name, Qt::CaseInsensitive) == 0) {
                channel = i;
            }
        }
        const unsigned number = name.toUInt(&ok);
        if (!channel && ok && number < channels.size()) channel = number;
        if (!channel) {
            QStringList known;
            for (const ChannelLook& c : channels) known << QString::fromStdString(c.name);
            return run.fail(kUsage, tr("The lamp has no channel \"%1\"; its channels: %2.")
                                        .arg(name, known.join(", ")));
        }
        values.push_back({static_cast<std::uint8_t>(*channel), percent});
    }
    // As the live page does on entering: live mode, every channel dark, then
    // the values asked for.
    const bool sent = sendAndWait(run, [&](BTLEController& link) {
        enterLiveMode(link, static_cast<std::uint8_t>(channels.size()), device);
        for (const LiveValue& v : values) {
            link.liveValueOverload(liveLevel(v.percent), v.channel, device);
        }
    });
    if (!sent) {
        return run.fail(kStopped, tr("The lamp did not take the live values: move closer or "
                                     "switch it off and on, then try again."));
    }
    QStringList shown;
    QJsonArray json;
    for (const LiveValue& v : values) {
        const QString name = QString::fromStdString(channels[v.channel].name);
        shown << QString("%1 %2 %").arg(name).arg(v.percent);
        json.append(QJsonObject{{"channel", name}, {"percent", v.percent}});
    }
    if (!run.isSet("hold")) {
        if (run.json) {
            run.printJson(QJsonObject{{"values", json}, {"mode", "live"}});
        } else {
            run.print(tr("Live values set: %1.").arg(shown.join(", ")));
            run.print(
                tr("The lamp stays in live mode until it is told otherwise (e.g. "
                   "'aqlampctl mode normal')."));
        }
        return kOk;
    }
    if (!run.json) {
        run.print(tr("Live values set: %1. Press Ctrl+C to return the lamp to normal operation.")
                      .arg(shown.join(", ")));
    }
    BTLEController& link = run.session->link();
    while (run.interruptsSeen() == 0 && link.is_connected()) {
        run.session->runUntil([&] { return run.interruptsSeen() > 0; }, kHoldStep);
    }
    if (!link.is_connected()) {
        return run.fail(kStopped, tr("The lamp went away while live values were held: it may "
                                     "stay in live mode; run 'aqlampctl mode normal' once it is "
                                     "back."));
    }
    // As the live page does on leaving.
    const bool back = sendAndWait(run, [&](BTLEController& l) {
        leaveLiveMode(l, static_cast<std::uint8_t>(channels.size()), device);
    });
    if (!back) {
        return run.fail(kStopped, tr("The lamp did not answer the return to normal operation: "
                                     "run 'aqlampctl mode normal'."));
    }
    if (run.json) {
        run.printJson(QJsonObject{{"values", json}, {"mode", "normal"}});
    } else {
        run.print(tr("The lamp is back in normal operation."));
    }
    return kOk;
}

}  // namespace aq::cli
