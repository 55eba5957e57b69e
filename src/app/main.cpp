// aqlamp: configures and drives aquarium LED lamps over Bluetooth LE.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "link/Log.h"
#include "pages/AppDelegate.h"
#include "pages/Translations.h"
#include "platform/AppLog.h"
#include "platform/ProgramCentral.h"
#include "platform/QtDispatch.h"
#include "platform/QtPreferences.h"
#include "sim/DemoLamps.h"
#include "sim/SimCentral.h"
#include "sim/SimFaultOptions.h"
#include "session/GlobalStore.h"

namespace {

struct Options {
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption simulate{"simulate",
                                "Serve simulated lamps instead of real ones (no Bluetooth "
                                "hardware needed)."};
    QCommandLineOption simFault{"sim-fault",
                                "With --simulate: make the simulated adapter or lamp fail as "
                                "<fault> says (listed above). Repeatable; a comma list also "
                                "works.",
                                "fault"};
    QCommandLineOption verbose{"verbose",
                               "Also log Qt Bluetooth's debug output (the log is written to "
                               "standard error and to ~/.local/state/aqlamp/aqlamp.log)."};
};

QString description() {
    QString text = "Configures and drives aquarium LED lamps over Bluetooth LE.\n\n"
                   "Simulated faults (--sim-fault):";
    for (const auto& [name, what] : aq::simFaultHelp()) {
        text += QString("\n  %1%2").arg(QString::fromStdString(name), -26).arg(
            QString::fromStdString(what));
    }
    return text;
}

Options describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(description());
    Options options{parser.addHelpOption(), parser.addVersionOption()};
    parser.addOption(options.simulate);
    parser.addOption(options.simFault);
    parser.addOption(options.verbose);
    return options;
}

// What the command line asks for, or why it cannot be followed.
bool readFaults(const QCommandLineParser& parser, const Options& options,
                aq::SimFaultSetup& faults, QString& error) {
    const QStringList values = parser.values(options.simFault);
    if (!values.isEmpty() && !parser.isSet(options.simulate)) {
        error = "--sim-fault works with --simulate only.";
        return false;
    }
    for (const QString& value : values) {
        std::string why;
        if (!aq::addSimFaults(value.toStdString(), faults, why)) {
            error = QString::fromStdString(why);
            return false;
        }
    }
    return true;
}

// Help, the version and a command line that cannot be followed are answered
// in text and need no display; everything else needs one.
bool answersInTextOnly(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const Options options = describe(parser);
    if (!parser.parse(arguments)) return true;
    if (parser.isSet(options.help) || parser.isSet(options.version) ||
        arguments.contains("--help-all")) {
        return true;
    }
    aq::SimFaultSetup faults;
    QString error;
    return !readFaults(parser, options, faults, error);
}

}  // namespace

int main(int argc, char** argv) {
    // --help, --version and a bad command line print and leave; they must
    // work without a display.
    std::unique_ptr<QCoreApplication> app;
    if (answersInTextOnly(argc, argv)) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setOrganizationName("aqlamp");
    QCoreApplication::setApplicationName("aqlamp");
    QCoreApplication::setApplicationVersion(AQ_VERSION);
    // The desktop finds the entry, and with it the name and icon, by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.aqlamp.Aqlamp"));

    QCommandLineParser parser;
    const Options options = describe(parser);
    parser.process(*app);
    aq::SimFaultSetup faults;
    if (QString error; !readFaults(parser, options, faults, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    aq::installApplicationLog(QStringLiteral("aqlamp"), parser.isSet(options.verbose));
    // The language the desktop asks for (LANG, LANGUAGE); English otherwise.
    aq::installTranslations(QLocale::system());
    if (auto* gui = qobject_cast<QGuiApplication*>(app.get())) {
        // The installed theme icon where there is one, else our own.
        gui->setWindowIcon(QIcon::fromTheme(QStringLiteral("org.aqlamp.Aqlamp"),
                                            QIcon(QStringLiteral(":/icons/org.aqlamp.Aqlamp.png"))));
    }
    auto* dispatch = new aq::QtDispatch;
    aq::LampChoiceOptions lamps;
    lamps.simulate = parser.isSet(options.simulate);
    lamps.faults = faults;
    aq::BleCentral* central = aq::makeProgramCentral(lamps, *dispatch).release();
    auto* preferences = new aq::QtPreferences;
    aq::GlobalStore::configure(*central, *dispatch, *preferences);

    aq::AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    const int status = QApplication::exec();
    delegate.applicationWillTerminate();

    // Nothing is torn down: a worker may still wait for a lamp answer that
    // only the (now stopped) event loop would deliver, and the lamp link must
    // not go away under it. The lamp names are already on disk (each is
    // written when it is recorded), so the process simply ends here.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
