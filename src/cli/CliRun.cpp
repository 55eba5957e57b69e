// A command's run: the lamp it talks to, its output, and the helpers the
// commands share.
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>

#include "cli/Cli.h"
#include "cli/CliText.h"

namespace aq::cli {

namespace {
constexpr const char* kProgram = "aqlampctl";
}  // namespace

Run::Run(Context& c, QCommandLineParser& p, QStringList args)
    : context(c), parser(p), arguments(std::move(args)) {
    _interruptsAtStart = c.interrupts ? c.interrupts->load() : 0;
}

Run::~Run() {
    if (session && session->connected()) {
        session->disconnect();
        // A real radio closes the link while events run; the stack would
        // otherwise keep the lamp connected after the program ended.
        if (!lamps.simulate) context.dispatch.runLoopFor(0.3);
    }
    // The link goes before the central it was made on.
    session.reset();
    central.reset();
}

int Run::fail(int code, const QString& message) {
    // A wait cut short by Ctrl+C is no lamp that stopped answering.
    const QString text =
        code == kStopped && interruptsSeen() > 0 ? tr("Interrupted: %1").arg(message) : message;
    context.err << kProgram << ": " << text << Qt::endl;
    return code;
}

std::optional<QString> Run::value(const QString& option) const {
    if (!parser.isSet(option)) return std::nullopt;
    return parser.value(option);
}

void Run::openCentral() {
    central = context.makeCentral(lamps);
    session = std::make_unique<LampSession>(*central, context.dispatch, context.names);
}

bool Run::waitFor(const std::function<bool()>& done) {
    return session->runUntil([&] { return done() || interruptsSeen() > 0; }, timeout) && done();
}

bool Run::awaitSent() {
    return await<bool>([this](auto done) { session->whenSent([done] { done(true); }); })
        .has_value();
}

int Run::interruptsSeen() const {
    return context.interrupts ? context.interrupts->load() - _interruptsAtStart : 0;
}

void Run::print(const QString& line) {
    context.out << line << '\n' << Qt::flush;
}

void Run::printJson(const QJsonObject& object) {
    context.out << QJsonDocument(object).toJson(QJsonDocument::Indented) << Qt::flush;
}

void Run::printJson(const QJsonArray& array) {
    context.out << QJsonDocument(array).toJson(QJsonDocument::Indented) << Qt::flush;
}

Progress::Progress(Run& run, QString unit, bool lines)
    : _run(run), _unit(std::move(unit)), _start(run.context.dispatch.now()), _lines(lines) {}

void Progress::update(int done, int total) {
    if (total <= 0) return;
    const double now = _run.context.dispatch.now();
    const double fraction = std::clamp(double(done) / total, 0.0, 1.0);
    const double elapsed = now - _start;
    const QString left =
        done > 0 && done < total
            ? tr("%1 s left").arg(std::lround(elapsed / fraction * (1.0 - fraction)))
            : QString();
    const QString counts =
        QString("%1/%2 %3, %4%").arg(done).arg(total).arg(_unit).arg(std::lround(fraction * 100));
    QTextStream& err = _run.context.err;
    if (_run.context.errTerminal) {
        // Redrawn at most ten times a second, and at the end.
        if (done < total && _drawnAt >= 0.0 && now - _drawnAt < 0.1) return;
        _drawnAt = now;
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(fraction * kWidth);
        err << "\r[" << QString(filled, '#') << QString(kWidth - filled, '.') << "] " << counts
            << (left.isEmpty() ? "" : ", " + left) << "\x1b[K" << Qt::flush;
        _drawn = true;
        return;
    }
    const int tenth = static_cast<int>(fraction * 10);
    if (!_lines || tenth == _lastTenth) return;
    _lastTenth = tenth;
    err << counts << (left.isEmpty() ? "" : ", " + left) << Qt::endl;
}

void Progress::finish() {
    if (_drawn) _run.context.err << Qt::endl;
    _drawn = false;
}

std::optional<std::vector<std::uint8_t>> devicesOption(Run& run, const QString& fallback) {
    const QString text = run.value("device").value_or(fallback);
    const std::uint8_t slaves = run.lampDescription().slaves;
    if (text == "all") return transferDevices(0, true, slaves);
    bool ok = false;
    const int device = text.toInt(&ok);
    if (!ok || device < 0 || device > slaves) {
        run.fail(kUsage, slaves == 0
                             ? tr("--device: this lamp has no slaves; use 0 (or leave it out).")
                             : tr("--device: use 0 (the master) to %1, or all.").arg(slaves));
        return std::nullopt;
    }
    return std::vector<std::uint8_t>{static_cast<std::uint8_t>(device)};
}

QString deviceName(std::uint8_t device) {
    return device == 0 ? tr("Master") : tr("Slave #%1").arg(device);
}

QString clockText(const LampDateTime& t) {
    return QString("%1-%2-%3 %4:%5:%6")
        .arg(t.year, 4, 10, QChar('0'))
        .arg(t.month, 2, 10, QChar('0'))
        .arg(t.day, 2, 10, QChar('0'))
        .arg(t.hour, 2, 10, QChar('0'))
        .arg(t.minute, 2, 10, QChar('0'))
        .arg(t.second, 2, 10, QChar('0'));
}

std::optional<LampDateTime> parseClock(const QString& text) {
    const QDateTime time = QDateTime::fromString(text.trimmed(), "yyyy-MM-dd HH:mm:ss");
    if (!time.isValid()) return std::nullopt;
    return lampTime(time);
}

LampDateTime lampTime(const QDateTime& time) {
    const QDate d = time.date();
    const QTime t = time.time();
    LampDateTime lamp;
    lamp.year = d.year();
    lamp.month = static_cast<unsigned>(d.month());
    lamp.day = static_cast<unsigned>(d.day());
    lamp.hour = static_cast<unsigned>(t.hour());
    lamp.minute = static_cast<unsigned>(t.minute());
    lamp.second = static_cast<unsigned>(t.second());
    return lamp;
}

std::optional<std::pair<unsigned, unsigned>> parseWindow(const QString& text) {
    static const QRegularExpression pattern("^(\\d{1,2}):(\\d{2})-(\\d{1,2}):(\\d{2})$");
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const unsigned h1 = m.captured(1).toUInt(), m1 = m.captured(2).toUInt();
    const unsigned h2 = m.captured(3).toUInt(), m2 = m.captured(4).toUInt();
    if (h1 > 23 || h2 > 23 || m1 > 59 || m2 > 59) return std::nullopt;
    return std::make_pair(h1 * 60 + m1, h2 * 60 + m2);
}

QString windowText(unsigned start, unsigned end) {
    auto hm = [](unsigned m) {
        return QString("%1:%2").arg(m / 60, 2, 10, QChar('0')).arg(m % 60, 2, 10, QChar('0'));
    };
    return hm(start) + '-' + hm(end);
}

}  // namespace aq::cli
