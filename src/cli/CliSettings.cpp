// The clock, name, mode and demo loop commands: each writes, then reads back.
#include <cstdlib>

#include "cli/Cli.h"
#include "cli/CliText.h"

namespace aq::cli {

namespace {

// A lamp clock read back this far from what was set is still the same
// setting: the lamp's clock runs on between the write and the read.
constexpr qint64 kClockSlack = 2;

qint64 secondsApart(const LampDateTime& a, const LampDateTime& b) {
    const auto x = a.toLocalSeconds();
    const auto y = b.toLocalSeconds();
    if (!x || !y) return std::numeric_limits<qint64>::max();
    return std::llabs((*x - *y).count());
}

int setClockTo(Run& run, const std::function<LampDateTime()>& time) {
    if (const int code = run.openLamp()) return code;
    // Taken as late as possible, so the lamp gets the time it is sent at.
    const LampDateTime sent = time();
    const auto read = run.await<std::optional<LampDateTime>>(
        [&](auto done) { run.session->setClock(sent, std::move(done)); });
    if (!read || !*read) {
        return run.fail(kStopped, tr("The lamp did not answer the clock setting: move closer or "
                                     "switch it off and on, then try again."));
    }
    if (secondsApart(**read, sent) > kClockSlack) {
        return run.fail(kMismatch, tr("The lamp's clock reads %1 after it was set to %2: try "
                                      "again.")
                                       .arg(clockText(**read), clockText(sent)));
    }
    if (run.json) {
        run.printJson(QJsonObject{{"clock", clockText(**read)}});
    } else {
        run.print(tr("The lamp's clock is set to %1.").arg(clockText(**read)));
    }
    return kOk;
}

// Sends `write`, then reads the value back with `read`; prints `done` or
// fails with the mismatch.
int writeAndReadBack(Run& run, const std::function<void()>& write,
                     const std::function<void(std::function<void(std::uint64_t)>)>& read,
                     std::uint64_t wanted, const QString& what, const QString& done,
                     const QJsonObject& json) {
    if (const int code = run.openLamp()) return code;
    write();
    auto value = std::make_shared<std::optional<std::uint64_t>>();
    read([value](std::uint64_t v) { *value = v; });
    if (!run.awaitSent() || !*value) {
        return run.fail(kStopped, tr("The lamp did not answer: move closer or switch it off and "
                                     "on, then try again."));
    }
    if (**value != wanted) {
        return run.fail(
            kMismatch,
            tr("The lamp reads %1 as %2 after it was set: try again.").arg(what).arg(**value));
    }
    if (run.json) {
        run.printJson(json);
    } else {
        run.print(done);
    }
    return kOk;
}

}  // namespace

int clockSyncCommand(Run& run) {
    if (!run.arguments.isEmpty()) return run.fail(kUsage, tr("clock sync takes no arguments."));
    return setClockTo(run, [&] { return lampTime(run.context.now()); });
}

int clockSetCommand(Run& run) {
    const std::optional<LampDateTime> time =
        run.arguments.size() == 1 ? parseClock(run.arguments.front()) : std::nullopt;
    if (!time) {
        return run.fail(kUsage, tr("clock set needs one date and time: clock set \"YYYY-MM-DD "
                                   "HH:MM:SS\"."));
    }
    return setClockTo(run, [&] { return *time; });
}

int nameSetCommand(Run& run) {
    const QString name = run.arguments.join(' ');
    if (run.arguments.isEmpty() || !lampNameAcceptable(name.toStdString())) {
        return run.fail(kUsage, tr("name set needs a name of 1 to 24 letters, digits, spaces or "
                                   "punctuation without accents."));
    }
    if (const int code = run.openLamp()) return code;
    const auto read = run.await<std::optional<std::string>>(
        [&](auto done) { run.session->rename(name.toStdString(), std::move(done)); });
    if (!read || !*read) {
        return run.fail(kStopped, tr("The lamp did not answer the new name: move closer or "
                                     "switch it off and on, then try again."));
    }
    const QString now = QString::fromStdString(**read);
    if (now != name) {
        return run.fail(
            kMismatch,
            tr("The lamp reads its name as \"%1\" after it was set to \"%2\".").arg(now, name));
    }
    if (run.json) {
        run.printJson(QJsonObject{{"name", now}});
    } else {
        run.print(tr("The lamp is now named \"%1\".").arg(now));
    }
    return kOk;
}

int modeCommand(Run& run) {
    static const QStringList modes{"normal", "preview", "live", "demo"};
    const int mode = run.arguments.size() == 1 ? modes.indexOf(run.arguments.front()) : -1;
    // Live mode belongs to the live command, which also sets the values.
    if (mode < 0 || mode == 2) return run.fail(kUsage, tr("mode needs normal, preview or demo."));
    BTLEController* link = nullptr;
    return writeAndReadBack(
        run,
        [&] {
            link = &run.session->link();
            link->setMode(static_cast<unsigned>(mode));
        },
        [&](auto handler) { link->getMode(std::move(handler)); }, static_cast<unsigned>(mode),
        tr("the mode"), tr("The lamp is in %1 mode.").arg(modes[mode]),
        QJsonObject{{"mode", modes[mode]}});
}

int demoLoopCommand(Run& run) {
    const QString word = run.arguments.size() == 1 ? run.arguments.front() : QString();
    if (word != "on" && word != "off") return run.fail(kUsage, tr("demo-loop needs on or off."));
    const bool on = word == "on";
    BTLEController* link = nullptr;
    return writeAndReadBack(
        run,
        [&] {
            link = &run.session->link();
            link->setDemoLoop(on);
        },
        [&](auto handler) { link->getDemoLoop([handler](bool v) { handler(v ? 1 : 0); }); },
        on ? 1 : 0, tr("the demo loop"),
        on ? tr("The demo loop is on.") : tr("The demo loop is off."),
        QJsonObject{{"demo_loop", on}});
}

}  // namespace aq::cli
