#pragma once

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "link/BleCentral.h"
#include "link/Dispatch.h"
#include "platform/ProgramCentral.h"
#include "session/LampSession.h"
#include "state/LampNames.h"

namespace aq::cli {

// The exit codes, as --help lists them.
enum Exit : int {
    kOk = 0,
    kUsage = 1,
    kNoLamp = 2,    // not found, or the connection failed
    kStopped = 3,   // the lamp stopped answering; a transfer is incomplete
    kMismatch = 4,  // a written value read back differently
    kBadFile = 5,   // an input file that cannot be used
};

// Everything a command run touches outside itself, so that tests run the
// commands in process on virtual time against simulated lamps.
struct Context {
    Context(Dispatch& d, QTextStream& o, QTextStream& e) : dispatch(d), out(o), err(e) {}

    Dispatch& dispatch;
    QTextStream& out;
    QTextStream& err;
    // Makes the central of the lamps the options ask for (real or simulated).
    std::function<std::unique_ptr<BleCentral>(const LampChoiceOptions&)> makeCentral;
    // The name table the app keeps; none stores and finds no names.
    LampNameBook* names = nullptr;
    // This computer's clock.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Counts the interrupt signals (Ctrl+C, SIGTERM) received.
    const std::atomic<int>* interrupts = nullptr;
    // Standard error, where progress goes, is a terminal (a progress bar
    // rather than lines); standard input is one (questions can be asked).
    bool errTerminal = false;
    bool inTerminal = false;
    // A line the user typed, for the questions.
    std::function<QString()> readLine;
    // Ends the process at once with the code (a firmware transfer that
    // cannot be stopped cleanly); none returns normally.
    std::function<void(int)> hardStop;
    // --verbose: the link's log lines on standard error.
    std::function<void(bool)> setVerbose;
};

// Runs one command line (arguments[0] is the program); returns the exit code.
int run(const QStringList& arguments, Context& context);

// One command's run: its options, the lamp it talks to and its output.
class Run {
public:
    Run(Context& context, QCommandLineParser& parser, QStringList arguments);
    ~Run();

    Context& context;
    QCommandLineParser& parser;
    // The command's positional arguments, after its words.
    QStringList arguments;
    bool json = false;
    double timeout = 30.0;
    // --time: how long to look for lamps.
    double scanTime = 5.0;
    QString lamp;
    LampChoiceOptions lamps;

    std::unique_ptr<BleCentral> central;
    std::unique_ptr<LampSession> session;

    // Prints the one-line error and returns the code.
    int fail(int code, const QString& message);
    // The option's value, when set.
    std::optional<QString> value(const QString& option) const;
    bool isSet(const QString& option) const { return parser.isSet(option); }

    // Makes the central and its session.
    void openCentral();
    // Finds the lamp --lamp names (or the only one), connects it and reads
    // what it is. kOk or the exit code, the error printed.
    int openLamp();
    // The lamp's description after openLamp().
    const LampDescription& lampDescription() const { return *_description; }

    // Runs the event loop until `done`, --timeout or an interrupt; true when done.
    bool waitFor(const std::function<bool()>& done);
    // Asks with `ask`, handing it the handler for the answer, and waits for
    // the answer as waitFor() does; none when it did not come. The answer is
    // kept apart from the command: one that comes after the wait gave up
    // (--timeout, Ctrl+C) finds nothing of a command that has returned.
    template <class T>
    std::optional<T> await(const std::function<void(std::function<void(T)>)>& ask) {
        auto answer = std::make_shared<std::optional<T>>();
        ask([answer](T value) { *answer = std::move(value); });
        waitFor([&] { return answer->has_value(); });
        return *answer;
    }
    // Waits as await() does until everything queued so far has been
    // answered or given up; true when it was.
    bool awaitSent();
    // Signals received since the run started.
    int interruptsSeen() const;

    void print(const QString& line);
    void printJson(const QJsonObject& object);
    void printJson(const QJsonArray& array);

private:
    int _interruptsAtStart = 0;
    std::optional<LampDescription> _description;
};

// Shows how far long work has come on standard error: a bar redrawn in
// place on a terminal; otherwise, when `lines`, a line every tenth (else
// nothing, so that a script run from cron stays quiet). Main thread.
class Progress {
public:
    Progress(Run& run, QString unit, bool lines);
    // `done` of `total` units (pages, commands) so far.
    void update(int done, int total);
    // Ends the bar's line.
    void finish();

private:
    Run& _run;
    QString _unit;
    double _start = 0.0;
    double _drawnAt = -1.0;
    int _lastTenth = -1;
    bool _lines = false;
    bool _drawn = false;
};

// The devices a --device option names (a number, or "all"), checked against
// the lamp's slaves.
std::optional<std::vector<std::uint8_t>> devicesOption(Run& run, const QString& fallback);
// "Master" or "Slave #n".
QString deviceName(std::uint8_t device);
// A lamp clock as "YYYY-MM-DD HH:MM:SS".
QString clockText(const LampDateTime& time);
std::optional<LampDateTime> parseClock(const QString& text);
LampDateTime lampTime(const QDateTime& time);
// "HH:MM-HH:MM" as minutes after midnight.
std::optional<std::pair<unsigned, unsigned>> parseWindow(const QString& text);
QString windowText(unsigned start, unsigned end);

// The commands, one group a module.
int scanCommand(Run& run);
int infoCommand(Run& run);
int clockSyncCommand(Run& run);
int clockSetCommand(Run& run);
int nameSetCommand(Run& run);
int modeCommand(Run& run);
int demoLoopCommand(Run& run);
int programmeDownloadCommand(Run& run);
int programmeUploadCommand(Run& run);
int presettingListCommand(Run& run);
int presettingDownloadCommand(Run& run);
int moonGetCommand(Run& run);
int moonSetCommand(Run& run);
int weatherGetCommand(Run& run);
int weatherSetCommand(Run& run);
int testCommand(Run& run);
int liveCommand(Run& run);
int firmwareUpdateCommand(Run& run);

}  // namespace aq::cli
