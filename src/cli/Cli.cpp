// The command line: the commands and options, their help, and the parsing
// that picks the command to run.
#include "cli/Cli.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>

#include "cli/CliText.h"
#include "sim/SimFaultOptions.h"

namespace aq::cli {

namespace {

constexpr const char* kProgram = "aqlampctl";

struct OptionInfo {
    QStringList names;
    QString valueName;  // empty for a switch
    const char* help;
};

// Every option any command takes; the commands name theirs below.
const std::vector<OptionInfo>& optionTable() {
    static const std::vector<OptionInfo> table{
        {{"lamp"},
         "NAME|ADDRESS|UUID",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "The lamp to use: its name (as the app shows it), "
                           "Bluetooth address or identifier. Without it, the only "
                           "lamp found.")},
        {{"json"}, {}, QT_TRANSLATE_NOOP("aqlampctl", "Machine-readable output (JSON).")},
        {{"timeout"},
         "S",
         QT_TRANSLATE_NOOP("aqlampctl", "Seconds to wait for the lamp's answers (default 30).")},
        {{"verbose"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl", "Write the link's log lines to standard error.")},
        {{"time"},
         "S",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Seconds to look for lamps (default 5; with --lamp the "
                           "scan ends as soon as that lamp is seen).")},
        {{"device"},
         "N|all",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "The lamp of a master and its slaves: 0 the master "
                           "(default), n slave n, all every one.")},
        {{"o", "output"}, "FILE.aqp", QT_TRANSLATE_NOOP("aqlampctl", "The preset file to write.")},
        {{"full"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Send every channel without reading first what the lamp "
                           "holds.")},
        {{"no-verify"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl", "Do not read each written channel back.")},
        {{"day"}, "D", QT_TRANSLATE_NOOP("aqlampctl", "Day of the moon cycle (1-28).")},
        {{"intensity"}, "P", QT_TRANSLATE_NOOP("aqlampctl", "Moon light in per cent.")},
        {{"lamps"},
         "LIST",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "The devices whose moon is on, e.g. 0,2 (the others' "
                           "is switched off); \"none\" for none.")},
        {{"window"}, "HH:MM-HH:MM", QT_TRANSLATE_NOOP("aqlampctl", "When the moon shines.")},
        {{"clouds"}, "N", QT_TRANSLATE_NOOP("aqlampctl", "Clouds per day.")},
        {{"cloud-duration"}, "M", QT_TRANSLATE_NOOP("aqlampctl", "Minutes a cloud lasts.")},
        {{"cloud-intensity"},
         "P",
         QT_TRANSLATE_NOOP("aqlampctl", "How far a cloud dims the light, in per cent.")},
        {{"bolts"}, "N", QT_TRANSLATE_NOOP("aqlampctl", "Lightning bolts per hour.")},
        {{"bolt-window"},
         "HH:MM-HH:MM",
         QT_TRANSLATE_NOOP("aqlampctl", "When lightning may strike.")},
        {{"clouds-off"}, {}, QT_TRANSLATE_NOOP("aqlampctl", "No clouds.")},
        {{"lightning-off"}, {}, QT_TRANSLATE_NOOP("aqlampctl", "No lightning.")},
        {{"hold"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Keep the values until Ctrl+C, then return the lamp to "
                           "normal operation.")},
        {{"yes"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Do not ask before updating (needed without a "
                           "terminal).")},
    };
    return table;
}

const QStringList kCommon{"lamp", "json", "timeout", "verbose"};

struct CommandInfo {
    QStringList words;
    QString synopsis;  // what follows the words
    const char* summary;
    QStringList options;  // beyond the common ones
    int (*run)(Run&);
};

const std::vector<CommandInfo>& commandTable() {
    static const std::vector<CommandInfo> table{
        {{"scan"},
         "[--time S]",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "List the lamps found, with name, identifier and signal "
                           "strength where known."),
         {"time"},
         scanCommand},
        {{"info"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Show name, firmware, serial number, clock and its "
                           "difference from this computer's, energy, mode, demo "
                           "loop, channels, slaves and presetting names."),
         {"time"},
         infoCommand},
        {{"clock", "sync"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl", "Set the lamp's clock to this computer's."),
         {"time"},
         clockSyncCommand},
        {{"clock", "set"},
         "\"YYYY-MM-DD HH:MM:SS\"",
         QT_TRANSLATE_NOOP("aqlampctl", "Set the lamp's clock."),
         {"time"},
         clockSetCommand},
        {{"name", "set"},
         "TEXT",
         QT_TRANSLATE_NOOP("aqlampctl", "Rename the lamp."),
         {"time"},
         nameSetCommand},
        {{"mode"},
         "normal|preview|demo",
         QT_TRANSLATE_NOOP("aqlampctl", "Switch the lamp's operating mode."),
         {"time"},
         modeCommand},
        {{"demo-loop"},
         "on|off",
         QT_TRANSLATE_NOOP("aqlampctl", "Switch the demo loop on or off."),
         {"time"},
         demoLoopCommand},
        {{"programme", "download"},
         "[--device N|all] -o FILE.aqp",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Save the day programme as a preset file (with all, one "
                           "file per device: FILE-0.aqp, FILE-1.aqp, ...)."),
         {"time", "device", "o"},
         programmeDownloadCommand},
        {{"programme", "upload"},
         "FILE.aqp [--device N|all] [--full] [--no-verify]",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Send a preset file as the day programme: only the "
                           "channels that differ from what the lamp holds, each "
                           "read back."),
         {"time", "device", "full", "no-verify"},
         programmeUploadCommand},
        {{"presetting", "list"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl", "List the lamp's presettings."),
         {"time"},
         presettingListCommand},
        {{"presetting", "download"},
         "N -o FILE.aqp",
         QT_TRANSLATE_NOOP("aqlampctl", "Save presetting N (1-6) as a preset file."),
         {"time", "o"},
         presettingDownloadCommand},
        {{"moon", "get"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl", "Show the moon simulation."),
         {"time"},
         moonGetCommand},
        {{"moon", "set"},
         "[--day D] [--intensity P] [--lamps 0,2] [--window HH:MM-HH:MM]",
         QT_TRANSLATE_NOOP("aqlampctl", "Change the moon simulation."),
         {"time", "day", "intensity", "lamps", "window"},
         moonSetCommand},
        {{"weather", "get"},
         {},
         QT_TRANSLATE_NOOP("aqlampctl", "Show the weather simulation."),
         {"time"},
         weatherGetCommand},
        {{"weather", "set"},
         "[--clouds N] [--cloud-duration M] [--cloud-intensity P] [--bolts N] "
         "[--bolt-window HH:MM-HH:MM] [--clouds-off] [--lightning-off]",
         QT_TRANSLATE_NOOP("aqlampctl", "Change the weather simulation."),
         {"time", "clouds", "cloud-duration", "cloud-intensity", "bolts", "bolt-window",
          "clouds-off", "lightning-off"},
         weatherSetCommand},
        {{"test"},
         "cloud|bolt",
         QT_TRANSLATE_NOOP("aqlampctl", "Show a cloud or a lightning bolt now."),
         {"time"},
         testCommand},
        {{"live"},
         "CHANNEL=PERCENT... [--device N] [--hold]",
         QT_TRANSLATE_NOOP("aqlampctl",
                           "Drive channels directly (live mode). CHANNEL is a "
                           "channel's name or number as info lists it."),
         {"time", "device", "hold"},
         liveCommand},
        {{"firmware", "update"},
         "FILE.hex [--yes]",
         QT_TRANSLATE_NOOP("aqlampctl", "Update the lamp's firmware from an Intel HEX file."),
         {"time", "yes"},
         firmwareUpdateCommand},
    };
    return table;
}

const OptionInfo* findOption(const QString& name) {
    for (const OptionInfo& option : optionTable()) {
        if (option.names.contains(name)) return &option;
    }
    return nullptr;
}

QString optionText(const OptionInfo& option) {
    QStringList names;
    for (const QString& n : option.names) names << (n.size() == 1 ? "-" : "--") + n;
    QString text = names.join(", ");
    if (!option.valueName.isEmpty()) text += ' ' + option.valueName;
    return text;
}

// "  left   right", the right column wrapped under itself.
void row(QString& text, const QString& left, const QString& right) {
    constexpr int kColumn = 30;
    QString line = "  " + left;
    if (line.size() + 2 > kColumn) {
        text += line + '\n';
        line.clear();
    }
    line = line.leftJustified(kColumn, ' ');
    QString rest = right;
    const int width = 79 - kColumn;
    bool first = true;
    while (!rest.isEmpty()) {
        int cut = rest.size() <= width ? rest.size() : rest.lastIndexOf(' ', width);
        if (cut <= 0) cut = std::min<int>(width, rest.size());
        text += (first ? line : QString(kColumn, ' ')) + rest.left(cut) + '\n';
        rest = rest.mid(cut).trimmed();
        first = false;
    }
    if (first) text += line.trimmed() + '\n';
}

QString commandName(const CommandInfo& c) {
    return c.words.join(' ');
}

QString optionsHelp(const QStringList& names) {
    QString text;
    for (const QString& name : names) {
        const OptionInfo* option = findOption(name);
        row(text, optionText(*option), tr(option->help));
    }
    return text;
}

QString commonHelp() {
    QString text = optionsHelp(kCommon);
    row(text, "--simulate[=KEYS]",
        tr("Use simulated lamps instead of real ones; KEYS is a comma list of lamps=N (how many "
           "lamps, default 1), delay=S (seconds each operation takes, default 0.02) and the "
           "simulated faults below. Every run starts fresh simulated lamps."));
    row(text, "-h, --help", tr("Show this help (after a command: the command's help)."));
    row(text, "--version", tr("Show the version."));
    return text;
}

QString exitHelp() {
    QString text = tr("Exit status:") + '\n';
    row(text, "0", tr("success"));
    row(text, "1", tr("the command line cannot be followed (or a lamp must be chosen)"));
    row(text, "2", tr("lamp not found, or the connection failed"));
    row(text, "3",
        tr("the lamp stopped answering, or a transfer is incomplete (the message "
           "says what is left)"));
    row(text, "4", tr("a written value read back differently"));
    row(text, "5", tr("a bad input file (nothing was sent)"));
    return text;
}

QString globalHelp() {
    QString text = tr("Usage: %1 [OPTION]... COMMAND [ARGUMENT]...").arg(kProgram) + '\n';
    text += tr("Runs aquarium LED lamp operations from the command line, over the same link "
               "and with the same lamp names as the aqlamp application.") +
            "\n\n" + tr("Commands:") + '\n';
    for (const CommandInfo& c : commandTable()) {
        row(text, commandName(c) + (c.synopsis.isEmpty() ? "" : " " + c.synopsis), tr(c.summary));
    }
    text += '\n' + tr("Options:") + '\n' + commonHelp();
    QStringList own;
    for (const OptionInfo& option : optionTable()) {
        if (!kCommon.contains(option.names.first())) own << option.names.first();
    }
    text += '\n' + tr("Command options:") + '\n' + optionsHelp(own);
    text += '\n' + tr("Simulated faults (--simulate=FAULT,...):") + '\n';
    for (const auto& [name, what] : simFaultHelp()) {
        row(text, QString::fromStdString(name), QString::fromStdString(what));
    }
    text += '\n' + exitHelp();
    text += '\n' + tr("Run '%1 COMMAND --help' for one command.").arg(kProgram) + '\n';
    return text;
}

QString commandHelp(const CommandInfo& c) {
    QString text =
        tr("Usage: %1 %2 [OPTION]...")
            .arg(kProgram, commandName(c) + (c.synopsis.isEmpty() ? "" : " " + c.synopsis)) +
        '\n' + tr(c.summary) + "\n\n" + tr("Options:") + '\n' + optionsHelp(c.options) +
        commonHelp() + '\n' + exitHelp();
    return text;
}

}  // namespace

int run(const QStringList& given, Context& context) {
    QStringList arguments = given;
    if (arguments.isEmpty()) arguments << kProgram;
    auto usage = [&](const QString& message) {
        context.err << kProgram << ": " << message << Qt::endl;
        return kUsage;
    };
    LampChoiceOptions lamps;
    if (QString error; !takeSimulateOption(arguments, lamps, error)) return usage(error);

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const OptionInfo& option : optionTable()) {
        parser.addOption(QCommandLineOption(option.names, QString(), option.valueName));
    }
    parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
    parser.addOption(QCommandLineOption("version"));
    if (!parser.parse(arguments)) {
        return usage(tr("%1. Run '%2 --help' for the options.").arg(parser.errorText(), kProgram));
    }
    if (parser.isSet("version")) {
        context.out << kProgram << ' ' << QCoreApplication::applicationVersion() << Qt::endl;
        return kOk;
    }
    const QStringList words = parser.positionalArguments();
    const CommandInfo* command = nullptr;
    for (const CommandInfo& c : commandTable()) {
        if (words.mid(0, c.words.size()) == c.words) command = &c;
    }
    if (!command) {
        if (parser.isSet("help")) {
            context.out << globalHelp() << Qt::flush;
            return kOk;
        }
        if (words.isEmpty()) {
            return usage(tr("no command given. Run '%1 --help' for the commands.").arg(kProgram));
        }
        return usage(tr("unknown command '%1'. Run '%2 --help' for the commands.")
                         .arg(words.join(' '), kProgram));
    }
    if (parser.isSet("help")) {
        context.out << commandHelp(*command) << Qt::flush;
        return kOk;
    }
    for (const OptionInfo& option : optionTable()) {
        const QString name = option.names.first();
        if (parser.isSet(name) && !kCommon.contains(name) && !command->options.contains(name)) {
            return usage(
                tr("%1 does not apply to '%2'. Run '%3 %2 --help' for its options.")
                    .arg(optionText(option).section(' ', 0, 0), commandName(*command), kProgram));
        }
    }

    Run run(context, parser, words.mid(command->words.size()));
    run.lamps = lamps;
    run.json = parser.isSet("json");
    run.lamp = parser.value("lamp");
    // A number of seconds above 0; anything else is refused, not replaced
    // by the default.
    for (const auto& [name, seconds] : {std::pair{"timeout", &run.timeout},
                                        std::pair{"time", &run.scanTime}}) {
        if (!parser.isSet(name)) continue;
        bool ok = false;
        *seconds = parser.value(name).toDouble(&ok);
        if (!ok || !(*seconds > 0.0)) return usage(tr("--%1 needs a number of seconds.").arg(name));
    }
    if (context.setVerbose) context.setVerbose(parser.isSet("verbose"));
    return command->run(run);
}

}  // namespace aq::cli
